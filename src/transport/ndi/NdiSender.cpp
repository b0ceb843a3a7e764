#include "transport/ndi/NdiSender.h"

#include <cassert>
#include <chrono>
#include <cmath>
#include <system_error>
#include <utility>

#include "transport/FeedReader.h"
#include "transport/WorkerClock.h"
#include "transport/ndi/NdiRuntime.h"

namespace relaycaster {
namespace {

constexpr double kRetrySeconds = 2.0;       // between rounds of failed source creation
constexpr double kPollSeconds = 0.25;       // between receiver-count polls
constexpr int kNameAttempts = 9;            // "name", "name 2" ... "name 9"
constexpr const char* kNoSourceMessage = "The NDI source could not be created. Trying again.";

std::string numberedName(const std::string& name, int attempt) {
  return attempt == 1 ? name : name + " " + std::to_string(attempt);
}

}  // namespace

/// The worker thread's own state while the runtime is available: the feed
/// reader, the NDI sender handle and the pacing of retries and polls. Lives
/// on the worker thread's stack; every runtime call is made from here.
class NdiSender::Worker {
 public:
  Worker(NdiSender& owner, const ndi::NDIlib_v6& ndi, WorkerClock& clock)
      : mOwner(owner), mNdi(ndi), mClock(clock) {}
  ~Worker() { destroySource(); }
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;

  /// Loops until the sender is stopped.
  void run() {
    AudioFeed& feed = mOwner.mFeed;
    mRate = feed.sampleRate();
    mChannels = feed.channels();
    mBuffer = feed.bufferSeconds();
    mReader.setup(feed, mRate, mChannels, mBuffer);

    auto sink = [this](const float* samples, int stride, int channels, int frames) {
      sendBlock(samples, stride, channels, frames);
    };
    while (mOwner.mRunning.load(std::memory_order_acquire)) {
      const double now = mClock.now();
      followNameAndCreate(now);
      followFeedSettings();
      if (feed.takeDropoutResetRequest()) mReader.clearDropouts();
      mReader.pump(now, sink);
      feed.publishDropouts(mReader.dropouts());
      pollReceivers(now);
      mClock.wait(workerWaitMilliseconds(mReader));
    }
  }

 private:
  // A rename destroys the source; a missing source is created as soon as
  // any retry delay has passed, in the same pass.
  void followNameAndCreate(double now) {
    uint64_t generation;
    std::string name;
    {
      std::lock_guard<std::mutex> lock(mOwner.mLock);
      generation = mOwner.mNameGeneration;
      if (!mGenerationSeen || generation != mSeenGeneration || !mSender) name = mOwner.mRequestedName;
    }
    if (mGenerationSeen && generation != mSeenGeneration) {
      destroySource();
      mOwner.mReceivers.store(0, std::memory_order_relaxed);
      mRetryAt = 0.0;
    }
    if (!mSender && now >= mRetryAt) createSource(now, name, generation);
  }

  void createSource(double now, const std::string& name, uint64_t generation) {
    int attempt = 1;
    for (; attempt <= kNameAttempts && !mSender; ++attempt) {
      const std::string candidate = numberedName(name, attempt);
      ndi::NDIlib_send_create_t settings{};
      settings.p_ndi_name = candidate.c_str();
      settings.p_groups = nullptr;
      settings.clock_video = false;
      settings.clock_audio = false;
      mSender = mNdi.send_create(&settings);
    }
    mGenerationSeen = true;
    mSeenGeneration = generation;
    const int createdWith = attempt - 1;
    mOwner.mNumbered.store(mSender && createdWith >= 2, std::memory_order_relaxed);

    if (!mSender) {
      mOwner.setMessage(kNoSourceMessage);
      mOwner.mState.store(static_cast<int>(NdiState::NoSource), std::memory_order_relaxed);
      mRetryAt = now + kRetrySeconds;
      return;
    }
    const ndi::NDIlib_source_t* source = mNdi.send_get_source_name(mSender);
    mOwner.setSourceName(source && source->p_ndi_name ? std::string(source->p_ndi_name) : name);
    mOwner.setMessage(std::string());
    mOwner.mState.store(static_cast<int>(NdiState::Sending), std::memory_order_relaxed);
    mNextPoll = 0.0;
  }

  // A new host rate or channel count restarts the reader, not the source.
  void followFeedSettings() {
    AudioFeed& feed = mOwner.mFeed;
    const double rate = feed.sampleRate();
    const int channels = feed.channels();
    const double buffer = feed.bufferSeconds();
    if (rate != mRate || channels != mChannels) {
      mRate = rate;
      mChannels = channels;
      mBuffer = buffer;
      mReader.setup(feed, mRate, mChannels, mBuffer);
    }
    if (buffer != mBuffer) {
      mBuffer = buffer;
      mReader.setBuffer(buffer);
    }
  }

  // The reader's sink: one planar float frame per block; dropped while
  // there is no source.
  void sendBlock(const float* samples, int stride, int channels, int frames) {
    if (!mSender) return;
    ndi::NDIlib_audio_frame_v3_t frame{};
    frame.sample_rate = static_cast<int>(std::lround(mRate));  // the host's rate, not the reader's clamped one
    frame.no_channels = channels;
    frame.no_samples = frames;
    frame.timecode = ndi::NDIlib_send_timecode_synthesize;
    frame.FourCC = ndi::NDIlib_FourCC_audio_type_FLTP;
    // The runtime only reads the frame; its declaration is not const-correct.
    frame.p_data = reinterpret_cast<uint8_t*>(const_cast<float*>(samples));
    frame.channel_stride_in_bytes = stride * static_cast<int>(sizeof(float));
    frame.p_metadata = nullptr;
    frame.timestamp = 0;
    mNdi.send_send_audio_v3(mSender, &frame);
  }

  // A zero timeout returns at once; at most four polls a second.
  void pollReceivers(double now) {
    if (!mSender || now < mNextPoll) return;
    mOwner.mReceivers.store(mNdi.send_get_no_connections(mSender, 0), std::memory_order_relaxed);
    mNextPoll = now + kPollSeconds;
  }

  void destroySource() {
    if (!mSender) return;
    mNdi.send_destroy(mSender);
    mSender = nullptr;
    mOwner.setSourceName(std::string());
  }

  NdiSender& mOwner;
  const ndi::NDIlib_v6& mNdi;
  WorkerClock& mClock;
  FeedReader mReader;
  ndi::NDIlib_send_instance_t mSender = nullptr;
  bool mGenerationSeen = false;
  uint64_t mSeenGeneration = 0;
  double mRetryAt = 0.0;
  double mNextPoll = 0.0;
  double mRate = 48000.0;  // the feed's values the reader was set up with
  int mChannels = 2;
  double mBuffer = 0.04;
};

NdiSender::NdiSender() : NdiSender(&NdiRuntime::get) {}

NdiSender::NdiSender(NdiRuntimeProvider runtime) : mRuntime(std::move(runtime)) {
  if (!mRuntime) mRuntime = &NdiRuntime::get;
}

NdiSender::~NdiSender() {
  stop();
}

void NdiSender::start(const std::string& requestedName) {
  {
    std::lock_guard<std::mutex> lock(mLock);
    if (requestedName != mRequestedName) {
      mRequestedName = requestedName;
      ++mNameGeneration;
    }
  }
  if (mRunning.load(std::memory_order_relaxed)) return;  // only this thread writes it

  mState.store(static_cast<int>(NdiState::Starting), std::memory_order_relaxed);
  mFeed.enable();
  mRunning.store(true, std::memory_order_release);
  try {
    mThread = std::thread([this] { workerMain(); });
  } catch (const std::system_error&) {
    // No thread to be had: stay off; the next tick tries again.
    mRunning.store(false, std::memory_order_release);
    mFeed.disable();
    mState.store(static_cast<int>(NdiState::Off), std::memory_order_relaxed);
  }
}

void NdiSender::stop() {
  if (!mRunning.load(std::memory_order_relaxed)) return;
  assert(std::this_thread::get_id() != mThread.get_id() && "the worker cannot stop itself");
  mFeed.disable();
  mRunning.store(false, std::memory_order_release);
  if (mThread.joinable()) mThread.join();
  mReceivers.store(0, std::memory_order_relaxed);
  mState.store(static_cast<int>(NdiState::Off), std::memory_order_relaxed);
}

bool NdiSender::running() const {
  return mRunning.load(std::memory_order_relaxed);
}

NdiState NdiSender::state() const {
  return static_cast<NdiState>(mState.load(std::memory_order_relaxed));
}

int NdiSender::receivers() const {
  return mReceivers.load(std::memory_order_relaxed);
}

bool NdiSender::numbered() const {
  return mNumbered.load(std::memory_order_relaxed);
}

std::string NdiSender::requestedName() const {
  std::lock_guard<std::mutex> lock(mLock);
  return mRequestedName;
}

std::string NdiSender::message() const {
  std::lock_guard<std::mutex> lock(mLock);
  return mMessage;
}

std::string NdiSender::sourceName() const {
  std::lock_guard<std::mutex> lock(mLock);
  return mSourceName;
}

void NdiSender::setMessage(std::string text) {
  std::lock_guard<std::mutex> lock(mLock);
  mMessage = std::move(text);
}

void NdiSender::setSourceName(std::string text) {
  std::lock_guard<std::mutex> lock(mLock);
  mSourceName = std::move(text);
}

void NdiSender::workerMain() noexcept {
  while (mRunning.load(std::memory_order_acquire)) {
    try {
      runWorker();
      return;
    } catch (...) {
      // Only running out of memory gets here; the source is already gone
      // (the worker state's destructor ran). Report it and start over later.
      try {
        setMessage(kNoSourceMessage);
      } catch (...) {
      }
      mState.store(static_cast<int>(NdiState::NoSource), std::memory_order_relaxed);
      const auto retryAt = std::chrono::steady_clock::now() + std::chrono::duration<double>(kRetrySeconds);
      while (mRunning.load(std::memory_order_acquire) && std::chrono::steady_clock::now() < retryAt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
    }
  }
}

void NdiSender::runWorker() {
  WorkerClock clock;
  const NdiRuntime& runtime = mRuntime();
  if (!runtime.available()) {
    // Nothing is retried and the feed is not drained: the state line shows
    // the reason until NDI is switched off.
    setMessage(runtime.error());
    mState.store(static_cast<int>(NdiState::Unavailable), std::memory_order_relaxed);
    while (mRunning.load(std::memory_order_acquire)) clock.wait(kMaxWorkerWaitMs);
    return;
  }
  Worker(*this, *runtime.functions(), clock).run();
}

}  // namespace relaycaster
