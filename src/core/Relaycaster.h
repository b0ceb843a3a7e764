#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

#include "core/Parameters.h"
#include "core/SrtAddress.h"
#include "core/TrackIdentity.h"
#include "editor/stream_panel/Records.h"
#include "framework/IPlugAPIBase.h"
#include "framework/graphics/IGraphics.h"
#include "presets/PresetCommands.h"
#include "transport/AudioFeed.h"
#include "transport/ndi/NdiSender.h"
#include "transport/srt/SrtSender.h"

namespace brightwold::updates {
class UpdateCheck;
class UpdateWorker;
}  // namespace brightwold::updates

namespace relaycaster {

/// The three SRT settings that are texts rather than parameters.
struct SrtTexts {
  std::string host;
  std::string streamId;
  std::string passphrase;
};

enum SrtTextField { kSrtHostField = 0, kSrtStreamIdField = 1, kSrtPassphraseField = 2 };

/// Tags of the editor controls the idle loop writes to.
enum EditorTag { kTagTitle = 0, kTagFooter = 1 };

inline constexpr const char* kVersionText = "0.4.2";
inline constexpr const char* kProductKey = "relaycaster";

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

/// The effect: passes the track's audio through untouched and hands a
/// level-scaled copy to each transport's audio feed; its idle tick runs the
/// transports and keeps the editor in step with the host.
///
/// Threads: RenderBlock runs on the host's audio thread; IdleTick, the
/// status providers and the editor's calls on the user-interface thread;
/// state save and load on a host thread. Parameters are atomic plain
/// values; SrtTexts is copied or replaced whole under srtTextsMutex.
class Relaycaster : public framework::IPlugAPIBase, private PresetStateAccess {
 public:
  Relaycaster();
  /// Stops the NDI worker, then the SRT worker, leaves the name registry,
  /// then stops the update worker.
  ~Relaycaster() override;

  // --- audio thread -----------------------------------------------------------
  void RenderBlock(double** inputs, double** outputs, int nFrames) override;

  // --- user-interface thread ---------------------------------------------------
  /// Every 20 ms: starts, updates or stops the transports, follows the host
  /// track, rebuilds the editor when its layout must change, sets the title
  /// and footer, and runs the preset bookkeeping.
  void IdleTick();
  stream_panel::StateLine ndiStateLine() const;
  stream_panel::StateLine srtStateLine() const;
  /// "NDI" (or "SRT") is off and the plug-in is not bypassed.
  bool ndiIsOff() const;
  bool srtIsOff() const;
  bool isBypassed() const;
  /// The editor's rebuild trigger for "SRT mode" and "SRT codec".
  void ParamChangedUi(int paramIdx);
  stream_panel::FeedName feedName() const;
  std::string TrackBaseName() const;
  std::string WindowTitle() const;
  int TrackColour() const;
  AccentRgba AccentColour(int alpha) const;
  std::string footerText() const;

  // --- SRT texts (any thread) ----------------------------------------------------
  SrtTexts srtTexts() const;
  std::string GetSrtText(int field) const;
  /// The editor's commit of one SRT text field (user-interface thread). The
  /// host field is parsed; a URL can also set the stream id, passphrase,
  /// "SRT port" and "SRT latency".
  void SetSrtText(int field, const std::string& text);

  /// A change made by core code on the user-interface thread, told to the
  /// host as one edit gesture.
  void SetParamFromEditor(int paramIdx, double plainValue);

  // --- state (host threads) ---------------------------------------------------------
  bool SaveStateChunk(framework::ByteChunk& chunk) override;
  /// Returns the position after the last field read, or -1.
  int LoadStateChunk(const framework::ByteChunk& chunk, int start) override;
  bool SerializeState(framework::ByteChunk& chunk) const override;
  int UnserializeState(const framework::ByteChunk& chunk, int startPos) override;
  /// Raised only for the thread that raised it: a host saving or restoring
  /// its project on another thread meanwhile still gets the passphrase.
  bool forPresetFile() const {
    return mPresetFileThread.load(std::memory_order_relaxed) == std::this_thread::get_id();
  }
  void SetForPresetFile(bool forPresetFile) override {
    mPresetFileThread.store(forPresetFile ? std::this_thread::get_id() : std::thread::id(), std::memory_order_relaxed);
  }
  int LoadedEditorWidth() const override { return mLoadedEditorWidth.load(std::memory_order_relaxed); }
  int LoadedEditorHeight() const { return mLoadedEditorHeight.load(std::memory_order_relaxed); }

  // --- editor window ---------------------------------------------------------------
  /// Brings a proposed window size within bounds and to the editor's aspect.
  bool ConstrainWindowSize(int& width, int& height) const override;
  /// The host set a new size for the open editor window.
  void HostWindowResized(int width, int height) override;
  float screenScale() const { return mScreenScale.load(std::memory_order_relaxed); }
  /// Resizes the editor to a zoom of the design (the settings menu, a
  /// preset's stored size); the screen scale is not applied, so the same
  /// zoom looks the same on every screen.
  void SetWindowScale(float scale) override;
  /// The editor's zoom: its pixel width, truncated, over the design width.
  float GetWindowScale() const override;
  /// Where the editor finds its fonts and logo (the module's resources; tests choose a folder).
  const framework::ResourceLoader& editorResources() const { return mEditorResources; }
  void setEditorResources(framework::ResourceLoader loader) { mEditorResources = std::move(loader); }
  /// The window title last composed; the layout shows it in the header.
  const std::string& lastTitle() const { return mLastTitle; }
  /// The footer control of a new layout starts empty: the next tick sets it.
  void forgetFooter() { mLastFooter.clear(); }
  bool revealPassphrase() const { return mRevealPassphrase; }
  void setRevealPassphrase(bool reveal) { mRevealPassphrase = reveal; }

  // --- settings that are not parameters ---------------------------------------------
  int accentColourIndex() const { return mAccentColourIndex.load(std::memory_order_relaxed); }
  /// Any thread; raises the editor rebuild flag when the value changes.
  void setAccentColourIndex(int index);
  bool editorRebuildPending() const { return mEditorRebuildPending.load(std::memory_order_relaxed); }
  /// The layout records what it was built for whenever it builds the editor
  /// (user-interface thread); the next tick then sets the new footer.
  void setBuiltSrtLayout(int mode, int codec);

  // --- parts --------------------------------------------------------------------------
  NdiSender& ndi() { return mNdi; }
  SrtSender& srt() { return mSrt; }
  const NdiSender& ndi() const { return mNdi; }
  const SrtSender& srt() const { return mSrt; }
  AudioFeed& ndiFeed() { return mNdi.feed(); }
  AudioFeed& srtFeed() { return mSrt.feed(); }
  PresetCommands& presets() { return mPresets; }
  brightwold::updates::UpdateCheck& updateCheck() { return *mUpdateCheck; }

  // --- framework hooks ----------------------------------------------------------------
  void OnIdle() override { IdleTick(); }
  void OnParamChangeUI(int paramIdx, framework::ParamSource source) override;
  void OnHostInitialize(framework::IHostContext* context) override { mIdentity.attachHost(context); }
  /// One line per transport: name, state kind, text, detail, drop-outs and
  /// a note (why NDI cannot run, when it cannot), separated by tabs.
  std::string StatusReport() const override;

 private:
  void declareParameters();
  void manageNdi();
  void manageSrt();
  SrtSettings currentSrtSettings() const;
  void followTrackColour();
  void rebuildEditorIfPending();
  void updateTitle();
  void updateFooter();
  std::pair<int32_t, int32_t> editorSizeForChunk() const;
  void applyLoadedEditorSize(int32_t width, int32_t height);
  void writeStateChunk(framework::ByteChunk& chunk) const;

  // Transports first: each begins with the audio feed the audio thread writes.
  NdiSender mNdi;
  SrtSender mSrt;
  LevelGain mNdiGain;  // audio thread only
  LevelGain mSrtGain;  // audio thread only

  mutable std::mutex srtTextsMutex;
  SrtTexts mSrtTexts;  // guarded by srtTextsMutex

  // Shared between the user-interface thread and state calls on host
  // threads. Each is a value of its own with nothing published through it,
  // so every access is relaxed.
  // The accent is written by exchange (state loads, the editor) so that a
  // change raises the rebuild flag exactly once; the idle tick reads it.
  std::atomic<int> mAccentColourIndex{5};
  // Raised by state loads, the editor's changes and the idle tick; the idle
  // tick takes it by exchange.
  std::atomic<bool> mEditorRebuildPending{false};
  // The thread on which the preset code is taking or applying a preset's
  // state, or no thread; relaxed, as only that thread's own store matters to it.
  std::atomic<std::thread::id> mPresetFileThread{};
  std::atomic<int> mLoadedEditorWidth{0};   // state loads write; the preset loader reads
  std::atomic<int> mLoadedEditorHeight{0};
  std::atomic<float> mScreenScale{1.0f};  // idle tick and window hooks write; state save and load read

  // Written on the user-interface thread only.
  std::atomic<int> mBuiltSrtMode{-1};   // the layout writes; also read by state loads (ParamChangedUi)
  std::atomic<int> mBuiltSrtCodec{-1};
  int mLastTrackColour = -1;
  std::string mLastTitle;
  std::string mLastFooter;
  bool mInOtherInstance = false;
  bool mRevealPassphrase = false;  // the "Show" button holds it; never saved
  framework::ResourceLoader mEditorResources;

  TrackIdentity mIdentity;
  PresetCommands mPresets;
  std::shared_ptr<brightwold::updates::UpdateCheck> mUpdateCheck;
  std::unique_ptr<brightwold::updates::UpdateWorker> mUpdateWorker;
};

}  // namespace relaycaster
