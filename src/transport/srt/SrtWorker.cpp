#include "transport/srt/SrtWorker.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "transport/srt/SrtMessages.h"

namespace relaycaster {
namespace {

constexpr double kStatisticsInterval = 0.25;  // seconds
constexpr int kBlocksPerPass = 2;
constexpr size_t kMinPassphrase = 10;
constexpr size_t kMaxPassphrase = 79;

bool isListenerMode(const SrtSettings& settings) { return settings.mode == 1; }

// Equality that also holds between two NaNs, so that a nonsensical host
// rate does not reconfigure the worker on every pass.
bool sameValue(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

// The host rate as whole Hz (halves away from zero) for the output.
int wholeHertz(double rate) {
  if (!std::isfinite(rate)) return 0;
  return static_cast<int>(std::lround(std::clamp(rate, 0.0, 1.0e7)));
}

}  // namespace

SrtWorker::SrtWorker(AudioFeed& feed, SrtStatus& status)
    : mFeed(feed), mStatus(status), mLink(status, mOutput) {
  setupReader();
}

void SrtWorker::run() {
  while (mStatus.running()) {
    runOnce();
    // Until the next two blocks are owed rather than a fixed 2 ms. libsrt's
    // send thread wakes about once per packet and once more per burst it
    // is handed, so 20 ms bursts instead of 10 ms ones save it a hundred
    // wake-ups a second (as many as ffmpeg's 21 ms frames give it), and
    // this thread wakes 50 times a second instead of 500. Each block
    // still leaves at most 10 ms after it is owed, well inside any SRT
    // latency, which counts from the time a packet is handed to libsrt.
    mClock.wait(workerWaitMilliseconds(mReader, kBlocksPerPass));
  }
}

void SrtWorker::runOnce() {
  takeSettings();
  followFeed();
  if (mFeed.takeDropoutResetRequest()) mReader.clearDropouts();
  if (!mConfigured) configure();
  const double now = mClock.now();
  if (mReady) stepMachine(now);

  auto intoOutput = [this](const float* samples, int stride, int /*channels*/, int frames) {
    if (mLink.takeLeadInBlock()) {
      mOutput.sendNullMessage(mLink.sink());
      return;
    }
    mOutput.consumeBlock(samples, stride, frames, mLink.sink());
  };
  mReader.pump(now, mLink.connected ? BlockSink(intoOutput) : BlockSink());
  mFeed.publishDropouts(mReader.dropouts());
  refreshStatistics(now);
}

void SrtWorker::refreshStatistics(double now) {
  if (!mLink.connected || now < mNextStatistics) return;
  mNextStatistics = now + kStatisticsInterval;
  mLink.publishStatistics();
}

void SrtWorker::takeSettings() {
  if (mStatus.takeSettingsIfNewer(mGeneration, mHaveGeneration, mSettings)) {
    mHaveGeneration = true;
    mConfigured = false;
  }
}

void SrtWorker::followFeed() {
  if (!sameValue(mFeed.sampleRate(), mReaderRate) || mFeed.channels() != mReaderChannels) {
    setupReader();
    mConfigured = false;
  }
  const double buffer = mFeed.bufferSeconds();
  if (!sameValue(buffer, mReaderBuffer)) {
    mReaderBuffer = buffer;
    mReader.setBuffer(buffer);
  }
}

void SrtWorker::setupReader() {
  mReaderRate = mFeed.sampleRate();
  mReaderChannels = mFeed.channels();
  mReaderBuffer = mFeed.bufferSeconds();
  mReader.setup(mFeed, mReaderRate, mReaderChannels, mReaderBuffer);
}

void SrtWorker::configure() {
  mConfigured = true;
  mStatus.noteConfigured(mGeneration);
  mLink.dropConnection();
  mLink.closeListener();
  mLink.nextAttempt = 0.0;
  mCaller.reset();
  mListener.reset();
  mReady = false;
  if (!validate()) return;

  mReady = true;
  // No listening socket exists here, so the listen callback cannot be
  // reading the required id while it changes.
  mLink.accept.requiredStreamId = mSettings.streamId;
  mStatus.setMessage({});
  mStatus.setState(isListenerMode(mSettings) ? SrtState::Listening : SrtState::Calling);
}

// Checks the settings and prepares the output; on a problem publishes the
// state that says so and returns false.
bool SrtWorker::validate() {
  if (!isListenerMode(mSettings) && mSettings.host.empty()) {
    mStatus.setMessage({});
    mStatus.setState(SrtState::NeedsHost);
    return false;
  }
  // libsrt counts the passphrase in bytes; so do we.
  const size_t passphrase = mSettings.passphrase.size();
  if (passphrase > 0 && (passphrase < kMinPassphrase || passphrase > kMaxPassphrase)) {
    mStatus.setMessage(srt_messages::kPassphraseLength);
    mStatus.setState(SrtState::Failed);
    return false;
  }
  if (mSettings.port < 1 || mSettings.port > 65535) {
    mStatus.setMessage(srt_messages::kPortRange);
    mStatus.setState(SrtState::Failed);
    return false;
  }
  std::string error;
  if (!mOutput.configure(mSettings, wholeHertz(mReaderRate), mReader.channels(), error)) {
    mStatus.setMessage(std::move(error));
    mStatus.setState(SrtState::Failed);
    return false;
  }
  return true;
}

void SrtWorker::stepMachine(double now) {
  if (isListenerMode(mSettings)) {
    mListener.step(mSettings, now);
  } else {
    mCaller.step(mSettings, now);
  }
}

}  // namespace relaycaster
