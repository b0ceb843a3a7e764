// The run loop relaycaster-host offers editor views: descriptors and
// timers, and handlers that come and go while it dispatches.
#include "RunLoop_linux.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <thread>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using namespace Steinberg;
using vst3host::RunLoop;

/// Counts its calls and references; runs `action` on each call.
class Handler final : public Linux::IEventHandler, public Linux::ITimerHandler {
 public:
  void PLUGIN_API onFDIsSet(Linux::FileDescriptor fd) override {
    ++fdCalls;
    lastFd = fd;
    char drained[64];
    while (read(fd, drained, sizeof drained) > 0) {
    }
    if (action) action();
  }
  void PLUGIN_API onTimer() override {
    ++timerCalls;
    if (action) action();
  }
  tresult PLUGIN_API queryInterface(const TUID, void** obj) override {
    *obj = nullptr;
    return kNoInterface;
  }
  uint32 PLUGIN_API addRef() override { return static_cast<uint32>(++references); }
  uint32 PLUGIN_API release() override { return static_cast<uint32>(--references); }

  int fdCalls = 0;
  int timerCalls = 0;
  int lastFd = -1;
  int references = 0;
  std::function<void()> action;
};

struct Pipe {
  Pipe() {
    EXPECT_EQ(pipe2(fds, O_NONBLOCK | O_CLOEXEC), 0);
  }
  ~Pipe() {
    for (int fd : fds)
      if (fd >= 0) close(fd);
  }
  void poke() { EXPECT_EQ(write(fds[1], "x", 1), 1); }
  void closeWriter() {
    close(fds[1]);
    fds[1] = -1;
  }
  int reader() const { return fds[0]; }
  int fds[2] = {-1, -1};
};

// Runs the loop until `done` or a generous bound.
template <class Done>
bool RunUntil(RunLoop& loop, Done done, std::chrono::milliseconds limit = 2s) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    loop.RunOnce(10ms);
  }
  return true;
}

TEST(RunLoop, DispatchesReadableDescriptorsAndDueTimers) {
  Handler socket;
  Handler timer;
  Pipe pipe;
  RunLoop loop;  // declared last: it goes first, while its handlers still exist
  ASSERT_EQ(loop.registerEventHandler(&socket, pipe.reader()), kResultOk);
  ASSERT_EQ(loop.registerTimer(&timer, 5), kResultOk);
  EXPECT_EQ(socket.references, 1);

  loop.RunOnce(0ms);
  EXPECT_EQ(socket.fdCalls, 0);  // nothing to read yet
  pipe.poke();
  ASSERT_TRUE(RunUntil(loop, [&] { return socket.fdCalls == 1; }));
  EXPECT_EQ(socket.lastFd, pipe.reader());
  EXPECT_TRUE(RunUntil(loop, [&] { return timer.timerCalls >= 3; }));

  EXPECT_EQ(loop.unregisterTimer(&timer), kResultOk);
  EXPECT_EQ(timer.references, 0);
  const int calls = timer.timerCalls;
  for (int i = 0; i < 3; ++i) loop.RunOnce(10ms);
  EXPECT_EQ(timer.timerCalls, calls);
}

TEST(RunLoop, HandlersRemovedDuringDispatchAreReleasedAndNeverCalledAgain) {
  Handler first;
  Handler second;
  Pipe pipe;
  RunLoop loop;  // declared last: it goes first, while its handlers still exist
  loop.registerEventHandler(&first, pipe.reader());
  loop.registerEventHandler(&second, pipe.reader());
  first.action = [&] {
    // While the loop is inside its dispatch: both go, their references at
    // once (a plug-in may delete a handler right after unregistering it).
    loop.unregisterEventHandler(&second);
    loop.unregisterEventHandler(&first);
    EXPECT_EQ(first.references, 0);
    EXPECT_EQ(second.references, 0);
  };
  pipe.poke();
  ASSERT_TRUE(RunUntil(loop, [&] { return first.fdCalls == 1; }));
  EXPECT_EQ(second.fdCalls, 0);
  EXPECT_EQ(first.references, 0);
  EXPECT_EQ(second.references, 0);
  EXPECT_EQ(loop.EventHandlerCount(), 0u);
}

TEST(RunLoop, AHandlerMayRegisterAnotherWhileDispatching) {
  Handler starter;
  Handler later;
  RunLoop loop;  // declared last: it goes first, while its handlers still exist
  loop.registerTimer(&starter, 1);
  starter.action = [&] {
    if (starter.timerCalls == 1) loop.registerTimer(&later, 1);
  };
  EXPECT_TRUE(RunUntil(loop, [&] { return later.timerCalls >= 2; }));
  EXPECT_EQ(loop.TimerCount(), 2u);
}

TEST(RunLoop, AHungUpDescriptorIsToldOnceAndThenNoLongerWatched) {
  Handler handler;
  Pipe pipe;
  RunLoop loop;  // declared last: it goes first, while its handlers still exist
  loop.registerEventHandler(&handler, pipe.reader());
  pipe.closeWriter();
  ASSERT_TRUE(RunUntil(loop, [&] { return handler.fdCalls == 1; }));
  const auto start = std::chrono::steady_clock::now();
  loop.RunOnce(30ms);
  EXPECT_GE(std::chrono::steady_clock::now() - start, 25ms);  // it waited instead of spinning
  EXPECT_EQ(handler.fdCalls, 1);
}

TEST(RunLoop, ATimerThatFellBehindFiresOnceNotInABurst) {
  Handler timer;
  RunLoop loop;  // declared last: it goes first, while its handlers still exist
  loop.registerTimer(&timer, 10);
  std::this_thread::sleep_for(80ms);  // the host was busy elsewhere for eight periods
  loop.RunOnce(0ms);
  EXPECT_EQ(timer.timerCalls, 1);
  loop.RunOnce(0ms);
  EXPECT_EQ(timer.timerCalls, 1);
}

TEST(RunLoop, BadRegistrationsAreRefusedAndTheLoopReleasesEverythingAtTheEnd) {
  Handler handler;
  {
    RunLoop loop;
    EXPECT_EQ(loop.registerEventHandler(nullptr, 0), kInvalidArgument);
    EXPECT_EQ(loop.registerEventHandler(&handler, -1), kInvalidArgument);
    EXPECT_EQ(loop.registerTimer(nullptr, 10), kInvalidArgument);
    EXPECT_EQ(loop.registerTimer(&handler, 0), kInvalidArgument);
    EXPECT_EQ(loop.unregisterTimer(&handler), kInvalidArgument);
    EXPECT_EQ(loop.unregisterEventHandler(&handler), kInvalidArgument);
    EXPECT_EQ(handler.references, 0);
    loop.registerTimer(&handler, 1000);
    loop.registerEventHandler(&handler, 0);
    EXPECT_EQ(handler.references, 2);
  }
  EXPECT_EQ(handler.references, 0);
}

}  // namespace
