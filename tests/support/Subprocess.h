#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace testsupport {

/// How a child process ended.
struct ProcessResult {
  bool started = false;   // the program could be run at all
  bool timedOut = false;  // killed at its time limit
  int exitCode = -1;      // valid when it exited by itself
  int signal = 0;         // the signal that ended it, if one did
  std::string out;        // everything it wrote to stdout
  std::string err;        // everything it wrote to stderr

  /// Started, not killed, and exited with status 0.
  bool succeeded() const { return started && !timedOut && signal == 0 && exitCode == 0; }
  /// A one-line account for assertion messages.
  std::string describe() const;
};

/// A peer program run by a test, always bounded in time. The child gets
/// its own process group (so whatever it starts is killed with it), stdin
/// from /dev/null, and stdout/stderr captured in memory-backed files, so a
/// chatty child never blocks on a full pipe. The destructor kills the group
/// if it is still running and reaps the child.
///
/// Threads: one owner. Uses posix_spawnp, so it is safe in multi-threaded
/// test programs.
class Subprocess {
 public:
  /// Starts argv[0] (looked up in PATH) with the given arguments, in
  /// `workingDirectory` when one is given (for programs that write files
  /// beside them). The process is killed once `limit` has passed, at the
  /// latest when wait() or the destructor sees it.
  Subprocess(std::vector<std::string> argv, std::chrono::milliseconds limit, const std::string& workingDirectory = {});
  ~Subprocess();
  Subprocess(const Subprocess&) = delete;
  Subprocess& operator=(const Subprocess&) = delete;

  /// Runs a program to its end (or its limit) and returns what happened.
  static ProcessResult run(std::vector<std::string> argv, std::chrono::milliseconds limit,
                           const std::string& workingDirectory = {});
  /// True when `program` is found in PATH and executable.
  static bool available(const std::string& program);

  bool started() const { return mPid > 0; }
  pid_t pid() const { return mPid; }
  /// True while the child has not exited (reaps it without blocking).
  bool running();
  /// Waits for the child to end, killing it when its limit passes first.
  ProcessResult wait();
  /// Ends the child's process group now: SIGTERM, then SIGKILL after
  /// `grace` if it is still there. Reaps it.
  void stop(std::chrono::milliseconds grace = std::chrono::milliseconds(500));
  /// What the child has written so far.
  std::string stdoutText() const;
  std::string stderrText() const;

 private:
  bool reap(bool block);
  ProcessResult result() const;

  pid_t mPid = -1;
  int mOutFd = -1;
  int mErrFd = -1;
  std::chrono::steady_clock::time_point mDeadline;
  bool mReaped = false;
  bool mTimedOut = false;
  int mStatus = 0;
};

}  // namespace testsupport
