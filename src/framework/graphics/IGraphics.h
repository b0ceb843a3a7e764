#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/IEditor.h"
#include "framework/graphics/DrawingBackend.h"
#include "framework/graphics/IControl.h"
#include "framework/graphics/IPopupMenu.h"
#include "framework/graphics/IPlatformView.h"

namespace framework {

class IPlugAPIBase;
class TextEntryLayer;
class PopupMenuView;
class MessageBoxView;

/// Finds a resource of the plug-in module by name ("Roboto-Regular.ttf")
/// and type ("TTF", "SVG"); nothing when it is not there.
using ResourceLoader = std::function<std::optional<std::vector<uint8_t>>(const std::string& name, const char* type)>;

/// One open editor: its controls in a fixed design space scaled as a whole,
/// the drawing operations they use, and the text entry, popup menu and
/// message box the framework shows for them.
///
/// Frames. OnFrame (every 1/fps s, from the window's timer) asks every
/// control's IsDirty, redraws only the dirty controls' draw rectangles
/// (clipped, all controls there in attach order, later ones above) and
/// presents only those rectangles. A frame in which nothing changed draws
/// and presents nothing.
///
/// Scale. Design units × draw scale × screen scale = window pixels. The
/// window's events arrive in design units (pixels / GetTotalScale()).
///
/// Threads: the user-interface thread only.
class IGraphics final : public IEditor {
 public:
  IGraphics(IPlugAPIBase& delegate, int designWidth, int designHeight, int fps, float drawScale,
            std::unique_ptr<DrawingBackend> backend = MakeCairoBackend());
  /// Answers an open message box (kIDNO / kIDOK), closes an open entry or
  /// menu without a result, then destroys every control.
  ~IGraphics() override;
  IGraphics(const IGraphics&) = delete;
  IGraphics& operator=(const IGraphics&) = delete;

  // --- set-up ------------------------------------------------------------------
  void SetLayoutFunc(std::function<void(IGraphics&)> layout) { mLayout = std::move(layout); }
  /// Runs the layout function (the first build, and every rebuild).
  void RunLayout();
  void SetResourceLoader(ResourceLoader loader) { mResources = std::move(loader); }
  bool LoadFont(const std::string& id, const std::string& resourceName);
  /// An empty picture when the resource is missing or not a picture.
  SvgPicture LoadSVG(const std::string& resourceName, const std::string& units = "px", float dpi = 72.f);
  void SetPlatformView(IPlatformView* view);
  IPlatformView* PlatformView() const { return mPlatform; }

  // --- controls ------------------------------------------------------------------
  /// Fills the whole editor with a colour behind every control.
  void AttachPanelBackground(const IColor& colour);
  /// Takes ownership. Later controls draw above earlier ones and are hit first.
  IControl* AttachControl(IControl* control, int tag = kNoTag);
  IControl* GetControlWithTag(int tag) const;
  int NControls() const { return static_cast<int>(mControls.size()); }
  IControl* GetControl(int index) const { return mControls.at(static_cast<size_t>(index)).get(); }
  void RemoveAllControls();
  /// Visits every control bound to a parameter.
  void ForControlWithParam(int paramIdx, const std::function<void(IControl&)>& visit);
  void EnableMouseOver(bool enable) { mMouseOverEnabled = enable; }
  void SetLayoutOnResize(bool relayout) { mLayoutOnResize = relayout; }

  // --- size and scale -----------------------------------------------------------
  int Width() const { return mWidth; }  // design units
  int FPS() const { return mFps; }
  int Height() const { return mHeight; }
  float GetDrawScale() const { return mDrawScale; }
  float GetScreenScale() const { return mScreenScale; }
  float GetTotalScale() const { return mDrawScale * mScreenScale; }
  int WindowWidth() const { return mPixelWidth; }  // pixels
  int WindowHeight() const { return mPixelHeight; }
  /// Window pixels to design units (the design may be letterboxed in a
  /// window whose shape the host chose).
  void WindowToDesign(float px, float py, float& x, float& y) const;
  /// The editor at a new design size and draw scale; with
  /// `resizePlatformWindow` the window is asked to follow (the plug-in's own
  /// resize), without it the host has resized the window already. The
  /// plug-in keeps the new window size.
  void Resize(int designWidth, int designHeight, float drawScale, bool resizePlatformWindow);
  void SetScreenScale(float scale);
  /// The window got a new size from the host (pixels).
  void OnHostResized(int pixelWidth, int pixelHeight);

  // --- drawing operations for controls (design units) -----------------------------
  void FillRect(const IColor& c, const IRECT& r, const IBlend* blend = nullptr);
  void FillRoundRect(const IColor& c, const IRECT& r, float radius, const IBlend* blend = nullptr);
  void DrawRoundRect(const IColor& c, const IRECT& r, float radius, const IBlend* blend = nullptr, float thickness = 1.f);
  void FillEllipse(const IColor& c, const IRECT& r, const IBlend* blend = nullptr);
  void DrawArc(const IColor& c, float cx, float cy, float radius, float startDeg, float endDeg,
               const IBlend* blend = nullptr, float thickness = 1.f);
  void DrawLine(const IColor& c, float x1, float y1, float x2, float y2, const IBlend* blend = nullptr,
                float thickness = 1.f);
  void FillTriangle(const IColor& c, float x1, float y1, float x2, float y2, float x3, float y3,
                    const IBlend* blend = nullptr);
  void DrawText(const TextStyle& style, const std::string& text, const IRECT& r, const IBlend* blend = nullptr);
  /// The rectangle the text occupies when drawn in `r`.
  IRECT MeasureText(const TextStyle& style, const std::string& text, const IRECT& r = {});
  float MeasureTextWidth(const TextStyle& style, const std::string& text);
  void DrawSVG(const SvgPicture& picture, const IRECT& r, const IBlend* blend = nullptr);
  void PathClipRegion(const IRECT& r);
  void PathClipRegionEnd();
  DrawingBackend& Backend() { return *mBackend; }

  // --- what controls ask of the framework ----------------------------------------------
  /// The next text entry takes at most this many characters.
  void SetTextEntryLength(int maxChars) { mEntryLength = maxChars; }
  /// Opens a text entry over `bounds`; the control hears of its end through
  /// OnTextEntryCompletion. Ignored while an entry is open.
  void CreateTextEntry(IControl& control, const TextStyle& style, const IRECT& bounds, const std::string& initial,
                       int valIdx = kNoValIdx);
  bool HasTextEntry() const override { return mEntry != nullptr; }
  TextEntryLayer* GetTextEntry() const { return mEntry.get(); }
  /// Opens a popup menu anchored under `anchor`; the control hears of the
  /// choice through OnPopupMenuSelection. Ignored while one is open.
  void CreatePopupMenu(IControl& control, IPopupMenu& menu, const IRECT& anchor, int valIdx = kNoValIdx);
  bool HasPopupMenu() const { return mMenu != nullptr; }
  PopupMenuView* GetPopupMenu() const { return mMenu.get(); }
  /// Where the open menu stands, in editor design units (it may reach outside the editor).
  IRECT PopupMenuBounds() const { return mMenuBounds; }
  void ShowMessageBox(const std::string& text, const std::string& caption, MessageBoxType type,
                      std::function<void(int)> answer) override;
  /// A box is open, drawn by the toolkit or shown by the system.
  bool HasMessageBox() const { return mBox != nullptr || mSystemBox; }
  /// The drawn box; null while none is open or the system shows it.
  MessageBoxView* GetMessageBox() const { return mBox.get(); }
  /// The answer to the box the system shows (IPlatformView::ShowMessageBox);
  /// ignored when none is open. Anything but the box's own buttons' answers
  /// counts as dismissing it.
  void OnMessageBoxAnswer(int answer);
  /// Returns the cursor it replaced.
  ECursor SetMouseCursor(ECursor cursor);
  ECursor GetMouseCursor() const { return mCursor; }
  /// Opens an address in the browser (http and https only); tests replace the opener.
  bool OpenURL(const std::string& url);
  void SetURLOpener(std::function<bool(const std::string&)> opener) { mURLOpener = std::move(opener); }
  /// Monotonic time; tests replace the clock.
  int64_t NowNanos() const;
  int64_t NowMillis() const { return NowNanos() / 1000000; }
  void SetClock(std::function<int64_t()> nanos) { mClock = std::move(nanos); }
  IPlugAPIBase& Delegate() { return mDelegate; }

  /// An area to redraw that no dirty control covers (a control hidden,
  /// moved or removed).
  void MarkAreaDirty(const IRECT& area) { mExtraDirty.push_back(area); }

  // --- edits, for controls -----------------------------------------------------------------
  /// A triggered change of a bound control: one gesture, or part of the
  /// gesture of the press in progress.
  void SendControlValue(IControl& control);

  // --- the window's event interface (design units) ------------------------------------------
  void OnMouseDown(float x, float y, const IMouseMod& mod);
  void OnMouseUp(float x, float y, const IMouseMod& mod);
  /// Motion with or without buttons held (drags go to the pressed control).
  void OnMouseMove(float x, float y, const IMouseMod& mod);
  void OnMouseDblClick(float x, float y, const IMouseMod& mod);
  void OnMouseWheel(float x, float y, const IMouseMod& mod, float delta);
  /// The mouse left the window.
  void OnMouseOut();
  /// A key press, only while a text entry, menu or message box is open;
  /// false when nothing took it (the platform then leaves it to the host).
  bool OnKeyDown(const KeyPress& key);
  /// The window lost the keyboard focus: an open text entry commits.
  void OnFocusLost();
  /// Text from RequestPaste.
  void OnPaste(const std::string& text);
  /// The popup window's events, in its own design units.
  void OnPopupMouseMove(float x, float y);
  void OnPopupMouseDown(float x, float y);
  void OnPopupMouseUp(float x, float y);
  /// The wheel over the popup scrolls a menu taller than its window.
  void OnPopupMouseWheel(float x, float y, float delta);
  /// The popup lost its grab (another window took the mouse): dismissed.
  void OnPopupLost();

  // --- frames ---------------------------------------------------------------------------------
  /// One frame: dirty checks, drawing of the dirty areas, presentation.
  void OnFrame();
  /// Runs every control's dirty check and returns the areas to redraw, in design units.
  std::vector<IRECT> CollectDirtyAreas();
  /// Draws these areas into the back buffer.
  void DrawAreas(const std::vector<IRECT>& areas);
  /// Draws everything (snapshots, a window shown again).
  void DrawAll();
  PixelBuffer Pixels() { return mBackend->Pixels(); }
  /// Frames that drew something, and controls drawn, since the editor opened.
  uint64_t FramesDrawn() const { return mFramesDrawn; }
  uint64_t ControlsDrawn() const { return mControlsDrawn; }

  // --- IEditor (what the plug-in core asks) ------------------------------------------------------
  bool SetControlText(int tag, const std::string& text) override;
  void Rebuild() override;
  void SetAllControlsDirty() override;
  void SendParameterValue(int paramIdx, double normalizedValue) override;
  float DrawScale() const override { return mDrawScale; }
  float ScreenScale() const override { return mScreenScale; }
  void SetDrawScale(float scale) override { Resize(mWidth, mHeight, scale, false); }

 private:
  struct PendingBox;
  IControl* ControlAt(float x, float y) const;
  void EndGesture();
  void UpdateMouseOver(float x, float y, const IMouseMod& mod);
  void ResizeBackBuffer();
  void PlaceDesign();
  IRECT WholeWindowInDesign() const;
  void OpenMessageBox(PendingBox box);
  void CloseTextEntry(bool commit);
  void CloseMenu(bool chosen);
  void RedrawMenu();
  void AnswerMessageBox(int answer);
  void DrawLayers(const IRECT& area);
  std::vector<PixelRect> ToPixels(const std::vector<IRECT>& areas) const;

  IPlugAPIBase& mDelegate;
  std::unique_ptr<DrawingBackend> mBackend;
  std::unique_ptr<DrawingBackend> mMenuBackend;
  IPlatformView* mPlatform = nullptr;
  std::function<void(IGraphics&)> mLayout;
  ResourceLoader mResources;

  int mWidth;
  int mHeight;
  int mFps;
  float mDrawScale;
  float mScreenScale = 1.f;
  int mPixelWidth = 0;  // the back buffer and window, in pixels
  int mPixelHeight = 0;
  bool mHostSized = false;  // the host chose the window's size (it may not match the design's shape)
  float mOriginX = 0.f;     // where the design's top-left corner lies in the window, in pixels
  float mOriginY = 0.f;
  bool mMouseOverEnabled = false;
  bool mLayoutOnResize = false;

  std::optional<IColor> mBackground;
  std::vector<std::unique_ptr<IControl>> mControls;
  std::vector<IRECT> mExtraDirty;  // areas to redraw that no dirty control covers (hidden, moved, removed)

  IControl* mCaptured = nullptr;   // the control a held button belongs to
  IControl* mMouseOver = nullptr;  // the control under the mouse
  IControl* mGestureControl = nullptr;  // an edit gesture is open for this control's parameter
  float mLastPixelX = 0.f;  // the last mouse position in pixels, so drag deltas survive a scale change
  float mLastPixelY = 0.f;
  ECursor mCursor = ECursor::Arrow;

  int mEntryLength = 1024;
  std::unique_ptr<TextEntryLayer> mEntry;
  bool mEntryDragging = false;
  std::unique_ptr<PopupMenuView> mMenu;
  IControl* mMenuOwner = nullptr;
  IPopupMenu* mMenuModel = nullptr;
  int mMenuValIdx = kNoValIdx;
  IRECT mMenuBounds;
  struct PendingBox {
    std::string text;
    std::string caption;
    MessageBoxType type;
    std::function<void(int)> answer;
  };
  std::unique_ptr<MessageBoxView> mBox;
  bool mSystemBox = false;  // the platform shows the open box
  MessageBoxType mSystemBoxType = kMB_OK;
  std::function<void(int)> mBoxAnswer;
  std::vector<PendingBox> mQueuedBoxes;  // reports that arrived while a box was open

  std::function<bool(const std::string&)> mURLOpener;
  std::function<int64_t()> mClock;

  uint64_t mFramesDrawn = 0;
  uint64_t mControlsDrawn = 0;
};

}  // namespace framework
