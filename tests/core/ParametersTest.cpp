#include <gtest/gtest.h>

#include <cmath>

#include "core/Relaycaster.h"

namespace relaycaster {
namespace {

const char* kDot = "\xC2\xB7";  // U+00B7 MIDDLE DOT

std::string Text(Relaycaster& plugin, int index, double value) { return plugin.GetParam(index)->DisplayText(value); }

TEST(ParameterTexts, LevelsShowMinusInfinityAtTheBottom) {
  Relaycaster plugin;
  for (int level : {kNdiLevel, kSrtLevel}) {
    EXPECT_EQ(Text(plugin, level, -60.0), "-inf");
    EXPECT_EQ(Text(plugin, level, -59.9), "-59.9");
    EXPECT_EQ(Text(plugin, level, 12.0), "12.0");
    EXPECT_EQ(Text(plugin, level, 0.0), "0.0");
    EXPECT_EQ(plugin.GetParam(level)->Label(), "dB");
  }
  EXPECT_EQ(levelText(-59.999999999), "-inf");
  EXPECT_EQ(levelText(-59.99999999), "-60.0");
  EXPECT_EQ(levelText(std::nan("")), "-inf");
}

TEST(ParameterTexts, BufferShowsMillisecondsAndSamplesAtTheHostRate) {
  Relaycaster plugin;
  EXPECT_EQ(Text(plugin, kNdiBuffer, 40.0), std::string("40 ms ") + kDot + " 1920");
  plugin.SetSampleRate(44100.0);
  EXPECT_EQ(Text(plugin, kSrtBuffer, 40.0), std::string("40 ms ") + kDot + " 1764");
  EXPECT_EQ(bufferText(10.5, 48000.0), std::string("11 ms ") + kDot + " 504");    // halves away from zero
  EXPECT_EQ(bufferText(1000.0, 192000.0), std::string("1000 ms ") + kDot + " 192000");
  EXPECT_EQ(plugin.GetParam(kNdiBuffer)->Label(), "smp");
}

TEST(ParameterTexts, AutomaticBitrateFollowsTheSrtFeedsChannels) {
  Relaycaster plugin;
  EXPECT_EQ(Text(plugin, kSrtBitrate, 0), "auto 192 kbps");  // before any audio: stereo
  plugin.srtFeed().enable();
  double mono[4] = {0.1, 0.2, 0.3, 0.4};
  double* inputs[] = {mono};
  double out[4];
  double* outputs[] = {out};
  plugin.ProcessBuffers(inputs, 1, outputs, 1, 4);
  EXPECT_EQ(Text(plugin, kSrtBitrate, 0), "auto 96 kbps");
  EXPECT_EQ(Text(plugin, kSrtBitrate, 1), "96 kbps");
  EXPECT_EQ(Text(plugin, kSrtBitrate, 4), "192 kbps");
}

TEST(ParameterTexts, ListsSwitchesAndNumbers) {
  Relaycaster plugin;
  EXPECT_EQ(Text(plugin, kBypass, 0), "off");
  EXPECT_EQ(Text(plugin, kNdiOn, 1), "on");
  EXPECT_EQ(Text(plugin, kSrtMode, 1), "Listener");
  EXPECT_EQ(Text(plugin, kSrtCodec, 0), "AAC");
  EXPECT_EQ(Text(plugin, kSrtCodec, 1), "PCM");
  EXPECT_EQ(Text(plugin, kSrtPort, 9000), "9000");
  EXPECT_EQ(Text(plugin, kSrtLatency, 119.5), "120");
  EXPECT_EQ(plugin.GetParam(kSrtLatency)->Label(), "ms");
}

TEST(ParameterMappings, DefaultsNamesAndRanges) {
  Relaycaster plugin;
  ASSERT_EQ(plugin.NParams(), 12);
  const char* names[] = {"Bypass", "NDI", "NDI level", "NDI buffer", "SRT", "SRT mode", "SRT codec",
                         "SRT bitrate", "SRT port", "SRT latency", "SRT level", "SRT buffer"};
  const double defaults[] = {0, 1, 0, 40, 0, 0, 0, 0, 9000, 200, 0, 40};
  for (int i = 0; i < kParamCount; ++i) {
    EXPECT_EQ(plugin.GetParam(i)->Name(), names[i]);
    EXPECT_EQ(plugin.GetParam(i)->Value(), defaults[i]) << names[i];
  }
}

TEST(ParameterMappings, ExponentialBuffersAndLatency) {
  Relaycaster plugin;
  const framework::IParam& buffer = *plugin.GetParam(kNdiBuffer);
  EXPECT_DOUBLE_EQ(buffer.FromNormalized(0.0), 10.0);
  EXPECT_DOUBLE_EQ(buffer.FromNormalized(0.5), 100.0);
  EXPECT_NEAR(buffer.FromNormalized(1.0), 1000.0, 1e-9);
  EXPECT_NEAR(buffer.ToNormalized(40.0), std::log(4.0) / std::log(100.0), 1e-12);
  const framework::IParam& latency = *plugin.GetParam(kSrtLatency);
  EXPECT_DOUBLE_EQ(latency.FromNormalized(0.0), 20.0);
  EXPECT_NEAR(latency.FromNormalized(0.5), 400.0, 1e-9);
  EXPECT_NEAR(latency.FromNormalized(1.0), 8000.0, 1e-9);
  for (double n : {0.0, 0.123, 0.5, 0.999, 1.0}) EXPECT_NEAR(latency.ToNormalized(latency.FromNormalized(n)), n, 1e-12);
}

TEST(ParameterMappings, LinearLevelsAndSteppedLists) {
  Relaycaster plugin;
  framework::IParam& level = *plugin.GetParam(kSrtLevel);
  EXPECT_DOUBLE_EQ(level.FromNormalized(0.0), -60.0);
  EXPECT_DOUBLE_EQ(level.FromNormalized(1.0), 12.0);
  EXPECT_DOUBLE_EQ(level.ToNormalized(0.0), 60.0 / 72.0);
  level.Set(99.0);
  EXPECT_EQ(level.Value(), 12.0);
  level.Set(-0.05);  // continuous values are not stepped
  EXPECT_EQ(level.Value(), -0.05);

  framework::IParam& port = *plugin.GetParam(kSrtPort);
  port.Set(0);
  EXPECT_EQ(port.Value(), 1);
  port.Set(70000);
  EXPECT_EQ(port.Value(), 65535);
  port.Set(9000.5);
  EXPECT_EQ(port.Value(), 9001);  // halves away from zero

  framework::IParam& bitrate = *plugin.GetParam(kSrtBitrate);
  bitrate.Set(2.4);
  EXPECT_EQ(bitrate.Value(), 2);
  bitrate.SetNormalized(0.6);  // 2.4 of 4 steps
  EXPECT_EQ(bitrate.Value(), 2);
  bitrate.Set(std::nan(""));
  EXPECT_EQ(bitrate.Value(), 0);  // garbage becomes the default
  EXPECT_EQ(bitrate.StepCount(), 4);
  EXPECT_EQ(plugin.GetParam(kBypass)->StepCount(), 1);
  EXPECT_EQ(plugin.GetParam(kSrtLevel)->StepCount(), 0);
}

TEST(ParameterMappings, GainFromLevel) {
  EXPECT_EQ(levelToGain(-60.0), 0.0f);
  EXPECT_EQ(levelToGain(-59.999999999), 0.0f);
  EXPECT_GT(levelToGain(-59.99), 0.0f);
  EXPECT_FLOAT_EQ(levelToGain(0.0), 1.0f);
  EXPECT_FLOAT_EQ(levelToGain(-6.0), 0.50118723f);
  EXPECT_FLOAT_EQ(levelToGain(12.0), 3.9810717f);
  EXPECT_EQ(bitrateKbpsForValue(0), 0);
  EXPECT_EQ(bitrateKbpsForValue(3.9), 160);
  EXPECT_EQ(bitrateKbpsForValue(17), 192);
  EXPECT_EQ(bitrateKbpsForValue(-1), 0);
}

}  // namespace
}  // namespace relaycaster
