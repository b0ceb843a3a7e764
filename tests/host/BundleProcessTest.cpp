// Audio through the built bundle, 32 and 64 bit, and the state round trip.
#include <cmath>
#include <random>
#include <vector>

#include "BundleFixture.h"

namespace hosttest {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

constexpr ParamID kBypassParam = 0;
constexpr ParamID kNdiOnParam = 1;
constexpr ParamID kSrtOnParam = 4;
constexpr ParamID kSrtPortParam = 8;
constexpr ParamID kHostBypassParam = 65536;

/// Channel buffers as a host holds them: one vector per channel and the
/// pointer array the process call takes.
template <class Sample>
struct Channels {
  Channels(int channels, int frames) : data(static_cast<size_t>(channels), std::vector<Sample>(frames)) {
    for (auto& channel : data) pointers.push_back(channel.data());
  }
  std::vector<std::vector<Sample>> data;
  std::vector<Sample*> pointers;
};

/// A different noise per channel, loud and quiet, with exact small values
/// and denormals, so any change to a sample shows.
template <class Sample>
void FillNoise(Channels<Sample>& channels, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> noise(-1.0, 1.0);
  for (auto& channel : channels.data) {
    for (size_t i = 0; i < channel.size(); ++i) channel[i] = static_cast<Sample>(noise(random) * (i % 7 == 0 ? 1e-3 : 1.0));
    channel[0] = std::numeric_limits<Sample>::denorm_min();
  }
}

class BundleProcessing : public BundleFixture, public ::testing::WithParamInterface<bool> {
 protected:
  /// Runs `blocks` blocks of varied sizes through the plug-in and expects
  /// every output sample to equal its input sample exactly.
  template <class Sample>
  void ExpectBitExactPassThrough(int channels, int blocks, vst3host::ParameterChanges* firstChanges = nullptr) {
    constexpr int kMaxBlock = 256;
    Channels<Sample> in(channels, kMaxBlock);
    Channels<Sample> out(channels, kMaxBlock);
    const int sizes[] = {256, 1, 64, 255, 0, 128};
    for (int block = 0; block < blocks; ++block) {
      const int frames = sizes[block % std::size(sizes)];
      FillNoise(in, static_cast<unsigned>(block));
      for (auto& channel : out.data) std::fill(channel.begin(), channel.end(), Sample(99));
      vst3host::ParameterChanges* changes = block == 0 ? firstChanges : nullptr;
      tresult result;
      if constexpr (std::is_same_v<Sample, float>)
        result = instance->Process32(in.pointers.data(), channels, out.pointers.data(), channels, frames, changes);
      else
        result = instance->Process64(in.pointers.data(), channels, out.pointers.data(), channels, frames, changes);
      ASSERT_EQ(result, kResultOk);
      for (int c = 0; c < channels; ++c)
        for (int i = 0; i < frames; ++i)
          ASSERT_EQ(out.data[c][i], in.data[c][i]) << "channel " << c << " frame " << i << " block " << block;
    }
  }

  void SwitchTransports(bool on) {
    ASSERT_EQ(instance->SetParamNormalized(kNdiOnParam, on ? 1.0 : 0.0), kResultOk);
    ASSERT_EQ(instance->SetParamNormalized(kSrtOnParam, on ? 1.0 : 0.0), kResultOk);
  }
};

TEST_P(BundleProcessing, PassesAudioBitExactlyWithTransportsOffAndOn) {
  const bool use64 = GetParam();
  ASSERT_EQ(instance->SetChannels(2, 2), kResultOk);
  ASSERT_EQ(instance->Setup(48000.0, 256, use64), kResultOk);
  ASSERT_EQ(instance->Activate(true), kResultOk);
  for (bool transportsOn : {false, true}) {
    SCOPED_TRACE(transportsOn ? "transports on" : "transports off");
    SwitchTransports(transportsOn);
    if (use64) ExpectBitExactPassThrough<double>(2, 40);
    else ExpectBitExactPassThrough<float>(2, 40);
  }
  SwitchTransports(false);
}

TEST_P(BundleProcessing, MonoAndHostBypassAndAutomationPassAudio) {
  const bool use64 = GetParam();
  ASSERT_EQ(instance->SetChannels(1, 1), kResultOk);
  ASSERT_EQ(instance->Setup(44100.0, 256, use64), kResultOk);
  ASSERT_EQ(instance->Activate(true), kResultOk);
  vst3host::ParameterChanges changes;
  changes.Add(kHostBypassParam, 1.0);
  changes.Add(kBypassParam, 1.0);
  if (use64) ExpectBitExactPassThrough<double>(1, 12, &changes);
  else ExpectBitExactPassThrough<float>(1, 12, &changes);
  // Automation arriving with audio reaches the controller's view.
  EXPECT_DOUBLE_EQ(instance->ParamNormalized(kHostBypassParam), 1.0);
  EXPECT_DOUBLE_EQ(instance->ParamNormalized(kBypassParam), 1.0);
}

INSTANTIATE_TEST_SUITE_P(SampleSizes, BundleProcessing, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Bits64" : "Bits32"; });

TEST_F(BundleFixture, ProcessingBeforeSetupOrWithoutBuffersIsHarmless) {
  float sample = 0.5f;
  float* channel = &sample;
  EXPECT_NE(instance->Process32(&channel, 1, &channel, 1, 1), kResultOk);  // not set up
  ASSERT_EQ(instance->Setup(48000.0, 64, false), kResultOk);
  ASSERT_EQ(instance->Activate(true), kResultOk);
  EXPECT_EQ(instance->Process32(nullptr, 0, nullptr, 0, 64), kResultOk);
  EXPECT_EQ(instance->Process32(nullptr, 0, nullptr, 0, 0), kResultOk);  // a flush
  Channels<float> out(2, 64);
  out.data[0][0] = 3.0f;
  EXPECT_EQ(instance->Process32(nullptr, 0, out.pointers.data(), 2, 64), kResultOk);
  EXPECT_EQ(out.data[0][0], 0.0f);  // no input: silence
}

TEST_F(BundleFixture, StateRestoresEverySettingAndTheHostBypass) {
  // A non-default value for every parameter.
  const auto parameters = instance->Parameters();
  std::vector<double> wanted;
  for (const auto& p : parameters) {
    const double normalized = p.stepCount > 0 ? (p.defaultNormalized < 0.5 ? 1.0 : 0.0) : 0.37;
    ASSERT_EQ(instance->SetParamNormalized(p.id, normalized), kResultOk);
    wanted.push_back(instance->ParamNormalized(p.id));
  }
  ASSERT_DOUBLE_EQ(instance->ParamNormalized(kHostBypassParam), 1.0);
  std::vector<uint8_t> state;
  ASSERT_TRUE(instance->SaveState(state));
  ASSERT_GE(state.size(), 4u);
  EXPECT_EQ(state[state.size() - 4], 1);  // the host bypass follows the plug-in's chunk

  auto restored = NewInstance();
  ASSERT_TRUE(restored);
  ASSERT_EQ(restored->LoadState(state), kResultOk);
  for (size_t i = 0; i < parameters.size(); ++i) {
    SCOPED_TRACE(parameters[i].title);
    EXPECT_NEAR(restored->ParamNormalized(parameters[i].id), wanted[i], 1e-12);
  }
  std::vector<uint8_t> again;
  ASSERT_TRUE(restored->SaveState(again));
  EXPECT_EQ(again, state);

  // The bypass is restored off as faithfully as on.
  ASSERT_EQ(instance->SetParamNormalized(kHostBypassParam, 0.0), kResultOk);
  ASSERT_TRUE(instance->SaveState(state));
  ASSERT_EQ(restored->LoadState(state), kResultOk);
  EXPECT_DOUBLE_EQ(restored->ParamNormalized(kHostBypassParam), 0.0);
}

TEST_F(BundleFixture, GarbageStateIsRefusedWithoutHarm) {
  ASSERT_EQ(instance->SetParamNormalized(kSrtPortParam, 0.5), kResultOk);
  // Too short for even the plainest state: twelve doubles.
  for (std::vector<uint8_t> garbage : {std::vector<uint8_t>{}, std::vector<uint8_t>{1, 2, 3},
                                       std::vector<uint8_t>(95, 0xFF)}) {
    SCOPED_TRACE(garbage.size());
    EXPECT_NE(instance->LoadState(garbage), kResultOk);
  }
  // The plug-in is still whole: it saves and restores itself.
  std::vector<uint8_t> state;
  ASSERT_TRUE(instance->SaveState(state));
  EXPECT_EQ(instance->LoadState(state), kResultOk);
  EXPECT_EQ(instance->Component()->setState(nullptr), kInvalidArgument);
  EXPECT_EQ(instance->Component()->getState(nullptr), kInvalidArgument);

  // The controller's own state carries nothing.
  vst3host::MemoryStream controllerState;
  EXPECT_EQ(instance->Controller()->getState(&controllerState), kResultOk);
  EXPECT_TRUE(controllerState.Bytes().empty());
  EXPECT_EQ(instance->Controller()->setState(&controllerState), kResultOk);
}

}  // namespace
}  // namespace hosttest
