#pragma once

// The test double of the NDI runtime: a shared library named like the real
// runtime, built in several variants into separate folders. It records what
// the plug-in asks of it; tests reach its record through ndi_double_record(),
// looked up with dlsym in the same loaded library.

#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace ndi_double {

struct SentFrame {
  std::string source;  // the name the source was created with
  int sampleRate = 0;
  int channels = 0;
  int samples = 0;
  int strideBytes = 0;
  uint32_t fourCC = 0;
  int64_t timecode = 0;
  bool metadataNull = false;
  int64_t timestamp = 0;
  std::vector<float> data;  // planar: channel c's sample i at c * samples + i
};

/// Everything under `mutex`. Reset between tests.
struct Record {
  std::mutex mutex;

  // What the test asks the double to do.
  std::set<std::string> refusedNames;
  bool refuseAll = false;
  std::map<std::string, int> receivers;  // by the name a source was created with
  std::string announcedPrefix = "TESTHOST (";  // the announced name is prefix + name + ")"

  // What happened.
  int loadCalls = 0;
  int initializeCalls = 0;
  std::vector<std::string> attempts;        // every name send_create was given
  std::vector<double> attemptTimes;         // steady-clock seconds of each attempt
  std::vector<std::string> events;          // "create NAME", "destroy NAME", "send NAME", "poll NAME"
  std::vector<SentFrame> frames;
  std::vector<uint32_t> pollTimeouts;
  std::set<std::thread::id> callingThreads;  // threads that made sender calls
  int liveSources = 0;
  int unexpectedSettings = 0;  // send_create calls with clocks on or groups set

  void reset() {
    std::lock_guard<std::mutex> lock(mutex);
    refusedNames.clear();
    refuseAll = false;
    receivers.clear();
    announcedPrefix = "TESTHOST (";
    attempts.clear();
    attemptTimes.clear();
    events.clear();
    frames.clear();
    pollTimeouts.clear();
    callingThreads.clear();
    unexpectedSettings = 0;
  }
};

}  // namespace ndi_double

/// Exported by every variant of the double.
extern "C" ndi_double::Record* ndi_double_record();
using NdiDoubleRecordFunction = ndi_double::Record* (*)();
