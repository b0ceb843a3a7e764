#include "transport/srt/SrtOutput.h"

#include <algorithm>
#include <numeric>

#include "transport/FeedReader.h"
#include "transport/srt/Adts.h"

namespace relaycaster {
namespace {

constexpr int kPcmRate = 48000;
constexpr int kAacFrameSamples = 1024;
constexpr int kAutoBitrateMono = 96;
constexpr int kAutoBitrateStereo = 192;
constexpr size_t kAacFrameCapacity = adts::kMaxFrameBytes + 1;

// PCM always goes out at 48 kHz; AAC keeps 44.1 or 48 kHz hosts as they are.
int outputRateFor(int codec, int hostRate) {
  if (codec == SrtOutput::kCodecAac && (hostRate == 44100 || hostRate == 48000)) return hostRate;
  return kPcmRate;
}

uint64_t ticksFor(uint64_t samples, int rate) { return samples * 90000u / static_cast<uint64_t>(rate); }

}  // namespace

SrtOutput::SrtOutput() {
  mResampler.init(mOutRate, mOutRate, mChannels);
  mFrameBytes.reserve(kAacFrameCapacity);
}

SrtOutput::~SrtOutput() = default;

bool SrtOutput::configure(const SrtSettings& settings, int hostRate, int channels, std::string& error) {
  mCodec = settings.codec == kCodecPcm ? kCodecPcm : kCodecAac;
  mChannels = std::clamp(channels, 1, 2);  // the feed carries one or two channels
  mOutRate = outputRateFor(mCodec, hostRate);
  mResampler.init(hostRate, mOutRate, mChannels);
  mSettings = settings;
  mBitrateKbps = settings.bitrateKbps > 0 ? settings.bitrateKbps
                                          : (mChannels == 1 ? kAutoBitrateMono : kAutoBitrateStereo);
  reserveAacInput(hostRate);
  mEncoder.reset();
  if (mCodec == kCodecAac) {
    mEncoder = srt::createAacEncoder(mOutRate, mChannels, mBitrateKbps, error);
    if (!mEncoder) return false;
  }
  restartStream();  // the encoder just made is as fresh as reset() would make it
  return true;
}

void SrtOutput::reset() {
  restartStream();
  if (mCodec == kCodecAac) {
    // A new receiver gets a fresh encoder, so its stream starts with the
    // encoder's first frame. Failure leaves no encoder until the next
    // configure, which reports it.
    std::string ignored;
    mEncoder.reset();
    mEncoder = srt::createAacEncoder(mOutRate, mChannels, mBitrateKbps, ignored);
  }
}

void SrtOutput::restartStream() {
  mMuxer.reset(mCodec == kCodecPcm, mSettings.serviceName);
  mSampleCounter = 0;
  mPcmCount = 0;
}

void SrtOutput::consumeBlock(const float* samples, int stride, int frames, MessageSink& sink) {
  if (samples == nullptr || frames < 1) return;
  mAacInput.clear();
  mResampler.process(samples, stride, frames, [this, &sink](const float* frame) {
    if (mCodec == kCodecPcm) {
      takePcmFrame(frame, sink);
    } else {
      mAacInput.insert(mAacInput.end(), frame, frame + mChannels);
    }
  });
  if (mCodec != kCodecAac || !mEncoder || mAacInput.empty()) return;
  auto onFrame = [this, &sink](const uint8_t* data, int size) { takeAacFrame(data, size, sink); };
  mEncoder->encode(mAacInput.data(), static_cast<int32_t>(mAacInput.size() / static_cast<size_t>(mChannels)),
                   onFrame);
}

int SrtOutput::outputRate() const { return mOutRate; }

void SrtOutput::takePcmFrame(const float* frame, MessageSink& sink) {
  mPcmLeft[static_cast<size_t>(mPcmCount)] = frame[0];
  mPcmRight[static_cast<size_t>(mPcmCount)] = frame[mChannels > 1 ? 1 : 0];  // mono goes out on both
  if (++mPcmCount < Smpte302mPacker::kFramesPerGroup) return;
  mPcmCount = 0;
  mFrameBytes.resize(Smpte302mPacker::kGroupBytes);
  mPacker.pack(mPcmLeft.data(), mPcmRight.data(), Smpte302mPacker::kFramesPerGroup, mFrameBytes.data());
  writeAccessUnit(mFrameBytes.size(), sink);
  mSampleCounter += Smpte302mPacker::kFramesPerGroup;
}

void SrtOutput::takeAacFrame(const uint8_t* data, int size, MessageSink& sink) {
  if (size < 0 || size + adts::kHeaderBytes > static_cast<int>(mFrameBytes.capacity())) return;
  mFrameBytes.resize(static_cast<size_t>(size + adts::kHeaderBytes));
  // An unsupported rate or channel count has no ADTS header: the frame is
  // dropped and stream time stands still.
  if (!adts::writeHeader(mOutRate, mChannels, size, mFrameBytes.data())) return;
  std::copy(data, data + size, mFrameBytes.begin() + adts::kHeaderBytes);
  writeAccessUnit(mFrameBytes.size(), sink);
  mSampleCounter += kAacFrameSamples;
}

void SrtOutput::writeAccessUnit(size_t size, MessageSink& sink) {
  // Recomputed from the sample count, so 44.1 kHz AAC does not drift.
  mMuxer.writeAccessUnit(mFrameBytes.data(), size, ticksFor(mSampleCounter, mOutRate), sink);
}

void SrtOutput::reserveAacInput(int hostRate) {
  // The most output frames one block can give: a full-stride block at the
  // host rate, converted, plus one for the phase carried over.
  if (hostRate <= 0) hostRate = mOutRate;
  const uint64_t divisor = static_cast<uint64_t>(std::gcd(hostRate, mOutRate));
  const uint64_t up = static_cast<uint64_t>(mOutRate) / divisor;
  const uint64_t down = static_cast<uint64_t>(hostRate) / divisor;
  const uint64_t maxFrames = (static_cast<uint64_t>(FeedReader::kBlockStride) * up + down - 1) / down + 1;
  mAacInput.reserve(static_cast<size_t>(maxFrames) * static_cast<size_t>(mChannels));
}

}  // namespace relaycaster
