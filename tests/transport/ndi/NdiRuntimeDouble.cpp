// A stand-in for the NDI runtime with the runtime's binary interface. The
// variant is chosen at build time:
//   NDI_DOUBLE_OLD_GENERATION  exports only an older loader
//   NDI_DOUBLE_NULL_TABLE      the loader returns null
//   NDI_DOUBLE_UNSUPPORTED_CPU is_supported_CPU answers false
//   NDI_DOUBLE_INIT_FAILS      initialize answers false

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "NdiRuntimeDouble.h"
#include "transport/ndi/NdiApi.h"

// How the entry points leave the library; the Windows build of the double
// (tests/wine) passes dllexport instead.
#ifndef NDI_DOUBLE_EXPORT
#define NDI_DOUBLE_EXPORT __attribute__((visibility("default")))
#endif

using namespace relaycaster::ndi;

namespace {

ndi_double::Record& record() {
  static ndi_double::Record* const instance = new ndi_double::Record();  // lives as long as the library
  return *instance;
}

double secondsNow() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

struct Source {
  std::string name;       // as created
  std::string announced;  // what send_get_source_name reports
  NDIlib_source_t description{};
};

bool initialize() {
  std::lock_guard<std::mutex> lock(record().mutex);
  ++record().initializeCalls;
#ifdef NDI_DOUBLE_INIT_FAILS
  return false;
#else
  return true;
#endif
}

void destroyRuntime() {}

const char* version() {
  return "NDI runtime double";
}

bool isSupportedCpu() {
#ifdef NDI_DOUBLE_UNSUPPORTED_CPU
  return false;
#else
  return true;
#endif
}

NDIlib_send_instance_t sendCreate(const NDIlib_send_create_t* settings) {
  ndi_double::Record& r = record();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.callingThreads.insert(std::this_thread::get_id());
  const std::string name = settings && settings->p_ndi_name ? settings->p_ndi_name : "";
  r.attempts.push_back(name);
  r.attemptTimes.push_back(secondsNow());
  // A real runtime with clocked sends would block in the send call.
  if (!settings || settings->clock_audio || settings->clock_video || settings->p_groups) {
    ++r.unexpectedSettings;
    return nullptr;
  }
  if (r.refuseAll || r.refusedNames.count(name)) return nullptr;
  auto* source = new Source{name, r.announcedPrefix + name + ")", {}};
  source->description.p_ndi_name = source->announced.c_str();
  source->description.p_url_address = "127.0.0.1:5961";
  r.events.push_back("create " + name);
  ++r.liveSources;
  return reinterpret_cast<NDIlib_send_instance_t>(source);
}

void sendDestroy(NDIlib_send_instance_t instance) {
  auto* source = reinterpret_cast<Source*>(instance);
  ndi_double::Record& r = record();
  {
    std::lock_guard<std::mutex> lock(r.mutex);
    r.callingThreads.insert(std::this_thread::get_id());
    r.events.push_back("destroy " + source->name);
    --r.liveSources;
  }
  delete source;
}

int sendGetNoConnections(NDIlib_send_instance_t instance, uint32_t timeoutMs) {
  auto* source = reinterpret_cast<Source*>(instance);
  ndi_double::Record& r = record();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.callingThreads.insert(std::this_thread::get_id());
  r.pollTimeouts.push_back(timeoutMs);
  r.events.push_back("poll " + source->name);
  const auto found = r.receivers.find(source->name);
  return found == r.receivers.end() ? 0 : found->second;
}

const NDIlib_source_t* sendGetSourceName(NDIlib_send_instance_t instance) {
  auto* source = reinterpret_cast<Source*>(instance);
  std::lock_guard<std::mutex> lock(record().mutex);
  record().callingThreads.insert(std::this_thread::get_id());
  return &source->description;
}

// A test in another process (the Wine tests run the plug-in inside
// relaycaster-host.exe) cannot read the record; when NDI_DOUBLE_FRAME_LOG
// names a file, every frame also appends "source rate channels samples" to it.
void logFrame(const ndi_double::SentFrame& frame) {
  static const char* const path = std::getenv("NDI_DOUBLE_FRAME_LOG");
  if (path == nullptr || *path == '\0') return;
  if (std::FILE* log = std::fopen(path, "a")) {
    std::fprintf(log, "%s %d %d %d\n", frame.source.c_str(), frame.sampleRate, frame.channels, frame.samples);
    std::fclose(log);
  }
}

void sendSendAudioV3(NDIlib_send_instance_t instance, const NDIlib_audio_frame_v3_t* frame) {
  auto* source = reinterpret_cast<Source*>(instance);
  ndi_double::SentFrame sent;
  sent.source = source->name;
  sent.sampleRate = frame->sample_rate;
  sent.channels = frame->no_channels;
  sent.samples = frame->no_samples;
  sent.strideBytes = frame->channel_stride_in_bytes;
  sent.fourCC = static_cast<uint32_t>(frame->FourCC);
  sent.timecode = frame->timecode;
  sent.metadataNull = frame->p_metadata == nullptr;
  sent.timestamp = frame->timestamp;
  if (frame->p_data && frame->no_channels > 0 && frame->no_samples > 0) {
    sent.data.resize(static_cast<size_t>(frame->no_channels) * static_cast<size_t>(frame->no_samples));
    for (int c = 0; c < frame->no_channels; ++c) {
      std::memcpy(sent.data.data() + static_cast<size_t>(c) * static_cast<size_t>(frame->no_samples),
                  frame->p_data + static_cast<size_t>(c) * static_cast<size_t>(frame->channel_stride_in_bytes),
                  static_cast<size_t>(frame->no_samples) * sizeof(float));
    }
  }
  logFrame(sent);
  ndi_double::Record& r = record();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.callingThreads.insert(std::this_thread::get_id());
  r.events.push_back("send " + source->name);
  r.frames.push_back(std::move(sent));
}

NDIlib_v6 makeTable() {
  NDIlib_v6 table{};
  table.initialize = &initialize;
  table.destroy = &destroyRuntime;
  table.version = &version;
  table.is_supported_CPU = &isSupportedCpu;
  table.send_create = &sendCreate;
  table.send_destroy = &sendDestroy;
  table.send_get_no_connections = &sendGetNoConnections;
  table.send_get_source_name = &sendGetSourceName;
  table.send_send_audio_v3 = &sendSendAudioV3;
  return table;
}

const NDIlib_v6* loadTable() {
  static const NDIlib_v6 table = makeTable();
  std::lock_guard<std::mutex> lock(record().mutex);
  ++record().loadCalls;
#ifdef NDI_DOUBLE_NULL_TABLE
  (void)table;
  return nullptr;
#else
  return &table;
#endif
}

}  // namespace

extern "C" NDI_DOUBLE_EXPORT ndi_double::Record* ndi_double_record() {
  return &record();
}

#ifdef NDI_DOUBLE_OLD_GENERATION
extern "C" NDI_DOUBLE_EXPORT const NDIlib_v6* NDIlib_v5_load() {
  return loadTable();
}
#else
extern "C" NDI_DOUBLE_EXPORT const NDIlib_v6* NDIlib_v6_3_load() {
  return loadTable();
}
#endif
