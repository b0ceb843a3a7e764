#pragma once

// Our own declarations of the NDI runtime's binary interface: the function
// table its versioned loader returns and the three structs we pass to it.
// The runtime is never linked; NdiRuntime loads it at run time. Only the
// table slots we call are typed; the others are kept as plain pointers so
// that every slot sits at the runtime's offset. The layouts are checked at
// compile time below.

#include <cstddef>
#include <cstdint>

namespace relaycaster::ndi {

/// Opaque handle of one NDI sender (the runtime owns it).
struct NDIlib_send_instance_type;
using NDIlib_send_instance_t = NDIlib_send_instance_type*;

/// Settings for send_create.
struct NDIlib_send_create_t {
  const char* p_ndi_name;  // UTF-8; the runtime may adjust it to stay unique
  const char* p_groups;    // null: the default groups
  bool clock_video;        // false: we pace ourselves
  bool clock_audio;        // false: true would make the send call block
};

/// What send_get_source_name reports: the name as announced on the network.
struct NDIlib_source_t {
  const char* p_ndi_name;
  union {
    const char* p_url_address;
    const char* p_ip_address;
  };
};

/// Audio sample layouts; we send planar 32-bit float only.
enum NDIlib_FourCC_audio_type_e : uint32_t {
  NDIlib_FourCC_audio_type_FLTP = 0x70544C46,  // 'F' 'L' 'T' 'p', little-endian
};

/// Timecode that asks the runtime to stamp the frame itself.
inline constexpr int64_t NDIlib_send_timecode_synthesize = INT64_MAX;

/// One audio frame. No constructor: zero it, then set every field.
struct NDIlib_audio_frame_v3_t {
  int sample_rate;
  int no_channels;
  int no_samples;  // per channel
  int64_t timecode;  // 100 ns units
  NDIlib_FourCC_audio_type_e FourCC;
  uint8_t* p_data;  // planar: channel c at p_data + c * channel_stride_in_bytes
  union {
    int channel_stride_in_bytes;
    int data_size_in_bytes;
  };
  const char* p_metadata;
  int64_t timestamp;
};

/// The runtime's function table: 134 pointer-sized slots, slot i at byte
/// offset 8 * i. It only ever grows at the end.
struct NDIlib_v6 {
  bool (*initialize)();          // slot 0: false on an unsupported processor
  void (*destroy)();             // slot 1: never called (one runtime per process)
  const char* (*version)();      // slot 2
  bool (*is_supported_CPU)();    // slot 3
  void* unusedSlots4To7[4];
  NDIlib_send_instance_t (*send_create)(const NDIlib_send_create_t* settings);  // slot 8: null on failure
  void (*send_destroy)(NDIlib_send_instance_t sender);                          // slot 9
  void* unusedSlots10To16[7];
  int (*send_get_no_connections)(NDIlib_send_instance_t sender, uint32_t timeoutMs);  // slot 17: 0 polls
  void* unusedSlots18To94[77];
  const NDIlib_source_t* (*send_get_source_name)(NDIlib_send_instance_t sender);                 // slot 95
  void (*send_send_audio_v3)(NDIlib_send_instance_t sender, const NDIlib_audio_frame_v3_t* frame);  // slot 96
  void* unusedSlots97To133[37];
};

/// The loader every runtime of this generation exports under the name below.
using NDIlib_v6_load_function = const NDIlib_v6* (*)();
inline constexpr const char* kLoaderSymbol = "NDIlib_v6_3_load";

// --- layout checks ---------------------------------------------------------
static_assert(sizeof(bool) == 1, "the runtime passes and returns 1-byte bools");
static_assert(sizeof(NDIlib_FourCC_audio_type_e) == 4);

#if UINTPTR_MAX == UINT64_MAX
static_assert(sizeof(NDIlib_v6) == 134 * sizeof(void*));
static_assert(offsetof(NDIlib_v6, initialize) == 8 * 0);
static_assert(offsetof(NDIlib_v6, destroy) == 8 * 1);
static_assert(offsetof(NDIlib_v6, version) == 8 * 2);
static_assert(offsetof(NDIlib_v6, is_supported_CPU) == 8 * 3);
static_assert(offsetof(NDIlib_v6, send_create) == 8 * 8);
static_assert(offsetof(NDIlib_v6, send_destroy) == 8 * 9);
static_assert(offsetof(NDIlib_v6, send_get_no_connections) == 8 * 17);
static_assert(offsetof(NDIlib_v6, send_get_source_name) == 8 * 95);
static_assert(offsetof(NDIlib_v6, send_send_audio_v3) == 8 * 96);

static_assert(sizeof(NDIlib_send_create_t) == 24);
static_assert(offsetof(NDIlib_send_create_t, p_ndi_name) == 0);
static_assert(offsetof(NDIlib_send_create_t, p_groups) == 8);
static_assert(offsetof(NDIlib_send_create_t, clock_video) == 16);
static_assert(offsetof(NDIlib_send_create_t, clock_audio) == 17);

static_assert(sizeof(NDIlib_source_t) == 16);
static_assert(offsetof(NDIlib_source_t, p_ndi_name) == 0);
static_assert(offsetof(NDIlib_source_t, p_url_address) == 8);

static_assert(sizeof(NDIlib_audio_frame_v3_t) == 64);
static_assert(offsetof(NDIlib_audio_frame_v3_t, sample_rate) == 0);
static_assert(offsetof(NDIlib_audio_frame_v3_t, no_channels) == 4);
static_assert(offsetof(NDIlib_audio_frame_v3_t, no_samples) == 8);
static_assert(offsetof(NDIlib_audio_frame_v3_t, timecode) == 16);
static_assert(offsetof(NDIlib_audio_frame_v3_t, FourCC) == 24);
static_assert(offsetof(NDIlib_audio_frame_v3_t, p_data) == 32);
static_assert(offsetof(NDIlib_audio_frame_v3_t, channel_stride_in_bytes) == 40);
static_assert(offsetof(NDIlib_audio_frame_v3_t, p_metadata) == 48);
static_assert(offsetof(NDIlib_audio_frame_v3_t, timestamp) == 56);
#endif

}  // namespace relaycaster::ndi
