#include <gtest/gtest.h>
#include <pthread.h>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "core/InstanceRegistry.h"
#include "core/Relaycaster.h"
#include "support/RecordingEditor.h"
#include "transport/srt/SrtPeerSupport.h"

namespace relaycaster {
namespace {

using stream_panel::StateKind;
using stream_panel::StateLine;
using std::chrono::milliseconds;

// Ticks the plug-in the way the framework's 20 ms timer does until the
// condition holds or the limit passes.
bool tickUntil(Relaycaster& plugin, const std::function<bool()>& condition, milliseconds limit = milliseconds(8000)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    plugin.IdleTick();
    if (condition()) return true;
    std::this_thread::sleep_for(milliseconds(20));
  }
  return false;
}

void expectLine(const StateLine& line, StateKind kind, const std::string& text, const std::string& detail) {
  EXPECT_EQ(line.kind, kind);
  EXPECT_EQ(line.text, text);
  EXPECT_EQ(line.detail, detail);
}

// While one is in scope no new thread can start in this process: every new
// thread asks for a default stack larger than any address space.
class ThreadsUnavailable {
 public:
  ThreadsUnavailable() {
    pthread_getattr_default_np(&mSaved);
    pthread_attr_t huge;
    pthread_attr_init(&huge);
    pthread_attr_setstacksize(&huge, size_t{1} << 50);
    pthread_setattr_default_np(&huge);
    pthread_attr_destroy(&huge);
  }
  ~ThreadsUnavailable() {
    pthread_setattr_default_np(&mSaved);
    pthread_attr_destroy(&mSaved);
  }
  ThreadsUnavailable(const ThreadsUnavailable&) = delete;
  ThreadsUnavailable& operator=(const ThreadsUnavailable&) = delete;

 private:
  pthread_attr_t mSaved;
};

// A plug-in with NDI off, so that a test looks at SRT alone.
std::unique_ptr<Relaycaster> srtOnlyPlugin(int mode, int port) {
  auto plugin = std::make_unique<Relaycaster>();
  plugin->GetParam(kNdiOn)->Set(0);
  plugin->GetParam(kSrtOn)->Set(1);
  plugin->GetParam(kSrtMode)->Set(mode);
  plugin->GetParam(kSrtPort)->Set(port);
  return plugin;
}

TEST(StateLines, OffAndBypassed) {
  Relaycaster plugin;
  plugin.GetParam(kNdiOn)->Set(0);
  expectLine(plugin.ndiStateLine(), StateKind::Neutral, "Off", "");
  expectLine(plugin.srtStateLine(), StateKind::Neutral, "Off", "");
  EXPECT_TRUE(plugin.ndiIsOff());
  EXPECT_TRUE(plugin.srtIsOff());
  plugin.GetParam(kBypass)->Set(1);
  expectLine(plugin.ndiStateLine(), StateKind::Neutral, "Off", "Relaycaster is bypassed");
  expectLine(plugin.srtStateLine(), StateKind::Neutral, "Off", "Relaycaster is bypassed");
  EXPECT_FALSE(plugin.ndiIsOff());  // bypass, not the switch, is what shows
  EXPECT_TRUE(plugin.isBypassed());
}

TEST(StateLines, SrtCallerWithoutHostAsksForOne) {
  auto plugin = srtOnlyPlugin(kSrtModeCaller, 9000);
  ASSERT_TRUE(tickUntil(*plugin, [&] { return plugin->srt().state() == SrtState::NeedsHost; }));
  expectLine(plugin->srtStateLine(), StateKind::Neutral, "Type the receiver's host to call", "");
}

TEST(StateLines, SrtListenerWaitsOnItsPort) {
  const int port = srtpeer::freeUdpPort();
  auto plugin = srtOnlyPlugin(kSrtModeListener, port);
  plugin->IdleTick();
  expectLine(plugin->srtStateLine(), StateKind::Busy, "Waiting for a receiver", "on port " + std::to_string(port));
}

TEST(StateLines, SrtSettingsErrorsAndRetries) {
  auto plugin = srtOnlyPlugin(kSrtModeCaller, 9000);
  plugin->SetSrtText(kSrtHostField, "receiver.invalid");
  plugin->SetSrtText(kSrtPassphraseField, "short");
  ASSERT_TRUE(tickUntil(*plugin, [&] { return plugin->srt().state() == SrtState::Failed; }));
  expectLine(plugin->srtStateLine(), StateKind::Fault, "The passphrase must be 10 to 79 characters long.", "");

  plugin->SetSrtText(kSrtPassphraseField, "");
  ASSERT_TRUE(tickUntil(*plugin, [&] { return plugin->srt().state() == SrtState::Retrying; }));
  expectLine(plugin->srtStateLine(), StateKind::Fault, "Cannot find receiver.invalid.", "trying again");
}

TEST(StateLines, SrtCallerShowsWhoItCalls) {
  const int port = srtpeer::freeUdpPort();  // nobody answers there
  auto plugin = srtOnlyPlugin(kSrtModeCaller, port);
  plugin->SetSrtText(kSrtHostField, "127.0.0.1");
  plugin->IdleTick();
  expectLine(plugin->srtStateLine(), StateKind::Busy, "Calling 127.0.0.1:" + std::to_string(port), "");
}

TEST(StateLines, NdiWithoutItsRuntimeSaysWhy) {
  Relaycaster plugin;  // no NDI runtime beside the test program
  ASSERT_TRUE(tickUntil(plugin, [&] { return plugin.ndi().state() == NdiState::Unavailable; }));
  expectLine(plugin.ndiStateLine(), StateKind::Fault, "NDI is unavailable", "");
  const stream_panel::FeedName name = plugin.feedName();
  EXPECT_TRUE(name.isError);
  EXPECT_NE(name.explanation.find("The NDI runtime inside Relaycaster could not be loaded ("), std::string::npos);
  EXPECT_NE(name.explanation.find("libndi.so.6"), std::string::npos);
  EXPECT_EQ(name.name, "Relaycaster");
}

TEST(IdleTick, BypassStopsBothWorkersWithinOneTick) {
  Relaycaster plugin;
  plugin.GetParam(kSrtOn)->Set(1);
  plugin.GetParam(kSrtPort)->Set(srtpeer::freeUdpPort());
  plugin.GetParam(kSrtMode)->Set(kSrtModeListener);
  plugin.IdleTick();
  ASSERT_TRUE(plugin.ndi().running());
  ASSERT_TRUE(plugin.srt().running());

  plugin.GetParam(kBypass)->Set(1);
  plugin.IdleTick();
  EXPECT_FALSE(plugin.ndi().running());
  EXPECT_FALSE(plugin.srt().running());
  EXPECT_FALSE(plugin.ndiFeed().isEnabled());
  EXPECT_FALSE(plugin.srtFeed().isEnabled());
  expectLine(plugin.srtStateLine(), StateKind::Neutral, "Off", "Relaycaster is bypassed");

  // The audio still passes through untouched, and the feeds get nothing.
  std::vector<double> in{0.1, -0.2, 0.3}, out(3);
  double* inputs[] = {in.data()};
  double* outputs[] = {out.data()};
  const uint64_t written = plugin.srtFeed().ring()->written.load();
  plugin.ProcessBuffers(inputs, 1, outputs, 1, 3);
  EXPECT_EQ(out, in);
  EXPECT_EQ(plugin.srtFeed().ring()->written.load(), written);
}

TEST(IdleTick, SettingsReachTheRunningWorkerWithoutARestart) {
  auto plugin = srtOnlyPlugin(kSrtModeCaller, srtpeer::freeUdpPort());
  plugin->SetSrtText(kSrtHostField, "127.0.0.1");
  plugin->IdleTick();
  const uint64_t generation = plugin->srt().requestedGeneration();

  plugin->GetParam(kSrtBuffer)->Set(120);
  plugin->IdleTick();
  EXPECT_DOUBLE_EQ(plugin->srtFeed().bufferSeconds(), 0.12);
  EXPECT_EQ(plugin->srt().requestedGeneration(), generation);  // the buffer is no reason to reconnect

  plugin->SetSrtText(kSrtHostField, "srt://localhost:" + std::to_string(srtpeer::freeUdpPort()) + "?latency=300");
  plugin->IdleTick();
  EXPECT_EQ(plugin->srt().requestedGeneration(), generation + 1);
  EXPECT_EQ(plugin->srt().workerStarts(), 1);

  plugin->SetSampleRate(44100.0);
  plugin->IdleTick();
  EXPECT_EQ(plugin->srtFeed().sampleRate(), 44100.0);
}

TEST(IdleTick, AWorkerThatCannotStartIsTriedAgainOnTheNextTick) {
  auto plugin = srtOnlyPlugin(kSrtModeCaller, 9000);  // no host: the worker needs no network
  {
    ThreadsUnavailable noThreads;
    EXPECT_NO_THROW(plugin->IdleTick());
    EXPECT_FALSE(plugin->srt().running());
    EXPECT_FALSE(plugin->srtFeed().isEnabled());
    EXPECT_EQ(plugin->srt().state(), SrtState::Off);
  }
  ASSERT_TRUE(tickUntil(*plugin, [&] { return plugin->srt().state() == SrtState::NeedsHost; }));
  EXPECT_EQ(plugin->srt().workerStarts(), 1);
}

TEST(IdleTick, NdiBufferFollowsTheParameter) {
  Relaycaster plugin;
  plugin.IdleTick();
  plugin.GetParam(kNdiBuffer)->Set(250);
  plugin.IdleTick();
  EXPECT_DOUBLE_EQ(plugin.ndiFeed().bufferSeconds(), 0.25);
  EXPECT_TRUE(plugin.ndi().running());
}

TEST(IdleTick, LayoutChangesRebuildTheEditorButNotWhileTyping) {
  Relaycaster plugin;
  plugin.GetParam(kNdiOn)->Set(0);
  testsupport::RecordingEditor editor;
  plugin.AttachEditor(&editor);
  plugin.setBuiltSrtLayout(kSrtModeCaller, kSrtCodecAac);

  plugin.SetParamFromEditor(kSrtMode, kSrtModeListener);
  editor.textEntryOpen = true;
  plugin.IdleTick();
  EXPECT_EQ(editor.rebuilds, 0);
  editor.textEntryOpen = false;
  plugin.IdleTick();
  EXPECT_EQ(editor.rebuilds, 1);
  EXPECT_EQ(editor.sentValues.size(), static_cast<size_t>(kParamCount));  // every value goes to the new controls
  EXPECT_GE(editor.dirtyMarks, 1);
  plugin.IdleTick();
  EXPECT_EQ(editor.rebuilds, 1);

  plugin.setAccentColourIndex(2);
  plugin.IdleTick();
  EXPECT_EQ(editor.rebuilds, 2);
  plugin.DetachEditor();
}

TEST(IdleTick, FollowsTheTrackColourOnlyWhenAskedTo) {
  Relaycaster plugin;
  plugin.GetParam(kNdiOn)->Set(0);
  testsupport::RecordingEditor editor;
  plugin.AttachEditor(&editor);
  plugin.IdleTick();  // no colour yet: nothing changes
  EXPECT_EQ(editor.rebuilds, 0);
  plugin.SetChannelInfo({"Bass", 2, 0xFF102030});
  plugin.IdleTick();
  EXPECT_EQ(plugin.TrackColour(), 0x102030);
  EXPECT_EQ(editor.rebuilds, 1);
  plugin.IdleTick();
  EXPECT_EQ(editor.rebuilds, 1);

  plugin.setAccentColourIndex(1);  // a fixed accent: the track colour no longer matters
  plugin.IdleTick();
  EXPECT_EQ(editor.rebuilds, 2);
  plugin.SetChannelInfo({"Bass", 2, 0xFF405060});
  plugin.IdleTick();
  EXPECT_EQ(editor.rebuilds, 2);
  plugin.DetachEditor();
}

TEST(IdleTick, TitleAndFooterFollowTheHost) {
  Relaycaster plugin;
  plugin.GetParam(kNdiOn)->Set(0);
  testsupport::RecordingEditor editor;
  plugin.AttachEditor(&editor);
  plugin.IdleTick();
  EXPECT_EQ(plugin.WindowTitle(), "");
  EXPECT_EQ(editor.texts.count(kTagTitle), 0u);  // empty and unchanged: the header keeps "RELAYCASTER"
  EXPECT_EQ(editor.texts[kTagFooter], "Relaycaster 0.4.2 \xC2\xB7 0 samples latency");

  plugin.SetChannelInfo({"Drums", 3, 0});
  plugin.IdleTick();
  EXPECT_EQ(editor.texts[kTagTitle], "#3: Drums");
  plugin.SetChannelInfo({"", 3, 0});
  plugin.IdleTick();
  EXPECT_EQ(editor.texts[kTagTitle], "RELAYCASTER");
  const int sets = editor.textSets;
  plugin.IdleTick();
  EXPECT_EQ(editor.textSets, sets);  // nothing changed, nothing set
  plugin.DetachEditor();
}

TEST(IdleTick, EveryLayoutBuildGetsTheFooterAgain) {
  Relaycaster plugin;
  plugin.GetParam(kNdiOn)->Set(0);
  const std::string footer = "Relaycaster 0.4.2 \xC2\xB7 0 samples latency";
  for (int build = 0; build < 2; ++build) {  // an editor opened, then opened again
    testsupport::RecordingEditor editor;
    plugin.AttachEditor(&editor);
    plugin.setBuiltSrtLayout(kSrtModeCaller, kSrtCodecAac);  // what the layout does when it builds
    plugin.IdleTick();
    EXPECT_EQ(editor.texts[kTagFooter], footer) << "build " << build;
    plugin.DetachEditor();
  }
}

TEST(FeedNames, InstancesOnTracksOfTheSameName) {
  Relaycaster first, second;
  first.SetChannelInfo({"Vocals", 1, 0});
  second.SetChannelInfo({"Vocals", 2, 0});
  first.IdleTick();
  second.IdleTick();
  first.IdleTick();
  EXPECT_EQ(first.ndi().requestedName(), "Vocals");
  EXPECT_EQ(second.ndi().requestedName(), "Vocals 2");
  EXPECT_EQ(first.feedName().warning.rfind("Another Relaycaster here also sends \"Vocals\". This one is \"Vocals\".", 0), 0u);
  EXPECT_EQ(second.feedName().warning.rfind("Another Relaycaster here also sends \"Vocals\". This one is \"Vocals 2\".", 0), 0u);

  second.SetChannelInfo({"Choir", 2, 0});
  second.IdleTick();
  first.IdleTick();
  EXPECT_EQ(second.ndi().requestedName(), "Choir");
  EXPECT_EQ(first.feedName().warning, "");
  EXPECT_EQ(second.feedName().warning, "");
}

TEST(Lifecycle, DestroyingARunningPluginJoinsEveryWorker) {
  for (int round = 0; round < 3; ++round) {
    auto plugin = std::make_unique<Relaycaster>();
    plugin->GetParam(kSrtOn)->Set(1);
    plugin->GetParam(kSrtMode)->Set(kSrtModeListener);
    plugin->GetParam(kSrtPort)->Set(srtpeer::freeUdpPort());
    plugin->IdleTick();
    std::atomic<bool> stop{false};
    std::thread audio([&] {
      std::vector<double> block(480, 0.25);
      double* channels[] = {block.data(), block.data()};
      while (!stop.load(std::memory_order_relaxed)) {
        plugin->ProcessBuffers(channels, 2, channels, 2, 480);
        std::this_thread::sleep_for(milliseconds(5));
      }
    });
    std::this_thread::sleep_for(milliseconds(50));  // let the workers drain for a moment
    stop = true;
    audio.join();
    plugin.reset();
  }
  // Every destroyed instance left the registry: a new one gets the plain name.
  Relaycaster fresh;
  fresh.IdleTick();
  EXPECT_EQ(fresh.ndi().requestedName(), "Relaycaster");
}

}  // namespace
}  // namespace relaycaster
