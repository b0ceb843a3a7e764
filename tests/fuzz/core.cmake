relaycaster_fuzzer(fuzz_state_chunk ${CMAKE_CURRENT_LIST_DIR}/FuzzStateChunk.cpp)
