#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#include "DoubleAccess.h"
#include "transport/FeedReader.h"
#include "transport/ndi/NdiRuntime.h"
#include "transport/ndi/NdiSender.h"

namespace relaycaster {
namespace {

using testing_ndi::doubleFolder;
using testing_ndi::doubleRecord;
using testing_ndi::eventually;

constexpr uint32_t kFltp = 0x70544C46;

const NdiRuntime& workingRuntime() {
  static const NdiRuntime runtime = NdiRuntime::loadFrom(doubleFolder("good"));
  return runtime;
}

const NdiRuntime& missingRuntime() {
  static const NdiRuntime runtime = NdiRuntime::loadFrom(doubleFolder("missing"));
  return runtime;
}

// Pushes frames whose channel 0 holds first, first + 1, ... and channel 1
// the negatives, in host-sized blocks, as the audio thread would.
void pushCounting(AudioFeed& feed, int channels, int first, int frames, int blockFrames = 480) {
  std::vector<double> left(static_cast<size_t>(blockFrames)), right(static_cast<size_t>(blockFrames));
  for (int done = 0; done < frames; done += blockFrames) {
    const int count = std::min(blockFrames, frames - done);
    for (int i = 0; i < count; ++i) {
      left[static_cast<size_t>(i)] = first + done + i;
      right[static_cast<size_t>(i)] = -(first + done + i);
    }
    const double* inputs[] = {left.data(), right.data()};
    feed.push(inputs, channels, count, 1.0f);
  }
}

class NdiSenderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(workingRuntime().available()) << workingRuntime().error();
    record().reset();
  }

  static ndi_double::Record& record() { return doubleRecord(doubleFolder("good")); }

  template <typename T, typename F>
  static T read(F f) {
    std::lock_guard<std::mutex> lock(record().mutex);
    return f(record());
  }
  /// Runs `f` on the double's record under its lock (to change or inspect it).
  template <typename F>
  static void withRecord(F f) {
    std::lock_guard<std::mutex> lock(record().mutex);
    f(record());
  }
  static size_t frameCount() {
    return read<size_t>([](ndi_double::Record& r) { return r.frames.size(); });
  }
  static std::vector<ndi_double::SentFrame> frames() {
    return read<std::vector<ndi_double::SentFrame>>([](ndi_double::Record& r) { return r.frames; });
  }
  static std::vector<std::string> events() {
    return read<std::vector<std::string>>([](ndi_double::Record& r) { return r.events; });
  }
  static std::vector<std::string> attempts() {
    return read<std::vector<std::string>>([](ndi_double::Record& r) { return r.attempts; });
  }
  static bool hasEvent(const std::string& event) {
    const auto all = events();
    return std::find(all.begin(), all.end(), event) != all.end();
  }

  NdiSender sender{[]() -> const NdiRuntime& { return workingRuntime(); }};
};

TEST_F(NdiSenderTest, SendsUnderThePlainNameAndReportsTheAnnouncedName) {
  sender.start("Drums");
  ASSERT_TRUE(eventually([&] { return sender.state() == NdiState::Sending; }));
  EXPECT_TRUE(sender.running());
  EXPECT_EQ(sender.requestedName(), "Drums");
  EXPECT_EQ(sender.sourceName(), "TESTHOST (Drums)");
  EXPECT_EQ(sender.message(), "");
  EXPECT_FALSE(sender.numbered());
  EXPECT_EQ(attempts(), std::vector<std::string>{"Drums"});

  // Every runtime call comes from the one worker thread.
  ASSERT_TRUE(eventually([&] { return frameCount() >= 3; }));
  withRecord([](ndi_double::Record& r) {
    EXPECT_EQ(r.unexpectedSettings, 0);
    EXPECT_EQ(r.callingThreads.size(), 1u);
    EXPECT_EQ(r.callingThreads.count(std::this_thread::get_id()), 0u);
  });
}

TEST_F(NdiSenderTest, FallsBackToANumberedNameWhenThePlainOneIsRefused) {
  withRecord([](ndi_double::Record& r) { r.refusedNames.insert("Drums"); });
  sender.start("Drums");
  ASSERT_TRUE(eventually([&] { return sender.state() == NdiState::Sending; }));
  EXPECT_TRUE(sender.numbered());
  EXPECT_EQ(sender.sourceName(), "TESTHOST (Drums 2)");
  EXPECT_EQ(sender.requestedName(), "Drums");
  EXPECT_EQ(attempts(), (std::vector<std::string>{"Drums", "Drums 2"}));
}

TEST_F(NdiSenderTest, NineRefusalsReportNoSourceAndRetryTwoSecondsLaterWithThePlainName) {
  withRecord([](ndi_double::Record& r) { r.refuseAll = true; });
  sender.start("Drums");
  ASSERT_TRUE(eventually([&] { return sender.state() == NdiState::NoSource; }));
  EXPECT_EQ(sender.message(), "The NDI source could not be created. Trying again.");
  EXPECT_FALSE(sender.numbered());
  EXPECT_EQ(sender.sourceName(), "");
  EXPECT_EQ(attempts(), (std::vector<std::string>{"Drums", "Drums 2", "Drums 3", "Drums 4", "Drums 5", "Drums 6",
                                                  "Drums 7", "Drums 8", "Drums 9"}));

  withRecord([](ndi_double::Record& r) { r.refuseAll = false; });
  ASSERT_TRUE(eventually([&] { return sender.state() == NdiState::Sending; }));
  EXPECT_EQ(sender.message(), "");
  EXPECT_EQ(sender.sourceName(), "TESTHOST (Drums)");
  withRecord([](ndi_double::Record& r) {
    EXPECT_EQ(r.attempts.size(), 10u);
    EXPECT_EQ(r.attempts.back(), "Drums");
    EXPECT_GE(r.attemptTimes[9] - r.attemptTimes[0], 1.95);
  });
}

TEST_F(NdiSenderTest, ARenameReplacesTheSourceInOnePass) {
  withRecord([](ndi_double::Record& r) { r.receivers["Drums"] = 3; });
  sender.start("Drums");
  ASSERT_TRUE(eventually([&] { return sender.receivers() == 3; }));

  sender.start("Drums");  // the same name changes nothing
  sender.start("Bass");
  ASSERT_TRUE(eventually([&] { return sender.sourceName() == "TESTHOST (Bass)"; }));
  ASSERT_TRUE(eventually([&] { return hasEvent("poll Bass"); }));
  EXPECT_EQ(sender.receivers(), 0);
  EXPECT_EQ(sender.requestedName(), "Bass");

  const auto all = events();
  const auto destroyed = std::find(all.begin(), all.end(), "destroy Drums");
  ASSERT_NE(destroyed, all.end());
  ASSERT_NE(destroyed + 1, all.end());
  EXPECT_EQ(*(destroyed + 1), "create Bass");
  EXPECT_EQ(std::count(all.begin(), all.end(), "create Drums"), 1);
}

TEST_F(NdiSenderTest, ReceiversArePolledWithoutWaitingAtMostFourTimesASecond) {
  const auto started = std::chrono::steady_clock::now();
  sender.start("Drums");
  ASSERT_TRUE(eventually([&] {
    return read<size_t>([](ndi_double::Record& r) { return r.pollTimeouts.size(); }) >= 3;
  }));
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  withRecord([&](ndi_double::Record& r) {
    EXPECT_LE(static_cast<double>(r.pollTimeouts.size()), elapsed / 0.25 + 1.0);
    for (uint32_t timeout : r.pollTimeouts) EXPECT_EQ(timeout, 0u);
  });
}

struct RateCase {
  double hostRate;
  int sampleRate;
  int samples;
};

class NdiSenderFrames : public NdiSenderTest, public ::testing::WithParamInterface<RateCase> {};

TEST_P(NdiSenderFrames, CarryTenMillisecondsOfPlanarFloatAtTheHostRate) {
  sender.feed().setSampleRate(GetParam().hostRate);
  sender.start("Drums");
  ASSERT_TRUE(eventually([&] { return frameCount() >= 5; }));
  for (const ndi_double::SentFrame& frame : frames()) {
    EXPECT_EQ(frame.sampleRate, GetParam().sampleRate);
    EXPECT_EQ(frame.samples, GetParam().samples);
    EXPECT_EQ(frame.channels, 2);
    EXPECT_EQ(frame.strideBytes, 7680);
    EXPECT_EQ(frame.fourCC, kFltp);
    EXPECT_EQ(frame.timecode, INT64_MAX);
    EXPECT_TRUE(frame.metadataNull);
    EXPECT_EQ(frame.timestamp, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(HostRates, NdiSenderFrames,
                         ::testing::Values(RateCase{44100.0, 44100, 441}, RateCase{48000.0, 48000, 480},
                                           RateCase{88200.0, 88200, 882}, RateCase{500.0, 500, 10}),
                         [](const ::testing::TestParamInfo<RateCase>& info) {
                           return "Hz" + std::to_string(info.param.sampleRate);
                         });

// Checks that, past the start-up silence, channel 0 carries 1, 2, ... n
// without a gap, repeat or reordering, followed only by silence, and that
// channel 1 (when sent) mirrors it.
void expectCountingSequence(const std::vector<ndi_double::SentFrame>& sent, int channels, int n) {
  int expected = 1;
  for (const ndi_double::SentFrame& frame : sent) {
    ASSERT_EQ(frame.channels, channels);
    ASSERT_EQ(frame.strideBytes, 7680);
    for (int i = 0; i < frame.samples; ++i) {
      const float value = frame.data[static_cast<size_t>(i)];
      if (channels == 2) {
        ASSERT_EQ(frame.data[static_cast<size_t>(frame.samples + i)], -value);
      }
      if (value == 0.0f) {
        ASSERT_TRUE(expected == 1 || expected == n + 1) << "silence inside the audio before " << expected;
        continue;
      }
      ASSERT_EQ(value, static_cast<float>(expected)) << "in a frame of " << frame.samples;
      ++expected;
    }
  }
  EXPECT_EQ(expected, n + 1);
}

TEST_F(NdiSenderTest, StereoSamplesArriveAsPushedWithNothingLostOrReordered) {
  sender.start("Drums");
  ASSERT_TRUE(eventually([&] { return sender.state() == NdiState::Sending; }));
  constexpr int kFrames = 24000;  // half a second
  pushCounting(sender.feed(), 2, 1, kFrames);
  ASSERT_TRUE(eventually([&] {
    const auto sent = frames();
    return std::any_of(sent.begin(), sent.end(), [](const ndi_double::SentFrame& f) {
      return std::find(f.data.begin(), f.data.begin() + f.samples, static_cast<float>(kFrames)) != f.data.begin() + f.samples;
    });
  }));
  expectCountingSequence(frames(), 2, kFrames);
}

TEST_F(NdiSenderTest, MonoFeedsSendOneChannelFramesWithTheFullStride) {
  sender.start("Drums");
  ASSERT_TRUE(eventually([&] { return sender.state() == NdiState::Sending; }));
  // The first mono block tells the worker the channel count; it sets its
  // reader up again, dropping what was buffered, so only later audio counts.
  pushCounting(sender.feed(), 1, 0, 1);
  ASSERT_TRUE(eventually([&] {
    const auto sent = frames();
    return !sent.empty() && sent.back().channels == 1;
  }));
  withRecord([](ndi_double::Record& r) { r.frames.clear(); });

  constexpr int kFrames = 9600;
  pushCounting(sender.feed(), 1, 1, kFrames);
  ASSERT_TRUE(eventually([&] {
    const auto sent = frames();
    return std::any_of(sent.begin(), sent.end(), [](const ndi_double::SentFrame& f) {
      return std::find(f.data.begin(), f.data.end(), static_cast<float>(kFrames)) != f.data.end();
    });
  }));
  expectCountingSequence(frames(), 1, kFrames);
  EXPECT_EQ(read<int>([](ndi_double::Record& r) { return r.liveSources; }), 1);  // the same source went on
}

TEST_F(NdiSenderTest, DropoutsArePublishedAndResetOnRequest) {
  sender.start("Drums");
  ASSERT_TRUE(eventually([&] { return sender.state() == NdiState::Sending; }));
  // More than the ring holds at once: the reader is lapped and counts it.
  pushCounting(sender.feed(), 2, 1, static_cast<int>(AudioRing::capacity) + 48000, 4800);
  ASSERT_TRUE(eventually([&] { return sender.feed().dropoutCount() >= 1; }));

  // The worker takes the request at its next cycle; from then on its own
  // count is zero and stays so.
  sender.feed().resetDropouts();
  ASSERT_TRUE(eventually([&] { return sender.feed().dropoutCount() == 0; }));
  const size_t before = frameCount();
  ASSERT_TRUE(eventually([&] { return frameCount() >= before + 5; }));
  EXPECT_EQ(sender.feed().dropoutCount(), 0);
}

TEST_F(NdiSenderTest, StopJoinsPromptlyAndDestroysTheSource) {
  withRecord([](ndi_double::Record& r) { r.receivers["Drums"] = 2; });
  sender.start("Drums");
  ASSERT_TRUE(eventually([&] { return sender.receivers() == 2; }));

  const auto before = std::chrono::steady_clock::now();
  sender.stop();
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - before).count(), 1.0);
  EXPECT_FALSE(sender.running());
  EXPECT_FALSE(sender.feed().isEnabled());
  EXPECT_EQ(sender.state(), NdiState::Off);
  EXPECT_EQ(sender.receivers(), 0);
  EXPECT_EQ(sender.sourceName(), "");
  EXPECT_EQ(events().back(), "destroy Drums");
  sender.stop();  // idempotent

  // A restart creates the source again under the same name.
  sender.start("Drums");
  ASSERT_TRUE(eventually([&] { return sender.state() == NdiState::Sending; }));
  const auto all = events();
  EXPECT_EQ(std::count(all.begin(), all.end(), "create Drums"), 2);
}

TEST_F(NdiSenderTest, DestroyingARunningSenderJoinsItsWorker) {
  auto owned = std::make_unique<NdiSender>([]() -> const NdiRuntime& { return workingRuntime(); });
  owned->start("Keys");
  ASSERT_TRUE(eventually([&] { return owned->state() == NdiState::Sending; }));
  owned.reset();
  withRecord([](ndi_double::Record& r) {
    EXPECT_EQ(r.liveSources, 0);
    EXPECT_EQ(r.events.back(), "destroy Keys");
  });
}

TEST_F(NdiSenderTest, WithoutARuntimeTheSenderShowsWhyAndLeavesTheFeedAlone) {
  NdiSender unavailable([]() -> const NdiRuntime& { return missingRuntime(); });
  unavailable.start("Drums");
  ASSERT_TRUE(eventually([&] { return unavailable.state() == NdiState::Unavailable; }));
  EXPECT_EQ(unavailable.message(), missingRuntime().error());
  EXPECT_EQ(unavailable.sourceName(), "");

  pushCounting(unavailable.feed(), 2, 1, 4800);
  AudioRing* ring = unavailable.feed().ring();
  ASSERT_NE(ring, nullptr);
  EXPECT_EQ(ring->written.load(), 4800u);
  EXPECT_EQ(ring->read, 0u);  // the worker never reads the feed

  unavailable.stop();
  EXPECT_EQ(unavailable.state(), NdiState::Off);
  EXPECT_EQ(unavailable.message(), missingRuntime().error());  // the text stays
  unavailable.start("Drums");
  ASSERT_TRUE(eventually([&] { return unavailable.state() == NdiState::Unavailable; }));
  unavailable.stop();
}

TEST_F(NdiSenderTest, TheDefaultRuntimeIsTheOneBesideTheModule) {
  // This program sits beside the working double, so the process-wide
  // loader finds it there.
  NdiSender plain;
  plain.start("Drums");
  ASSERT_TRUE(eventually([&] { return plain.state() == NdiState::Sending; })) << plain.message();
  EXPECT_TRUE(NdiRuntime::get().available());
  EXPECT_EQ(NdiRuntime::get().functions(), workingRuntime().functions());
}

}  // namespace
}  // namespace relaycaster
