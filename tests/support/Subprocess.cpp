#include "support/Subprocess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <thread>

extern char** environ;

namespace testsupport {
namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(2);

std::string readAll(int fd) {
  std::string text;
  if (fd < 0) return text;
  char buffer[65536];
  off_t offset = 0;
  for (;;) {
    const ssize_t n = pread(fd, buffer, sizeof buffer, offset);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    text.append(buffer, static_cast<size_t>(n));
    offset += n;
  }
  return text;
}

void closeFd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

}  // namespace

std::string ProcessResult::describe() const {
  if (!started) return "could not be started";
  std::string text = timedOut ? "timed out" : signal != 0 ? "killed by signal " + std::to_string(signal)
                                                           : "exit code " + std::to_string(exitCode);
  if (!err.empty()) text += "; stderr: " + err.substr(0, 2000);
  return text;
}

Subprocess::Subprocess(std::vector<std::string> argv, std::chrono::milliseconds limit,
                       const std::string& workingDirectory)
    : mDeadline(std::chrono::steady_clock::now() + limit) {
  if (argv.empty()) return;
  mOutFd = memfd_create("subprocess-stdout", MFD_CLOEXEC);
  mErrFd = memfd_create("subprocess-stderr", MFD_CLOEXEC);
  if (mOutFd < 0 || mErrFd < 0) return;

  std::vector<char*> args;
  for (std::string& arg : argv) args.push_back(arg.data());
  args.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, mOutFd, 1);
  posix_spawn_file_actions_adddup2(&actions, mErrFd, 2);
  if (!workingDirectory.empty()) posix_spawn_file_actions_addchdir_np(&actions, workingDirectory.c_str());
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);  // its own group, led by the child

  pid_t pid = -1;
  if (posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), environ) == 0) mPid = pid;
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
}

Subprocess::~Subprocess() {
  if (started() && !mReaped) stop(std::chrono::milliseconds(0));
  closeFd(mOutFd);
  closeFd(mErrFd);
}

ProcessResult Subprocess::run(std::vector<std::string> argv, std::chrono::milliseconds limit,
                              const std::string& workingDirectory) {
  Subprocess process(std::move(argv), limit, workingDirectory);
  return process.wait();
}

bool Subprocess::available(const std::string& program) {
  if (program.find('/') != std::string::npos) return access(program.c_str(), X_OK) == 0;
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    const size_t end = std::min(dirs.find(':', start), dirs.size());
    const std::string candidate = dirs.substr(start, end - start) + "/" + program;
    struct stat info {};
    if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(candidate.c_str(), X_OK) == 0)
      return true;
    start = end + 1;
  }
  return false;
}

bool Subprocess::running() { return started() && !reap(false); }

ProcessResult Subprocess::wait() {
  while (started() && !reap(false)) {
    if (std::chrono::steady_clock::now() >= mDeadline) {
      mTimedOut = true;
      stop(std::chrono::milliseconds(0));
      break;
    }
    std::this_thread::sleep_for(kPollInterval);
  }
  return result();
}

void Subprocess::stop(std::chrono::milliseconds grace) {
  if (!started() || reap(false)) return;
  if (grace.count() > 0) {
    kill(-mPid, SIGTERM);
    const auto until = std::chrono::steady_clock::now() + grace;
    while (std::chrono::steady_clock::now() < until) {
      if (reap(false)) return;
      std::this_thread::sleep_for(kPollInterval);
    }
  }
  kill(-mPid, SIGKILL);
  reap(true);
}

std::string Subprocess::stdoutText() const { return readAll(mOutFd); }
std::string Subprocess::stderrText() const { return readAll(mErrFd); }

bool Subprocess::reap(bool block) {
  if (mReaped) return true;
  if (!started()) return false;
  // Look without reaping first: while the child is a zombie its group id
  // cannot be reused, so whatever it left behind in the group can be
  // killed safely before it is reaped.
  siginfo_t info{};
  for (;;) {
    info.si_pid = 0;
    const int polled = waitid(P_PID, static_cast<id_t>(mPid), &info, WEXITED | WNOWAIT | (block ? 0 : WNOHANG));
    if (polled < 0 && errno == EINTR) continue;
    if (polled < 0) {  // not our child any more: nothing left to reap
      mReaped = true;
      return true;
    }
    break;
  }
  if (info.si_pid != mPid) return false;
  kill(-mPid, SIGKILL);
  while (waitpid(mPid, &mStatus, 0) < 0 && errno == EINTR) {
  }
  mReaped = true;
  return true;
}

ProcessResult Subprocess::result() const {
  ProcessResult r;
  r.started = started();
  r.timedOut = mTimedOut;
  if (mReaped && WIFEXITED(mStatus)) r.exitCode = WEXITSTATUS(mStatus);
  if (mReaped && WIFSIGNALED(mStatus)) r.signal = WTERMSIG(mStatus);
  r.out = stdoutText();
  r.err = stderrText();
  return r;
}

}  // namespace testsupport
