#pragma once

#include <atomic>
#include <mutex>
#include <string>

#include "core/Parameters.h"
#include "core/SrtAddress.h"
#include "framework/IPlugAPIBase.h"
#include "transport/AudioFeed.h"

namespace relaycaster {

/// The three SRT settings that are texts rather than parameters.
struct SrtTexts {
  std::string host;
  std::string streamId;
  std::string passphrase;
};

enum SrtTextField { kSrtHostField = 0, kSrtStreamIdField = 1, kSrtPassphraseField = 2 };

/// levelToGain() for a level that rarely changes: recomputed only when the
/// level moves, so that a block costs no power-of-ten while faders rest.
class LevelGain {
 public:
  float operator()(double levelDb) {
    if (levelDb != mLevel) {
      mLevel = levelDb;
      mGain = levelToGain(levelDb);
    }
    return mGain;
  }

 private:
  double mLevel = 0.0;
  float mGain = 1.0f;
};

/// The configuration handed to the framework.
framework::PluginConfig MakeRelaycasterConfig();

inline constexpr const char* kVersionText = "0.4.2";

/// The effect: passes the track's audio through untouched and hands a
/// level-scaled copy to each transport's audio feed.
///
/// Threads: RenderBlock runs on the host's audio thread; everything else
/// documented per method. Parameters are atomic plain values; SrtTexts is
/// copied or replaced whole under srtTextsMutex.
class Relaycaster : public framework::IPlugAPIBase {
 public:
  Relaycaster();
  ~Relaycaster() override;

  // --- audio thread ---------------------------------------------------------
  void RenderBlock(double** inputs, double** outputs, int nFrames) override;

  // --- SRT texts (any thread) -------------------------------------------------
  SrtTexts srtTexts() const;
  std::string GetSrtText(int field) const;
  /// The editor's commit of one SRT text field (user-interface thread). The
  /// host field is parsed; a URL can also set the stream id, passphrase,
  /// "SRT port" and "SRT latency".
  void SetSrtText(int field, const std::string& text);

  /// A change made by core code on the user-interface thread, told to the
  /// host as one edit gesture.
  void SetParamFromEditor(int paramIdx, double plainValue);

  // --- settings that are not parameters --------------------------------------
  int accentColourIndex() const { return mAccentColourIndex.load(std::memory_order_relaxed); }
  /// Any thread; raises the editor rebuild flag when the value changes.
  void setAccentColourIndex(int index);
  bool editorRebuildPending() const { return mEditorRebuildPending.load(std::memory_order_relaxed); }

  // --- feeds ----------------------------------------------------------------
  AudioFeed& ndiFeed() { return mNdiFeed; }
  AudioFeed& srtFeed() { return mSrtFeed; }

 private:
  void declareParameters();

  AudioFeed mNdiFeed;
  AudioFeed mSrtFeed;
  LevelGain mNdiGain;  // audio thread only
  LevelGain mSrtGain;  // audio thread only

  mutable std::mutex srtTextsMutex;
  SrtTexts mSrtTexts;  // guarded by srtTextsMutex

  std::atomic<int> mAccentColourIndex{5};
  std::atomic<bool> mEditorRebuildPending{false};
};

}  // namespace relaycaster
