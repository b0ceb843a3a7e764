// IPlugVST3's processing: buffers, channel counts, parameter changes
// arriving with audio, and no allocation or lock on the audio thread.
#include <gtest/gtest.h>

#include <vector>

#include "HostObjects.h"
#include "TestPlugin.h"
#include "support/AllocationCounter.h"

namespace vst3test {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

class BindingProcess : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(bound.effect->initialize(host.Context()), kResultOk); }
  void TearDown() override { bound.effect->terminate(); }

  tresult Setup(int32 sampleSize, int maxBlock, int32 mode = kRealtime, double rate = 48000.0) {
    ProcessSetup setup{mode, sampleSize, maxBlock, rate};
    return bound.effect->setupProcessing(setup);
  }

  /// One block through IAudioProcessor::process with host-owned buses.
  template <class Sample>
  tresult Process(std::vector<Sample*>& inputs, std::vector<Sample*>& outputs, int frames,
                  IParameterChanges* changes = nullptr, int32 mode = kRealtime) {
    AudioBusBuffers in{};
    AudioBusBuffers out{};
    in.numChannels = static_cast<int32>(inputs.size());
    out.numChannels = static_cast<int32>(outputs.size());
    if constexpr (sizeof(Sample) == 8) {
      in.channelBuffers64 = inputs.data();
      out.channelBuffers64 = outputs.data();
    } else {
      in.channelBuffers32 = inputs.data();
      out.channelBuffers32 = outputs.data();
    }
    ProcessData data;
    data.processMode = mode;
    data.symbolicSampleSize = sizeof(Sample) == 8 ? kSample64 : kSample32;
    data.numSamples = frames;
    data.numInputs = 1;
    data.numOutputs = 1;
    data.inputs = &in;
    data.outputs = &out;
    data.inputParameterChanges = changes;
    data.processContext = &context;
    return bound.effect->process(data);
  }

  BoundPlugin bound;
  vst3host::HostApplication host;
  ProcessContext context{};
};

TEST_F(BindingProcess, ThirtyTwoBitBlocksLongerThanTheSetupAreSliced) {
  ASSERT_EQ(Setup(kSample32, 64), kResultOk);
  ASSERT_EQ(bound.effect->setProcessing(true), kResultOk);
  std::vector<float> left(200), right(200), outLeft(200, 9.f), outRight(200, 9.f);
  for (int i = 0; i < 200; ++i) left[i] = static_cast<float>(i) * 0.001f, right[i] = -left[i];
  std::vector<float*> in = {left.data(), right.data()}, out = {outLeft.data(), outRight.data()};
  ASSERT_EQ(Process(in, out, 200), kResultOk);
  EXPECT_EQ(outLeft, left);
  EXPECT_EQ(outRight, right);
  EXPECT_EQ(bound.plugin->renderedFrames.load(), 200);

  // In place: the host's input buffers are its outputs.
  const std::vector<float> original = left;
  ASSERT_EQ(Process(in, in, 200), kResultOk);
  EXPECT_EQ(left, original);
}

TEST_F(BindingProcess, ChannelCountsFollowTheArrangementAndActiveBuses) {
  ASSERT_EQ(Setup(kSample64, 32), kResultOk);
  std::vector<double> a(32, 0.5), b(32, 0.25), c(32), d(32);
  std::vector<double*> stereoIn = {a.data(), b.data()}, stereoOut = {c.data(), d.data()};
  ASSERT_EQ(Process(stereoIn, stereoOut, 32), kResultOk);
  EXPECT_EQ(bound.plugin->lastInputs.load(), 2);

  SpeakerArrangement mono = SpeakerArr::kMono;
  ASSERT_EQ(bound.effect->setBusArrangements(&mono, 1, &mono, 1), kResultOk);
  ASSERT_EQ(Process(stereoIn, stereoOut, 32), kResultOk);  // a host sending more than arranged
  EXPECT_EQ(bound.plugin->lastInputs.load(), 1);
  EXPECT_EQ(bound.plugin->lastOutputs.load(), 1);

  ASSERT_EQ(bound.effect->activateBus(kAudio, kInput, 0, false), kResultOk);
  ASSERT_EQ(Process(stereoIn, stereoOut, 32), kResultOk);
  EXPECT_EQ(bound.plugin->lastInputs.load(), 0);
  EXPECT_EQ(c[0], 0.0);  // no input: silence

  std::vector<double*> missing = {nullptr};
  ASSERT_EQ(bound.effect->activateBus(kAudio, kInput, 0, true), kResultOk);
  ASSERT_EQ(Process(missing, stereoOut, 32), kResultOk);
  EXPECT_EQ(bound.plugin->lastInputs.load(), 0);  // a null channel counts as none
}

TEST_F(BindingProcess, OfflineFlagAndContextFollowEachBlock) {
  ASSERT_EQ(Setup(kSample32, 32), kResultOk);
  std::vector<float> a(32), b(32);
  std::vector<float*> in = {a.data()}, out = {b.data()};
  context.projectTimeSamples = 4800;
  ASSERT_EQ(Process(in, out, 32, nullptr, kOffline), kResultOk);
  EXPECT_TRUE(bound.plugin->GetRenderingOffline());
  EXPECT_EQ(bound.effect->LastProcessContext().projectTimeSamples, 4800);
  ASSERT_EQ(Process(in, out, 32, nullptr, kPrefetch), kResultOk);
  EXPECT_FALSE(bound.plugin->GetRenderingOffline());
  EXPECT_DOUBLE_EQ(bound.plugin->GetSampleRate(), 48000.0);
  EXPECT_EQ(bound.plugin->GetBlockSize(), 32);
}

TEST_F(BindingProcess, SetupIsCheckedAndRefusedWhileProcessing) {
  EXPECT_EQ(Setup(kSample32, 0), kInvalidArgument);
  EXPECT_EQ(Setup(kSample32, 64, kRealtime, 0.0), kInvalidArgument);
  EXPECT_EQ(Setup(7, 64), kResultFalse);
  std::vector<float> a(8);
  std::vector<float*> in = {a.data()};
  EXPECT_EQ(Process(in, in, 8), kNotInitialized);
  ASSERT_EQ(Setup(kSample32, 64), kResultOk);
  ASSERT_EQ(bound.effect->setProcessing(true), kResultOk);
  EXPECT_EQ(Setup(kSample32, 128), kResultFalse);
  SpeakerArrangement mono = SpeakerArr::kMono;
  EXPECT_EQ(bound.effect->setBusArrangements(&mono, 1, &mono, 1), kResultFalse);
  ASSERT_EQ(bound.effect->setProcessing(false), kResultOk);
  EXPECT_EQ(bound.effect->setBusArrangements(&mono, 1, &mono, 1), kResultOk);
}

TEST_F(BindingProcess, ParameterChangesWithAudioApplyTheLastPointAndReachTheUiOnTheTick) {
  ASSERT_EQ(Setup(kSample32, 64), kResultOk);
  std::vector<float> a(64), b(64);
  std::vector<float*> in = {a.data()}, out = {b.data()};
  vst3host::ParameterChanges changes;
  changes.Add(TestPlugin::kGain, 0.1, 0);
  changes.Add(TestPlugin::kGain, 1.0, 40);  // the block's last point counts
  changes.Add(TestPlugin::kMode, 0.5, 3);
  changes.Add(65536, 1.0, 0);             // the host bypass
  changes.Add(4711, 1.0, 0);              // unknown ids are ignored
  ASSERT_EQ(Process(in, out, 0, &changes), kResultOk);  // a flush still takes parameters
  EXPECT_DOUBLE_EQ(bound.plugin->GetParam(TestPlugin::kGain)->Value(), 12.0);
  EXPECT_DOUBLE_EQ(bound.plugin->GetParam(TestPlugin::kMode)->Value(), 1.0);
  EXPECT_TRUE(bound.plugin->GetHostBypassed());
  EXPECT_DOUBLE_EQ(bound.effect->getParamNormalized(65536), 1.0);

  // The user-interface side hears of the changes from the idle tick.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (bound.plugin->UiChanges().size() < 2 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  const auto changed = bound.plugin->UiChanges();
  ASSERT_EQ(changed.size(), 2u);
  EXPECT_EQ(changed[0].first, TestPlugin::kGain);
  EXPECT_EQ(changed[1].first, TestPlugin::kMode);
  EXPECT_EQ(changed[0].second, framework::ParamSource::Host);
}

TEST_F(BindingProcess, AudioThreadNeitherAllocatesNorLocks) {
  for (int32 sampleSize : {kSample32, kSample64}) {
    SCOPED_TRACE(sampleSize == kSample32 ? "32 bit" : "64 bit");
    ASSERT_EQ(Setup(sampleSize, 128), kResultOk);
    ASSERT_EQ(bound.effect->setProcessing(true), kResultOk);
    std::vector<float> f1(300, 0.5f), f2(300, 0.5f), f3(300), f4(300);
    std::vector<double> d1(300, 0.5), d2(300, 0.5), d3(300), d4(300);
    std::vector<float*> fin = {f1.data(), f2.data()}, fout = {f3.data(), f4.data()};
    std::vector<double*> din = {d1.data(), d2.data()}, dout = {d3.data(), d4.data()};
    vst3host::ParameterChanges changes;
    changes.Add(TestPlugin::kGain, 0.3);
    changes.Add(TestPlugin::kSwitch, 1.0);
    changes.Add(65536, 0.0);

    testsupport::AllocationCounter counter;
    for (int block = 0; block < 10; ++block) {
      const tresult result = sampleSize == kSample32 ? Process(fin, fout, 300, &changes) : Process(din, dout, 300, &changes);
      ASSERT_EQ(result, kResultOk);
    }
    EXPECT_EQ(counter.allocations(), 0u);
    EXPECT_EQ(counter.locks(), 0u);
    ASSERT_EQ(bound.effect->setProcessing(false), kResultOk);
  }
}

}  // namespace
}  // namespace vst3test
