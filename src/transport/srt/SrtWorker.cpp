#include "transport/srt/SrtWorker.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "transport/srt/SrtMessages.h"

namespace relaycaster {
namespace {

constexpr double kWakeMilliseconds = 2.0;
constexpr double kStatisticsInterval = 0.25;  // seconds
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
    mClock.wait(kWakeMilliseconds);
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
