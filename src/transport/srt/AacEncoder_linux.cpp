// AAC-LC through libavcodec's native "aac" encoder, for platforms without
// Media Foundation. Same contract as the Windows encoder: 16-bit input
// quantisation, raw 1024-sample frames out, synchronously and in order.
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
}

#include "transport/srt/AacEncoder.h"
#include "transport/srt/Quantise.h"

namespace relaycaster::srt {
namespace {

constexpr int kFrameSamples = 1024;

// The plug-in prints nothing: libavcodec's log would go to the host's stderr.
void silenceLibavLogging() {
  av_log_set_level(AV_LOG_QUIET);
}

std::string refusedText(int sampleRate, int channels, int bitrateKbps) {
  return "The AAC encoder refused " + std::to_string(sampleRate) + " Hz, " + std::to_string(channels) +
         " channel(s), " + std::to_string(bitrateKbps) + " kbps.";
}

class LibavAacEncoder final : public AacEncoder {
 public:
  ~LibavAacEncoder() override {
    // Frames still buffered or inside the encoder are dropped: a stream
    // that ends has no receiver for them.
    av_packet_free(&mPacket);
    av_frame_free(&mFrame);
    avcodec_free_context(&mContext);
  }

  /// Null with `error` set when libavcodec has no AAC encoder or refuses
  /// the settings.
  static std::unique_ptr<AacEncoder> create(int sampleRate, int channels, int bitrateKbps, std::string& error);

  void encode(const float* interleaved, int32_t frames, AacFrameSink sink) override {
    if (frames < 1 || interleaved == nullptr) return;
    for (int32_t i = 0; i < frames; ++i) {
      const float* frame = interleaved + static_cast<size_t>(i) * static_cast<size_t>(mChannels);
      // The encoder takes planar float; it gets exactly the 16-bit signal.
      for (int c = 0; c < mChannels; ++c)
        reinterpret_cast<float*>(mFrame->data[c])[mFill] = static_cast<float>(quantise16(frame[c])) / 32768.0f;
      if (++mFill == kFrameSamples) encodeFrame(sink);
    }
  }

 private:
  LibavAacEncoder() = default;

  void encodeFrame(AacFrameSink sink) {
    mFill = 0;
    mFrame->pts = mNextPts;
    mNextPts += kFrameSamples;
    if (avcodec_send_frame(mContext, mFrame) < 0) return;  // silent: this frame is lost
    while (avcodec_receive_packet(mContext, mPacket) == 0) {
      if (mPacket->size > 0) sink(mPacket->data, mPacket->size);
      av_packet_unref(mPacket);
    }
    // The encoder has let go of the samples by now; this only allocates if
    // it kept a reference.
    av_frame_make_writable(mFrame);
  }

  AVCodecContext* mContext = nullptr;
  AVFrame* mFrame = nullptr;  // one 1024-sample planar frame, refilled in place
  AVPacket* mPacket = nullptr;
  int mChannels = 0;
  int mFill = 0;  // samples per channel collected in mFrame
  int64_t mNextPts = 0;
};

std::unique_ptr<AacEncoder> LibavAacEncoder::create(int sampleRate, int channels, int bitrateKbps,
                                                    std::string& error) {
  silenceLibavLogging();
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
  if (codec == nullptr) {
    error = "The AAC encoder is not available on this system.";
    return nullptr;
  }
  std::unique_ptr<LibavAacEncoder> encoder(new LibavAacEncoder());
  encoder->mChannels = channels;
  encoder->mContext = avcodec_alloc_context3(codec);
  encoder->mFrame = av_frame_alloc();
  encoder->mPacket = av_packet_alloc();
  AVCodecContext* context = encoder->mContext;
  const bool supported = sampleRate > 0 && channels >= 1 && channels <= 2 && bitrateKbps > 0;
  if (context == nullptr || encoder->mFrame == nullptr || encoder->mPacket == nullptr || !supported) {
    error = refusedText(sampleRate, channels, bitrateKbps);
    return nullptr;
  }
  context->sample_fmt = AV_SAMPLE_FMT_FLTP;
  context->sample_rate = sampleRate;
  av_channel_layout_default(&context->ch_layout, channels);
  context->bit_rate = static_cast<int64_t>(bitrateKbps) * 1000;
  context->profile = FF_PROFILE_AAC_LOW;
  context->time_base = AVRational{1, sampleRate};
  context->flags &= ~AV_CODEC_FLAG_GLOBAL_HEADER;  // raw frames, no extradata-only configuration
  if (avcodec_open2(context, codec, nullptr) < 0 || context->frame_size != kFrameSamples) {
    error = refusedText(sampleRate, channels, bitrateKbps);
    return nullptr;
  }
  AVFrame* frame = encoder->mFrame;
  frame->format = AV_SAMPLE_FMT_FLTP;
  frame->nb_samples = kFrameSamples;
  frame->sample_rate = sampleRate;
  if (av_channel_layout_copy(&frame->ch_layout, &context->ch_layout) < 0 || av_frame_get_buffer(frame, 0) < 0) {
    error = refusedText(sampleRate, channels, bitrateKbps);
    return nullptr;
  }
  return encoder;
}

}  // namespace

std::unique_ptr<AacEncoder> createAacEncoder(int sampleRate, int channels, int bitrateKbps, std::string& error) {
  return LibavAacEncoder::create(sampleRate, channels, bitrateKbps, error);
}

}  // namespace relaycaster::srt
