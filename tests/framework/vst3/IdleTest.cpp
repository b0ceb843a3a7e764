// The idle tick: every 20 ms with or without an editor, on the host's run
// loop while one is attached, never alongside itself or controller calls,
// and gone once the plug-in is terminated.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "HostObjects.h"
#include "TestPlugin.h"
#include "framework/vst3/HostRunLoopTimer_linux.h"
#include "framework/vst3/IdleScheduler.h"
#include "support/ProcessThreads.h"
#include "support/WaitFor.h"

namespace vst3test {
namespace {

using namespace Steinberg;
using namespace std::chrono_literals;
using framework::vst3::HostRunLoopTimer;
using framework::vst3::IdleScheduler;
using testsupport::ThreadCount;
using testsupport::WaitFor;

constexpr auto kPatience = 3s;  // far more than any tick or thread start here takes

/// A host run loop driven by the test: its "user-interface thread" is
/// whichever thread calls Fire().
class FakeRunLoop final : public Linux::IRunLoop {
 public:
  tresult PLUGIN_API registerEventHandler(Linux::IEventHandler*, Linux::FileDescriptor) override { return kResultFalse; }
  tresult PLUGIN_API unregisterEventHandler(Linux::IEventHandler*) override { return kResultFalse; }
  tresult PLUGIN_API registerTimer(Linux::ITimerHandler* handler, Linux::TimerInterval milliseconds) override {
    if (timer) return kResultFalse;
    handler->addRef();
    timer = handler;
    interval = milliseconds;
    return kResultOk;
  }
  tresult PLUGIN_API unregisterTimer(Linux::ITimerHandler* handler) override {
    if (handler != timer) return kResultFalse;
    timer->release();
    timer = nullptr;
    return kResultOk;
  }
  void Fire() {
    if (timer) timer->onTimer();
  }
  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override {
    if (FUnknownPrivate::iidEqual(iid, Linux::IRunLoop::iid) || FUnknownPrivate::iidEqual(iid, FUnknown::iid)) {
      *obj = this;
      return kResultOk;  // host-owned: no count
    }
    *obj = nullptr;
    return kNoInterface;
  }
  uint32 PLUGIN_API addRef() override { return 1; }
  uint32 PLUGIN_API release() override { return 1; }

  Linux::ITimerHandler* timer = nullptr;
  Linux::TimerInterval interval = 0;
};

TEST(IdleScheduler, TicksEveryPeriodWithoutAHost) {
  std::atomic<int> ticks{0};
  IdleScheduler scheduler([&] { ++ticks; });
  scheduler.Start();
  scheduler.Start();  // idempotent
  const auto started = std::chrono::steady_clock::now();
  ASSERT_TRUE(WaitFor([&] { return ticks.load() >= 10; }, kPatience));
  // Ten ticks take at least nine periods: the timer does not run fast.
  EXPECT_GE(std::chrono::steady_clock::now() - started, 9 * IdleScheduler::kPeriod);
  scheduler.Stop();
  const int stopped = ticks.load();
  std::this_thread::sleep_for(3 * IdleScheduler::kPeriod);  // a window in which no tick may come
  EXPECT_EQ(ticks.load(), stopped);
  EXPECT_FALSE(scheduler.Running());
  scheduler.HostTimerFired();  // a stray host timer after the stop does nothing
  EXPECT_EQ(ticks.load(), stopped);
}

TEST(IdleScheduler, ItsOwnDriverTicksOnlyWhileStartedAndNoHostTimerIsActive) {
  // The calls a system's driver makes (a thread here, a window timer on
  // Windows), made by hand with a period no driver reaches in the test.
  int ticks = 0;
  IdleScheduler scheduler([&] { ++ticks; }, std::chrono::hours(1));
  scheduler.OwnTimerFired();  // before Start: as before initialise
  EXPECT_EQ(ticks, 0);
  scheduler.Start();
  scheduler.OwnTimerFired();
  EXPECT_EQ(ticks, 1);
  scheduler.SetHostTimerActive(true);
  scheduler.OwnTimerFired();  // the host's run loop drives the tick now
  EXPECT_EQ(ticks, 1);
  scheduler.HostTimerFired();
  EXPECT_EQ(ticks, 2);
  scheduler.SetHostTimerActive(false);
  scheduler.OwnTimerFired();
  EXPECT_EQ(ticks, 3);
  scheduler.Stop();
  scheduler.OwnTimerFired();  // a call already on its way when Stop came
  EXPECT_EQ(ticks, 3);
  EXPECT_EQ(scheduler.TickCount(), 3u);
}

TEST(IdleScheduler, TheHostsRunLoopTakesOverWhileAnEditorIsAttached) {
  std::mutex mutex;
  std::vector<std::thread::id> threads;
  IdleScheduler scheduler([&] {
    std::lock_guard lock(mutex);
    threads.push_back(std::this_thread::get_id());
  });
  const auto tickCount = [&] {
    std::lock_guard lock(mutex);
    return threads.size();
  };
  scheduler.Start();
  ASSERT_TRUE(WaitFor([&] { return tickCount() >= 2; }, kPatience));

  FakeRunLoop runLoop;
  HostRunLoopTimer timer(scheduler);
  ASSERT_TRUE(timer.Attach(&runLoop));
  EXPECT_EQ(runLoop.interval, 20u);
  EXPECT_TRUE(scheduler.HostTimerActive());
  {
    std::lock_guard lock(mutex);
    threads.clear();
  }
  for (int i = 0; i < 10; ++i) {
    runLoop.Fire();
    std::this_thread::sleep_for(IdleScheduler::kPeriod);
  }
  {
    std::lock_guard lock(mutex);
    ASSERT_EQ(threads.size(), 10u);  // only the host's ticks
    for (auto id : threads) EXPECT_EQ(id, std::this_thread::get_id());
  }

  timer.Detach();
  EXPECT_EQ(runLoop.timer, nullptr);
  EXPECT_FALSE(scheduler.HostTimerActive());
  const size_t before = tickCount();
  ASSERT_TRUE(WaitFor([&] { return tickCount() >= before + 2; }, kPatience));  // the scheduler's thread is back
  scheduler.Stop();
}

TEST(IdleScheduler, NoRunLoopNoTakeOver) {
  IdleScheduler scheduler([] {});
  HostRunLoopTimer timer(scheduler);
  vst3host::HostApplication host;  // offers no run loop
  EXPECT_FALSE(timer.Attach(host.Context()));
  EXPECT_FALSE(timer.Attach(nullptr));
  EXPECT_FALSE(scheduler.HostTimerActive());
}

TEST(BindingIdle, TickRunsFromInitialiseToTerminateAndLeavesNoThread) {
  BoundPlugin bound;
  vst3host::HostApplication host;
  std::this_thread::sleep_for(3 * IdleScheduler::kPeriod);
  EXPECT_EQ(bound.plugin->ticks.load(), 0);  // nothing before initialise
  const int threadsBefore = ThreadCount();  // counted once earlier tests' threads are long gone
  ASSERT_EQ(bound.effect->initialize(host.Context()), kResultOk);
  ASSERT_TRUE(WaitFor([&] { return bound.plugin->ticks.load() >= 3; }, kPatience));
  EXPECT_EQ(ThreadCount(), threadsBefore + 1);
  ASSERT_EQ(bound.effect->terminate(), kResultOk);
  // A joined thread can stay listed in /proc for a moment after the join
  // returns, so the count is awaited; the ticks below show it has stopped.
  EXPECT_TRUE(WaitFor([&] { return ThreadCount() == threadsBefore; }, 1s)) << ThreadCount();
  const int ticks = bound.plugin->ticks.load();
  std::this_thread::sleep_for(3 * IdleScheduler::kPeriod);
  EXPECT_EQ(bound.plugin->ticks.load(), ticks);
}

TEST(BindingIdle, TicksNeverOverlapControllerCalls) {
  BoundPlugin bound;
  vst3host::HostApplication host;
  ASSERT_EQ(bound.effect->initialize(host.Context()), kResultOk);
  std::vector<uint8_t> state;
  {
    vst3host::MemoryStream stream;
    Vst::IComponent* component = bound.effect;
    ASSERT_EQ(component->getState(&stream), kResultOk);
    state = stream.Bytes();
  }
  // Two host threads hammer the calls the tick races with while the
  // scheduler's thread ticks.
  std::atomic<bool> stop{false};
  const auto hammer = [&](int seed) {
    Vst::IComponent* component = bound.effect;
    for (int i = 0; !stop.load(); ++i) {
      bound.effect->setParamNormalized(static_cast<Vst::ParamID>((i + seed) % 3), (i % 10) / 10.0);
      vst3host::MemoryStream stream(state);
      component->setState(&stream);
      vst3host::AttributeList list;
      list.setInt(Vst::ChannelContext::kChannelIndexKey, i);
      bound.effect->setChannelContextInfos(&list);
    }
  };
  std::thread first(hammer, 0), second(hammer, 1);
  const int start = bound.plugin->ticks.load();
  ASSERT_TRUE(WaitFor([&] { return bound.plugin->ticks.load() >= start + 15; }, 10s));
  stop = true;
  first.join();
  second.join();
  EXPECT_EQ(bound.plugin->overlaps.load(), 0);
  ASSERT_EQ(bound.effect->terminate(), kResultOk);
}

}  // namespace
}  // namespace vst3test
