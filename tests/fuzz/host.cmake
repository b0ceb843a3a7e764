# relaycaster-host's option parsing, built into the target so that it is
# instrumented with it.
relaycaster_fuzzer(fuzz_host_options FuzzHostOptions.cpp)
target_sources(fuzz_host_options PRIVATE ${CMAKE_SOURCE_DIR}/tools/relaycaster-host/HostOptions.cpp)
target_include_directories(fuzz_host_options PRIVATE ${CMAKE_SOURCE_DIR}/tools/relaycaster-host)
