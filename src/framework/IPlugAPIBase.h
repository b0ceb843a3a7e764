#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "framework/IEditor.h"
#include "framework/IPlugProcessor.h"
#include "framework/IPluginBase.h"

namespace framework {

class IGraphics;

/// The host side of parameter edits: a host binding implements it so that
/// the host learns about changes made inside the plug-in.
class IHostNotifier {
 public:
  virtual ~IHostNotifier() = default;
  virtual void BeginEdit(int paramIdx) = 0;
  virtual void PerformEdit(int paramIdx, double normalizedValue) = 0;
  virtual void EndEdit(int paramIdx) = 0;
};

/// Access to the host's own interfaces by 16-byte interface id, offered by
/// the binding while the host initialises the plug-in. The pointer returned
/// stays owned by the host and valid for the plug-in's life.
class IHostContext {
 public:
  virtual ~IHostContext() = default;
  virtual void* QueryHostInterface(const uint8_t (&interfaceId)[16]) = 0;
};

/// What the host reports about the track (channel) the plug-in sits on.
struct ChannelInfo {
  std::string name;    // UTF-8, empty until reported
  int index = 0;
  uint32_t argb = 0;   // 0 until reported
};

/// The base a plug-in derives from: parameters and state (IPluginBase),
/// processing (IPlugProcessor), and the calls that connect both to a host
/// binding and to an editor.
///
/// Threads: edits from the editor and OnTimer run on the user-interface
/// thread; host parameter changes arrive on the thread the host uses for
/// its edit controller; the channel information is written by host calls
/// and read by the user-interface thread under its own lock.
class IPlugAPIBase : public IPluginBase, public IPlugProcessor {
 public:
  explicit IPlugAPIBase(const PluginConfig& config);
  ~IPlugAPIBase() override;

  // --- binding side ---------------------------------------------------------
  void SetHostNotifier(IHostNotifier* notifier) { mHost = notifier; }
  /// The host initialises the plug-in; a plug-in may look up host extensions.
  virtual void OnHostInitialize(IHostContext* /*context*/) {}
  /// The 20 ms timer on the user-interface thread. Queued editor work is
  /// handled first; OnIdle() runs last.
  void OnTimer() { OnIdle(); }
  /// A parameter change the host sent to the edit controller.
  void SetParameterValueFromHost(int paramIdx, double normalizedValue);
  void SetChannelInfo(const ChannelInfo& info);
  ChannelInfo GetChannelInfo() const;

  // --- editor side ----------------------------------------------------------
  /// An edit gesture from the editor: begin, set (informs the host and
  /// notifies OnParamChangeUI), end.
  void BeginInformHostOfParamChange(int paramIdx);
  void SendParameterValueFromUI(int paramIdx, double normalizedValue);
  void EndInformHostOfParamChange(int paramIdx);
  /// Hands every parameter's value to the open editor's controls.
  void SendAllParameterValuesToEditor();

  void AttachEditor(IEditor* editor) { mEditor = editor; }
  void DetachEditor() { mEditor = nullptr; }
  IEditor* GetEditor() const { return mEditor; }
  bool EditorIsOpen() const { return mEditor != nullptr; }

  /// The plug-in's editor factory and layout function, installed by its constructor.
  using MakeGraphicsFunc = std::function<std::unique_ptr<IGraphics>()>;
  using LayoutFunc = std::function<void(IGraphics&)>;
  void SetEditorFunctions(MakeGraphicsFunc make, LayoutFunc layout);
  bool HasEditor() const { return static_cast<bool>(mMakeGraphics); }
  /// The host opens the editor: the factory makes the graphics, the layout
  /// builds it, and it becomes the plug-in's editor. nullptr when the
  /// plug-in has none or making it failed. One editor at a time.
  IGraphics* OpenEditor();
  /// Destroys the open editor (answering an open message box first).
  void CloseEditor();
  IGraphics* GetGraphics() const { return mGraphics.get(); }

  /// The editor view's hooks for host resizing: adjusts a proposed window
  /// size in place and says whether it was acceptable as it stood, and
  /// hears of a size the host has set.
  virtual bool ConstrainWindowSize(int& /*width*/, int& /*height*/) const { return true; }
  virtual void HostWindowResized(int width, int height) { SetWindowSize(width, height); }

  /// The window size kept for the editor while it is closed.
  void SetWindowSize(int width, int height);
  int WindowWidth() const { return mWindowWidth.load(std::memory_order_relaxed); }
  int WindowHeight() const { return mWindowHeight.load(std::memory_order_relaxed); }

  /// Shows a message box through the open editor and returns at once;
  /// `answer` (may be empty) gets the answer later. Without an editor
  /// nothing is shown and `answer` gets kNoResult at once.
  void ShowMessageBox(const std::string& text, const std::string& caption, MessageBoxType type,
                      std::function<void(int)> answer = {});

  // --- plug-in hooks --------------------------------------------------------
  /// User-interface thread, after a change from the editor or the host.
  virtual void OnParamChangeUI(int /*paramIdx*/, ParamSource /*source*/) {}
  /// User-interface thread, every 20 ms while the plug-in exists.
  virtual void OnIdle() {}
  /// A short status text for hosts and tools that ask for one (never run
  /// concurrently with OnIdle): one line per item, fields separated by tabs.
  virtual std::string StatusReport() const { return {}; }

 private:
  IHostNotifier* mHost = nullptr;  // set when the binding takes the plug-in, cleared when it lets go
  // Attached and detached on the user-interface thread, where the core also
  // uses it (VST 3 hosts save and load state on that thread too).
  IEditor* mEditor = nullptr;
  MakeGraphicsFunc mMakeGraphics;
  LayoutFunc mLayout;
  std::unique_ptr<IGraphics> mGraphics;  // the open editor, when the framework made it
  std::atomic<int> mWindowWidth{0};   // state loads (host thread) and the editor write it
  std::atomic<int> mWindowHeight{0};
  mutable std::mutex mChannelMutex;
  ChannelInfo mChannel;  // guarded by mChannelMutex
};

}  // namespace framework
