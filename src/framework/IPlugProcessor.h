#pragma once

#include <atomic>

namespace framework {

/// The processing side of a plug-in. A host binding calls ProcessBuffers()
/// on the audio thread with 64-bit channel arrays; the plug-in implements
/// RenderBlock().
///
/// Threads: ProcessBuffers and RenderBlock run on the audio thread. The
/// sample rate, block size, offline and host-bypass flags are written by the
/// binding (any host thread) and read anywhere, each a single atomic word.
class IPlugProcessor {
 public:
  virtual ~IPlugProcessor() = default;

  /// Audio thread. Records the connected channel counts, then either passes
  /// input to output (host bypass engaged) or calls RenderBlock(). Null
  /// channel arrays count as no channels.
  void ProcessBuffers(double** inputs, int nInputs, double** outputs, int nOutputs, int nFrames);

  /// The plug-in's audio callback. The connected channel counts are
  /// NInChansConnected() and NOutChansConnected() during the call.
  virtual void RenderBlock(double** inputs, double** outputs, int nFrames) = 0;

  int NInChansConnected() const { return mInputsConnected; }
  int NOutChansConnected() const { return mOutputsConnected; }

  double GetSampleRate() const { return mSampleRate.load(std::memory_order_relaxed); }
  void SetSampleRate(double sampleRate) { mSampleRate.store(sampleRate, std::memory_order_relaxed); }
  int GetBlockSize() const { return mBlockSize.load(std::memory_order_relaxed); }
  void SetBlockSize(int frames) { mBlockSize.store(frames, std::memory_order_relaxed); }
  /// True while the host renders offline; the binding updates it before
  /// every ProcessBuffers().
  bool GetRenderingOffline() const { return mOffline.load(std::memory_order_relaxed); }
  void SetRenderingOffline(bool offline) { mOffline.store(offline, std::memory_order_relaxed); }
  /// The host's own bypass, separate from any bypass parameter of the plug-in.
  bool GetHostBypassed() const { return mHostBypassed.load(std::memory_order_relaxed); }
  void SetHostBypassed(bool bypassed) { mHostBypassed.store(bypassed, std::memory_order_relaxed); }
  int GetLatency() const { return mLatency; }

  /// Copies inputs to outputs the way a transparent effect does: output i
  /// gets input i (skipped when both are the same buffer), further outputs a
  /// copy of output 0, or silence when there is no input.
  static void PassThrough(double** inputs, int nInputs, double** outputs, int nOutputs, int nFrames);

 protected:
  void SetLatency(int samples) { mLatency = samples; }

 private:
  int mInputsConnected = 0;   // audio thread only
  int mOutputsConnected = 0;  // audio thread only
  int mLatency = 0;  // set while the plug-in is constructed; read-only afterwards
  std::atomic<double> mSampleRate{48000.0};
  std::atomic<int> mBlockSize{512};
  std::atomic<bool> mOffline{false};
  std::atomic<bool> mHostBypassed{false};
};

}  // namespace framework
