#include "transport/srt/SrtSender.h"

#include <cassert>
#include <chrono>
#include <exception>
#include <system_error>

#include "transport/srt/SrtLibrary.h"
#include "transport/srt/SrtMessages.h"
#include "transport/srt/SrtWorker.h"

namespace relaycaster {
namespace {

constexpr auto kRetryAfterFault = std::chrono::seconds(2);
constexpr auto kFaultPollInterval = std::chrono::milliseconds(2);

}  // namespace

SrtSender::SrtSender() = default;

SrtSender::~SrtSender() { stop(); }

void SrtSender::start(const SrtSettings& settings) {
  mStatus.requestSettings(settings);
  if (mStatus.running()) return;
  mStatus.setState(settings.mode == 1 ? SrtState::Listening : SrtState::Calling);
  mFeed.enable();
  mStatus.setRunning(true);
  try {
    mThread = std::thread(&SrtSender::runWorker, this);
  } catch (const std::system_error&) {
    // No thread to be had: stay off; the next tick tries again.
    mStatus.setRunning(false);
    mFeed.disable();
    mStatus.setState(SrtState::Off);
    return;
  }
  ++mWorkerStarts;
}

void SrtSender::stop() {
  if (!mStatus.running()) return;
  assert(std::this_thread::get_id() != mThread.get_id() && "the worker cannot stop itself");
  mFeed.disable();
  mStatus.setRunning(false);
  if (mThread.joinable()) mThread.join();
  mStatus.setPeer({});
  mStatus.setState(SrtState::Off);
}

bool SrtSender::running() const { return mStatus.running(); }
SrtState SrtSender::state() const { return mStatus.state(); }
std::string SrtSender::message() const { return mStatus.message(); }
std::string SrtSender::peer() const { return mStatus.peer(); }

// The worker thread. A fault that escapes the worker (out of memory, a
// system error) must not take the host down: it is shown as a retrying
// state, and after 2 seconds a fresh worker starts over.
void SrtSender::runWorker() {
  startLibSrt();
  while (mStatus.running()) {
    std::string fault;
    try {
      SrtWorker worker(mFeed, mStatus);
      worker.run();
      return;
    } catch (const std::exception& error) {
      fault = error.what();
    } catch (...) {
      fault = "unknown exception";
    }
    mStatus.setPeer({});
    mStatus.setMessage(srt_messages::internalError(fault));
    mStatus.setState(SrtState::Retrying);
    const auto retryAt = std::chrono::steady_clock::now() + kRetryAfterFault;
    while (mStatus.running() && std::chrono::steady_clock::now() < retryAt)
      std::this_thread::sleep_for(kFaultPollInterval);
  }
}

}  // namespace relaycaster
