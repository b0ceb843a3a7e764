// AAC-LC through Windows' Media Foundation AAC encoder transform: 16-bit
// PCM in, raw 1024-sample AAC frames out (no ADTS, the SRT output adds its
// own headers), synchronously and in stream order.
#include <initguid.h>
#include <mfapi.h>
#include <mferror.h>
#include <mftransform.h>
#include <objbase.h>
#include <wmcodecdsp.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

#include "transport/srt/AacEncoder.h"
#include "transport/srt/Quantise.h"

namespace relaycaster::srt {
namespace {

constexpr const char* kNoMediaFoundation = "Windows' Media Foundation could not start, so there is no AAC encoder.";
constexpr const char* kNoAacEncoder =
    "Windows' AAC encoder is not available on this PC (an N edition needs the Media Feature Pack).";
constexpr UINT32 kAacLcLevel2 = 0x29;   // audio profile-level indication: AAC profile, level 2
constexpr UINT32 kRawAacPayload = 0;    // neither ADTS nor LATM
constexpr DWORD kMinOutputBuffer = 8192;
constexpr LONGLONG kHundredNanosecondsPerSecond = 10'000'000;

std::string refusedText(int sampleRate, int channels, int bitrateKbps) {
  return "Windows' AAC encoder refused " + std::to_string(sampleRate) + " Hz, " + std::to_string(channels) +
         " channel(s), " + std::to_string(bitrateKbps) + " kbps.";
}

template <class T>
struct ComRelease {
  void operator()(T* object) const {
    if (object) object->Release();
  }
};
template <class T>
using ComPtr = std::unique_ptr<T, ComRelease<T>>;

template <class Function>
Function procedure(HMODULE library, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

// Media Foundation's platform library, found at run time and kept for the
// process: N editions of Windows lack it until the Media Feature Pack is
// installed, and a plug-in that imported it directly would not load there
// at all instead of saying why it cannot encode AAC.
struct MediaFoundation {
  decltype(&::MFStartup) startup = nullptr;
  decltype(&::MFShutdown) shutdown = nullptr;
  decltype(&::MFCreateMediaType) createMediaType = nullptr;
  decltype(&::MFCreateMemoryBuffer) createMemoryBuffer = nullptr;
  decltype(&::MFCreateSample) createSample = nullptr;

  bool loaded() const { return startup && shutdown && createMediaType && createMemoryBuffer && createSample; }

  static const MediaFoundation& get() {
    static const MediaFoundation functions = load();
    return functions;
  }

 private:
  static MediaFoundation load() {
    MediaFoundation functions;
    HMODULE library = LoadLibraryExW(L"mfplat.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (library == nullptr) return functions;
    functions.startup = procedure<decltype(&::MFStartup)>(library, "MFStartup");
    functions.shutdown = procedure<decltype(&::MFShutdown)>(library, "MFShutdown");
    functions.createMediaType = procedure<decltype(&::MFCreateMediaType)>(library, "MFCreateMediaType");
    functions.createMemoryBuffer = procedure<decltype(&::MFCreateMemoryBuffer)>(library, "MFCreateMemoryBuffer");
    functions.createSample = procedure<decltype(&::MFCreateSample)>(library, "MFCreateSample");
    return functions;
  }
};

ComPtr<IMFMediaType> newMediaType() {
  IMFMediaType* type = nullptr;
  if (FAILED(MediaFoundation::get().createMediaType(&type))) return nullptr;
  return ComPtr<IMFMediaType>(type);
}

// Output (AAC) first, then input (PCM), as the encoder wants them.
bool setMediaTypes(IMFTransform& transform, int sampleRate, int channels, int bitrateKbps) {
  const ComPtr<IMFMediaType> output = newMediaType();
  const ComPtr<IMFMediaType> input = newMediaType();
  if (!output || !input) return false;
  const auto rate = static_cast<UINT32>(sampleRate);
  const auto channelCount = static_cast<UINT32>(channels);
  output->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Audio);
  output->SetGUID(MF_MT_SUBTYPE, MFAudioFormat_AAC);
  output->SetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, 16);
  output->SetUINT32(MF_MT_AUDIO_SAMPLES_PER_SECOND, rate);
  output->SetUINT32(MF_MT_AUDIO_NUM_CHANNELS, channelCount);
  output->SetUINT32(MF_MT_AUDIO_AVG_BYTES_PER_SECOND, static_cast<UINT32>(bitrateKbps) * 125);
  output->SetUINT32(MF_MT_AAC_PAYLOAD_TYPE, kRawAacPayload);
  output->SetUINT32(MF_MT_AAC_AUDIO_PROFILE_LEVEL_INDICATION, kAacLcLevel2);
  input->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Audio);
  input->SetGUID(MF_MT_SUBTYPE, MFAudioFormat_PCM);
  input->SetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, 16);
  input->SetUINT32(MF_MT_AUDIO_SAMPLES_PER_SECOND, rate);
  input->SetUINT32(MF_MT_AUDIO_NUM_CHANNELS, channelCount);
  input->SetUINT32(MF_MT_AUDIO_BLOCK_ALIGNMENT, channelCount * 2);
  input->SetUINT32(MF_MT_AUDIO_AVG_BYTES_PER_SECOND, rate * channelCount * 2);
  return SUCCEEDED(transform.SetOutputType(0, output.get(), 0)) && SUCCEEDED(transform.SetInputType(0, input.get(), 0));
}

ComPtr<IMFSample> sampleWithBuffer(DWORD bytes, ComPtr<IMFMediaBuffer>& buffer) {
  const MediaFoundation& mf = MediaFoundation::get();
  IMFMediaBuffer* rawBuffer = nullptr;
  IMFSample* rawSample = nullptr;
  if (FAILED(mf.createMemoryBuffer(bytes, &rawBuffer))) return nullptr;
  buffer.reset(rawBuffer);
  if (FAILED(mf.createSample(&rawSample))) return nullptr;
  ComPtr<IMFSample> sample(rawSample);
  if (FAILED(sample->AddBuffer(buffer.get()))) return nullptr;
  return sample;
}

class WinAacEncoder final : public AacEncoder {
 public:
  WinAacEncoder(IMFTransform* transform, int sampleRate, int channels, bool comInitialised)
      : mTransform(transform), mSampleRate(sampleRate), mChannels(channels), mComInitialised(comInitialised) {}

  ~WinAacEncoder() override {
    mTransform.reset();
    MediaFoundation::get().shutdown();
    if (mComInitialised) CoUninitialize();
  }

  void encode(const float* interleaved, int32_t frames, AacFrameSink sink) override {
    if (frames < 1 || interleaved == nullptr) return;
    const uint64_t samples = static_cast<uint64_t>(frames) * static_cast<uint64_t>(mChannels);
    if (samples * 2 > std::numeric_limits<DWORD>::max()) return;
    const auto bytes = static_cast<DWORD>(samples * 2);

    ComPtr<IMFMediaBuffer> buffer;
    const ComPtr<IMFSample> sample = sampleWithBuffer(bytes, buffer);
    if (!sample) return;
    BYTE* data = nullptr;
    if (FAILED(buffer->Lock(&data, nullptr, nullptr))) return;
    for (uint64_t i = 0; i < samples; ++i) {
      const int16_t value = quantise16(interleaved[i]);
      std::memcpy(data + i * 2, &value, sizeof value);
    }
    buffer->Unlock();
    buffer->SetCurrentLength(bytes);

    const LONGLONG duration = static_cast<LONGLONG>(frames) * kHundredNanosecondsPerSecond / mSampleRate;
    sample->SetSampleTime(mSampleTime);
    sample->SetSampleDuration(duration);
    mSampleTime += duration;
    mTransform->ProcessInput(0, sample.get(), 0);  // a refused block yields no frame, silently
    drain(sink);
  }

 private:
  // Takes every frame the transform has ready; it says "need more input"
  // once it has none.
  void drain(AacFrameSink sink) {
    MFT_OUTPUT_STREAM_INFO info{};
    if (FAILED(mTransform->GetOutputStreamInfo(0, &info))) return;
    for (;;) {
      ComPtr<IMFMediaBuffer> buffer;
      const ComPtr<IMFSample> sample = sampleWithBuffer(std::max<DWORD>(info.cbSize, kMinOutputBuffer), buffer);
      if (!sample) return;
      MFT_OUTPUT_DATA_BUFFER output{};
      output.dwStreamID = 0;
      output.pSample = sample.get();
      DWORD status = 0;
      const HRESULT result = mTransform->ProcessOutput(0, 1, &output, &status);
      if (output.pEvents) output.pEvents->Release();
      if (FAILED(result)) return;  // typically MF_E_TRANSFORM_NEED_MORE_INPUT
      BYTE* data = nullptr;
      DWORD length = 0;
      if (SUCCEEDED(buffer->Lock(&data, nullptr, &length))) {
        if (length != 0) sink(data, static_cast<int>(length));
        buffer->Unlock();
      }
      if (FAILED(mTransform->GetOutputStreamInfo(0, &info))) return;
    }
  }

  ComPtr<IMFTransform> mTransform;
  int mSampleRate;
  int mChannels;
  LONGLONG mSampleTime = 0;  // 100 ns units
  bool mComInitialised;      // this encoder's creation initialised COM on the thread
};

}  // namespace

std::unique_ptr<AacEncoder> createAacEncoder(int sampleRate, int channels, int bitrateKbps, std::string& error) {
  // S_FALSE (already initialised on this thread) still needs its balancing
  // CoUninitialize; a thread in another apartment model is tolerated.
  const bool comInitialised = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
  auto failWith = [&](std::string text) -> std::unique_ptr<AacEncoder> {
    if (comInitialised) CoUninitialize();
    error = std::move(text);
    return nullptr;
  };
  const MediaFoundation& mf = MediaFoundation::get();
  if (sampleRate <= 0 || channels < 1 || bitrateKbps <= 0) return failWith(refusedText(sampleRate, channels, bitrateKbps));
  if (!mf.loaded() || FAILED(mf.startup(MF_VERSION, MFSTARTUP_LITE))) return failWith(kNoMediaFoundation);

  IMFTransform* rawTransform = nullptr;
  if (FAILED(CoCreateInstance(CLSID_AACMFTEncoder, nullptr, CLSCTX_INPROC_SERVER, IID_IMFTransform,
                              reinterpret_cast<void**>(&rawTransform))) ||
      rawTransform == nullptr) {
    mf.shutdown();
    return failWith(kNoAacEncoder);
  }
  ComPtr<IMFTransform> transform(rawTransform);
  if (!setMediaTypes(*transform, sampleRate, channels, bitrateKbps)) {
    transform.reset();
    mf.shutdown();
    return failWith(refusedText(sampleRate, channels, bitrateKbps));
  }
  transform->ProcessMessage(MFT_MESSAGE_NOTIFY_BEGIN_STREAMING, 0);
  transform->ProcessMessage(MFT_MESSAGE_NOTIFY_START_OF_STREAM, 0);
  return std::make_unique<WinAacEncoder>(transform.release(), sampleRate, channels, comInitialised);
}

}  // namespace relaycaster::srt
