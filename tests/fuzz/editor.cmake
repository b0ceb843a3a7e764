relaycaster_fuzzer(fuzz_typed_number ${CMAKE_CURRENT_LIST_DIR}/FuzzTypedNumber.cpp)
