relaycaster_fuzzer(fuzz_json FuzzJson.cpp)
