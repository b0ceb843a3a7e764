#include "framework/graphics/IGraphics.h"

#include <algorithm>
#include <cmath>

#include "framework/IPlugAPIBase.h"
#include "framework/graphics/MessageBoxView.h"
#include "framework/graphics/PopupMenuView.h"
#include "framework/graphics/TextEntry.h"

namespace framework {
namespace {

/// The answer when a box goes without one: No for a question, else OK.
int DismissAnswerOf(MessageBoxType type) { return type == kMB_YESNO ? kIDNO : kIDOK; }

bool StartsWithNoCase(const std::string& text, const char* prefix) {
  for (size_t i = 0; prefix[i]; ++i)
    if (i >= text.size() || std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  return true;
}

/// Merges overlapping areas so no pixel is drawn twice in one frame.
std::vector<IRECT> MergeOverlapping(std::vector<IRECT> areas) {
  bool merged = true;
  while (merged) {
    merged = false;
    for (size_t i = 0; i < areas.size() && !merged; ++i)
      for (size_t j = i + 1; j < areas.size() && !merged; ++j)
        if (areas[i].Intersects(areas[j])) {
          areas[i] = areas[i].Union(areas[j]);
          areas.erase(areas.begin() + static_cast<std::ptrdiff_t>(j));
          merged = true;
        }
  }
  return areas;
}

}  // namespace

IGraphics::IGraphics(IPlugAPIBase& delegate, int designWidth, int designHeight, int fps, float drawScale,
                     std::unique_ptr<DrawingBackend> backend)
    : mDelegate(delegate),
      mBackend(std::move(backend)),
      mMenuBackend(MakeCairoBackend()),
      mWidth(designWidth),
      mHeight(designHeight),
      mFps(fps),
      mDrawScale(drawScale > 0.f ? drawScale : 1.f) {
  PlaceDesign();
  ResizeBackBuffer();
}

IGraphics::~IGraphics() {
  // Questions left open are answered as if declined; the answers run
  // while the controls still exist.
  while (HasMessageBox()) AnswerMessageBox(mBox ? mBox->DismissAnswer() : DismissAnswerOf(mSystemBoxType));
  if (mMenu) CloseMenu(false);
  mEntry.reset();  // an entry closed by the editor's end commits nothing
  EndGesture();
  mControls.clear();
}

// --- set-up --------------------------------------------------------------------------------

void IGraphics::RunLayout() {
  if (mLayout) mLayout(*this);
  SetAllControlsDirty();
}

bool IGraphics::LoadFont(const std::string& id, const std::string& resourceName) {
  if (!mResources) return false;
  std::optional<std::vector<uint8_t>> bytes = mResources(resourceName, "TTF");
  return bytes && mBackend->LoadFont(id, *bytes) && mMenuBackend->LoadFont(id, std::move(*bytes));
}

SvgPicture IGraphics::LoadSVG(const std::string& resourceName, const std::string& units, float dpi) {
  if (!mResources || units != "px") return {};
  std::optional<std::vector<uint8_t>> bytes = mResources(resourceName, "SVG");
  if (!bytes) return {};
  return ParseSvg(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()), dpi);
}

void IGraphics::SetPlatformView(IPlatformView* view) {
  mPlatform = view;
  if (mPlatform) mPlatform->SetCursor(mCursor);
}

// --- controls ------------------------------------------------------------------------------

void IGraphics::AttachPanelBackground(const IColor& colour) {
  mBackground = colour;
  MarkAreaDirty(WholeWindowInDesign());
}

IControl* IGraphics::AttachControl(IControl* control, int tag) {
  if (!control) return nullptr;
  mControls.emplace_back(control);
  control->AttachTo(*this, tag);
  if (const IParam* param = control->GetParam()) control->SetValue(param->GetNormalized());
  control->OnAttached();
  control->SetDirty(false);
  return control;
}

IControl* IGraphics::GetControlWithTag(int tag) const {
  if (tag == kNoTag) return nullptr;
  for (const auto& control : mControls)
    if (control->GetTag() == tag) return control.get();
  return nullptr;
}

void IGraphics::RemoveAllControls() {
  EndGesture();
  if (mEntry) CloseTextEntry(false);
  if (mMenu) CloseMenu(false);
  mCaptured = nullptr;
  mMouseOver = nullptr;
  mControls.clear();
  mBackground.reset();
  MarkAreaDirty(WholeWindowInDesign());
}

void IGraphics::ForControlWithParam(int paramIdx, const std::function<void(IControl&)>& visit) {
  for (const auto& control : mControls)
    if (control->GetParamIdx() == paramIdx) visit(*control);
}

// --- size and scale ------------------------------------------------------------------------

void IGraphics::WindowToDesign(float px, float py, float& x, float& y) const {
  const float scale = GetTotalScale();
  x = (px - mOriginX) / scale;
  y = (py - mOriginY) / scale;
}

void IGraphics::Resize(int designWidth, int designHeight, float drawScale, bool resizePlatformWindow) {
  if (designWidth <= 0 || designHeight <= 0 || !(drawScale > 0.f)) return;
  if (designWidth == mWidth && designHeight == mHeight && drawScale == mDrawScale) return;
  mWidth = designWidth;
  mHeight = designHeight;
  mDrawScale = drawScale;
  if (resizePlatformWindow) mHostSized = false;  // our own size: the window follows the design
  PlaceDesign();
  ResizeBackBuffer();
  for (const auto& control : mControls) control->OnResize();
  mDelegate.SetWindowSize(mPixelWidth, mPixelHeight);
  if (resizePlatformWindow && mPlatform) mPlatform->RequestResize(mPixelWidth, mPixelHeight);
}

void IGraphics::SetScreenScale(float scale) {
  if (!(scale > 0.f) || scale == mScreenScale) return;
  mScreenScale = scale;
  PlaceDesign();
  ResizeBackBuffer();
  if (!mHostSized) mDelegate.SetWindowSize(mPixelWidth, mPixelHeight);
}

void IGraphics::OnHostResized(int pixelWidth, int pixelHeight) {
  if (pixelWidth <= 0 || pixelHeight <= 0) return;
  mHostSized = true;
  if (pixelWidth == mPixelWidth && pixelHeight == mPixelHeight) return;
  mPixelWidth = pixelWidth;
  mPixelHeight = pixelHeight;
  PlaceDesign();
  ResizeBackBuffer();
}

// Without a size from the host the window is the design at the total
// scale; with one the design is letterboxed, centred, in the host's window.
void IGraphics::PlaceDesign() {
  const float scale = GetTotalScale();
  const float designPixelsW = static_cast<float>(mWidth) * scale;
  const float designPixelsH = static_cast<float>(mHeight) * scale;
  if (!mHostSized) {
    mPixelWidth = static_cast<int>(std::lround(designPixelsW));
    mPixelHeight = static_cast<int>(std::lround(designPixelsH));
  }
  mOriginX = std::max(0.f, std::floor(0.5f * (static_cast<float>(mPixelWidth) - designPixelsW)));
  mOriginY = std::max(0.f, std::floor(0.5f * (static_cast<float>(mPixelHeight) - designPixelsH)));
}

void IGraphics::ResizeBackBuffer() {
  mBackend->SetSurface(mPixelWidth, mPixelHeight, GetTotalScale(), mOriginX, mOriginY);
  mExtraDirty.clear();
  MarkAreaDirty(WholeWindowInDesign());
  if (mMenu) RedrawMenu();
}

IRECT IGraphics::WholeWindowInDesign() const {
  float l = 0, t = 0, r = 0, b = 0;
  WindowToDesign(0, 0, l, t);
  WindowToDesign(static_cast<float>(mPixelWidth), static_cast<float>(mPixelHeight), r, b);
  return {l, t, r, b};
}

// --- drawing operations ------------------------------------------------------------------------

namespace {
float Weight(const IBlend* blend) { return blend ? blend->weight : 1.f; }
}  // namespace

void IGraphics::FillRect(const IColor& c, const IRECT& r, const IBlend* blend) { mBackend->FillRect(c, r, Weight(blend)); }

void IGraphics::FillRoundRect(const IColor& c, const IRECT& r, float radius, const IBlend* blend) {
  mBackend->FillRoundRect(c, r, radius, Weight(blend));
}

void IGraphics::DrawRoundRect(const IColor& c, const IRECT& r, float radius, const IBlend* blend, float thickness) {
  mBackend->DrawRoundRect(c, r, radius, thickness, Weight(blend));
}

void IGraphics::FillEllipse(const IColor& c, const IRECT& r, const IBlend* blend) {
  mBackend->FillEllipse(c, r, Weight(blend));
}

void IGraphics::DrawArc(const IColor& c, float cx, float cy, float radius, float startDeg, float endDeg,
                        const IBlend* blend, float thickness) {
  mBackend->DrawArc(c, cx, cy, radius, startDeg, endDeg, thickness, Weight(blend));
}

void IGraphics::DrawLine(const IColor& c, float x1, float y1, float x2, float y2, const IBlend* blend,
                         float thickness) {
  mBackend->DrawLine(c, x1, y1, x2, y2, thickness, Weight(blend));
}

void IGraphics::FillTriangle(const IColor& c, float x1, float y1, float x2, float y2, float x3, float y3,
                             const IBlend* blend) {
  mBackend->FillTriangle(c, x1, y1, x2, y2, x3, y3, Weight(blend));
}

void IGraphics::DrawText(const TextStyle& style, const std::string& text, const IRECT& r, const IBlend* blend) {
  mBackend->DrawText(style, text, r, Weight(blend));
}

IRECT IGraphics::MeasureText(const TextStyle& style, const std::string& text, const IRECT& r) {
  return mBackend->MeasureText(style, text, r);
}

float IGraphics::MeasureTextWidth(const TextStyle& style, const std::string& text) {
  return MeasureText(style, text).W();
}

void IGraphics::DrawSVG(const SvgPicture& picture, const IRECT& r, const IBlend* blend) {
  mBackend->DrawSvg(picture, r, Weight(blend));
}

void IGraphics::PathClipRegion(const IRECT& r) { mBackend->PushClip(r); }
void IGraphics::PathClipRegionEnd() { mBackend->PopClip(); }

// --- text entry, menus, message boxes, cursor, addresses, clock ------------------------------------

void IGraphics::CreateTextEntry(IControl& control, const TextStyle& style, const IRECT& bounds,
                                const std::string& initial, int valIdx) {
  if (mEntry) return;
  mEntry = std::make_unique<TextEntryLayer>(control, style, bounds, initial, mEntryLength, valIdx);
  mEntry->Model().SelectAll();  // typing replaces the old value at once
  MarkAreaDirty(bounds);
  if (mPlatform) mPlatform->SetKeyboardFocus(true);
}

void IGraphics::CloseTextEntry(bool commit) {
  if (!mEntry) return;
  std::unique_ptr<TextEntryLayer> entry = std::move(mEntry);
  mEntryDragging = false;
  MarkAreaDirty(entry->Bounds());
  if (mPlatform && !mBox) mPlatform->SetKeyboardFocus(false);
  const std::string text = entry->Model().Text();
  entry->Owner().OnTextEntryCompletion(commit ? text.c_str() : nullptr, entry->ValIdx());
}

void IGraphics::CreatePopupMenu(IControl& control, IPopupMenu& menu, const IRECT& anchor, int valIdx) {
  if (mMenu) return;
  const TextStyle style = PopupMenuView::ItemStyle();
  mMenu = std::make_unique<PopupMenuView>(
      menu, [this, style](std::string_view text) { return mBackend->MeasureText(style, text, {}).W(); });
  mMenuOwner = &control;
  mMenuModel = &menu;
  mMenuValIdx = valIdx;
  mMenuBounds = {anchor.L, anchor.B, anchor.L + mMenu->Width(), anchor.B + mMenu->Height()};
  if (!mPlatform) return;  // off-screen: the menu is driven through OnPopup* and OnKeyDown
  const float scale = GetTotalScale();
  const IRECT anchorPixels = anchor.Scaled(scale).RoundedOut();
  const PixelRect anchorRect{static_cast<int>(anchorPixels.L + mOriginX), static_cast<int>(anchorPixels.T + mOriginY),
                             static_cast<int>(anchorPixels.W()), static_cast<int>(anchorPixels.H())};
  const int width = static_cast<int>(std::ceil(mMenu->Width() * scale));
  const int height = static_cast<int>(std::ceil(mMenu->Height() * scale));
  if (!mPlatform->ShowPopup(anchorRect, width, height)) {
    CloseMenu(false);
    return;
  }
  RedrawMenu();
}

void IGraphics::RedrawMenu() {
  if (!mMenu) return;
  const float scale = GetTotalScale();
  const int width = static_cast<int>(std::ceil(mMenu->Width() * scale));
  const int height = static_cast<int>(std::ceil(mMenu->Height() * scale));
  if (!mMenuBackend->SetSurface(width, height, scale)) return;
  mMenu->Draw(*mMenuBackend);
  if (mPlatform) mPlatform->PresentPopup(mMenuBackend->Pixels());
}

void IGraphics::CloseMenu(bool chosen) {
  if (!mMenu) return;
  std::unique_ptr<PopupMenuView> view = std::move(mMenu);
  IControl* owner = mMenuOwner;
  IPopupMenu* model = mMenuModel;
  mMenuOwner = nullptr;
  mMenuModel = nullptr;
  mMenuBounds = {};
  if (mPlatform) mPlatform->HidePopup();
  if (chosen) model->SetChosenItemIdx(view->Chosen());
  owner->OnPopupMenuSelection(chosen ? model : nullptr, mMenuValIdx);
}

void IGraphics::ShowMessageBox(const std::string& text, const std::string& caption, MessageBoxType type,
                               std::function<void(int)> answer) {
  PendingBox box{text, caption, type, std::move(answer)};
  if (HasMessageBox()) {
    mQueuedBoxes.push_back(std::move(box));
    return;
  }
  OpenMessageBox(std::move(box));
}

void IGraphics::OpenMessageBox(PendingBox box) {
  if (mMenu) CloseMenu(false);
  if (mPlatform && mPlatform->ShowMessageBox(box.text, box.caption, box.type)) {
    // The system's box takes the keyboard itself.
    mSystemBox = true;
    mSystemBoxType = box.type;
    mBoxAnswer = std::move(box.answer);
    return;
  }
  mBox = std::make_unique<MessageBoxView>(std::move(box.text), std::move(box.caption), box.type,
                                          IRECT(0, 0, static_cast<float>(mWidth), static_cast<float>(mHeight)));
  mBoxAnswer = std::move(box.answer);
  MarkAreaDirty(WholeWindowInDesign());
  if (mPlatform) mPlatform->SetKeyboardFocus(true);
}

void IGraphics::OnMessageBoxAnswer(int answer) {
  if (!mSystemBox) return;
  const bool ownButton = mSystemBoxType == kMB_YESNO ? (answer == kIDYES || answer == kIDNO) : answer == kIDOK;
  AnswerMessageBox(ownButton ? answer : DismissAnswerOf(mSystemBoxType));
}

void IGraphics::AnswerMessageBox(int answer) {
  if (!HasMessageBox()) return;
  std::function<void(int)> reply = std::move(mBoxAnswer);
  if (mBox) MarkAreaDirty(WholeWindowInDesign());
  mBox.reset();
  mSystemBox = false;
  if (!mQueuedBoxes.empty()) {
    PendingBox next = std::move(mQueuedBoxes.front());
    mQueuedBoxes.erase(mQueuedBoxes.begin());
    OpenMessageBox(std::move(next));
  } else if (mPlatform && !mEntry) {
    mPlatform->SetKeyboardFocus(false);
  }
  if (reply) reply(answer);
}

ECursor IGraphics::SetMouseCursor(ECursor cursor) {
  const ECursor previous = mCursor;
  mCursor = cursor;
  if (mPlatform && cursor != previous) mPlatform->SetCursor(cursor);
  return previous;
}

bool IGraphics::OpenURL(const std::string& url) {
  if (!StartsWithNoCase(url, "http://") && !StartsWithNoCase(url, "https://")) return false;
  if (mURLOpener) return mURLOpener(url);
  return mPlatform && mPlatform->OpenURL(url);
}

int64_t IGraphics::NowNanos() const {
  if (mClock) return mClock();
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// --- edits -------------------------------------------------------------------------------------------

void IGraphics::SendControlValue(IControl& control) {
  const int paramIdx = control.GetParamIdx();
  if (paramIdx < 0 || paramIdx >= mDelegate.NParams()) return;
  const double value = control.GetValue();
  if (&control == mCaptured) {
    // One gesture from the press to the release.
    if (mGestureControl != &control) {
      EndGesture();
      mDelegate.BeginInformHostOfParamChange(paramIdx);
      mGestureControl = &control;
    }
    mDelegate.SendParameterValueFromUI(paramIdx, value);
  } else {
    mDelegate.BeginInformHostOfParamChange(paramIdx);
    mDelegate.SendParameterValueFromUI(paramIdx, value);
    mDelegate.EndInformHostOfParamChange(paramIdx);
  }
  // Other controls bound to the parameter (a knob's caption) follow at once.
  const double stored = mDelegate.GetParam(paramIdx)->GetNormalized();
  ForControlWithParam(paramIdx, [&](IControl& other) {
    if (&other != &control) other.SetValueFromDelegate(stored);
  });
}

void IGraphics::EndGesture() {
  if (!mGestureControl) return;
  mDelegate.EndInformHostOfParamChange(mGestureControl->GetParamIdx());
  mGestureControl = nullptr;
}

// --- events --------------------------------------------------------------------------------------------

IControl* IGraphics::ControlAt(float x, float y) const {
  for (auto it = mControls.rbegin(); it != mControls.rend(); ++it) {
    IControl& control = **it;
    if (control.IsHidden() || control.GetIgnoreMouse() || control.IsDisabled()) continue;
    if (control.IsHit(x, y)) return &control;
  }
  return nullptr;
}

void IGraphics::OnMouseDown(float x, float y, const IMouseMod& mod) {
  mLastPixelX = x * GetTotalScale();
  mLastPixelY = y * GetTotalScale();
  if (mBox) {
    const int answer = mBox->OnMouseDown(x, y);
    if (answer != kNoResult) AnswerMessageBox(answer);
    return;  // the box keeps the editor to itself
  }
  if (mMenu) {
    CloseMenu(false);
    return;
  }
  if (mEntry) {
    if (mEntry->Bounds().Contains(x, y)) {
      mEntry->OnMouseDown(x, y, mod, *mBackend);
      mEntryDragging = true;
      MarkAreaDirty(mEntry->Bounds());
      return;
    }
    CloseTextEntry(true);  // a click elsewhere commits, then acts as usual
  }
  EndGesture();
  mCaptured = ControlAt(x, y);
  if (mCaptured) mCaptured->OnMouseDown(x, y, mod);
}

void IGraphics::OnMouseDblClick(float x, float y, const IMouseMod& mod) {
  if (mBox || mMenu || mEntry) {
    OnMouseDown(x, y, mod);
    return;
  }
  mLastPixelX = x * GetTotalScale();
  mLastPixelY = y * GetTotalScale();
  EndGesture();
  mCaptured = ControlAt(x, y);
  if (mCaptured) mCaptured->OnMouseDblClick(x, y, mod);
}

void IGraphics::OnMouseUp(float x, float y, const IMouseMod& mod) {
  if (mEntryDragging) {
    mEntryDragging = false;
    return;
  }
  if (IControl* control = mCaptured) {
    control->OnMouseUp(x, y, mod);
    mCaptured = nullptr;
  }
  EndGesture();
  UpdateMouseOver(x, y, mod);
}

void IGraphics::OnMouseMove(float x, float y, const IMouseMod& mod) {
  const float scale = GetTotalScale();
  // Deltas from pixels: a drag that rescales the editor (the grip) must not
  // see the change of scale as a movement.
  const float dX = (x * scale - mLastPixelX) / scale;
  const float dY = (y * scale - mLastPixelY) / scale;
  mLastPixelX = x * scale;
  mLastPixelY = y * scale;
  if (mBox) {
    if (mBox->OnMouseMove(x, y)) MarkAreaDirty(WholeWindowInDesign());
    return;
  }
  if (mEntryDragging && mEntry) {
    mEntry->OnMouseDrag(x, y, *mBackend);
    MarkAreaDirty(mEntry->Bounds());
    return;
  }
  if (mCaptured && (mod.L || mod.R)) {
    mCaptured->OnMouseDrag(x, y, dX, dY, mod);
    return;
  }
  UpdateMouseOver(x, y, mod);
}

void IGraphics::UpdateMouseOver(float x, float y, const IMouseMod& mod) {
  if (!mMouseOverEnabled) return;
  IControl* control = ControlAt(x, y);
  if (control != mMouseOver) {
    if (mMouseOver) mMouseOver->OnMouseOut();
    mMouseOver = control;
  }
  if (control) control->OnMouseOver(x, y, mod);
}

void IGraphics::OnMouseWheel(float x, float y, const IMouseMod& mod, float delta) {
  if (mBox || mMenu || mEntry) return;
  if (IControl* control = ControlAt(x, y)) control->OnMouseWheel(x, y, mod, delta);
}

void IGraphics::OnMouseOut() {
  if (mMouseOver) mMouseOver->OnMouseOut();
  mMouseOver = nullptr;
}

bool IGraphics::OnKeyDown(const KeyPress& key) {
  if (mBox) {
    bool redraw = false;
    const int answer = mBox->OnKey(key, redraw);
    if (redraw) MarkAreaDirty(WholeWindowInDesign());
    if (answer != kNoResult) AnswerMessageBox(answer);
    return true;
  }
  if (mMenu) {
    bool redraw = false;
    const PopupMenuView::Result result = mMenu->OnKey(key, redraw);
    if (result == PopupMenuView::Result::Chosen) CloseMenu(true);
    else if (result == PopupMenuView::Result::Dismissed) CloseMenu(false);
    else if (redraw) RedrawMenu();
    return true;
  }
  if (!mEntry) return false;
  const TextEntryModel::KeyResult result = mEntry->Model().HandleKey(key);
  MarkAreaDirty(mEntry->Bounds());
  switch (result.outcome) {
    case TextEntryModel::Outcome::Commit: CloseTextEntry(true); break;
    case TextEntryModel::Outcome::Abandon: CloseTextEntry(false); break;
    case TextEntryModel::Outcome::Copy:
    case TextEntryModel::Outcome::Cut:
      if (mPlatform) mPlatform->SetClipboardText(ClipboardKind::Clipboard, result.clipboardText);
      break;
    case TextEntryModel::Outcome::PasteClipboard:
      if (mPlatform) mPlatform->RequestPaste(ClipboardKind::Clipboard);
      break;
    case TextEntryModel::Outcome::None:
    case TextEntryModel::Outcome::Changed: break;
  }
  return true;
}

void IGraphics::OnFocusLost() {
  if (mEntry) CloseTextEntry(true);
}

void IGraphics::OnPaste(const std::string& text) {
  if (!mEntry) return;
  if (mEntry->Model().Insert(text)) MarkAreaDirty(mEntry->Bounds());
}

void IGraphics::OnPopupMouseMove(float x, float y) {
  if (mMenu && mMenu->OnMouseMove(x, y)) RedrawMenu();
}

void IGraphics::OnPopupMouseDown(float x, float y) {
  if (mMenu && mMenu->OnMouseDown(x, y) == PopupMenuView::Result::Dismissed) CloseMenu(false);
}

void IGraphics::OnPopupMouseUp(float x, float y) {
  if (mMenu && mMenu->OnMouseUp(x, y) == PopupMenuView::Result::Chosen) CloseMenu(true);
}

void IGraphics::OnPopupMouseWheel(float x, float y, float delta) {
  if (!mMenu || !mMenu->OnWheel(delta)) return;
  mMenu->OnMouseMove(x, y);  // the row under the mouse changed with the scroll
  RedrawMenu();
}

void IGraphics::OnPopupLost() { CloseMenu(false); }

// --- frames ----------------------------------------------------------------------------------------------

void IGraphics::OnFrame() {
  const std::vector<IRECT> areas = CollectDirtyAreas();
  if (areas.empty()) return;
  DrawAreas(areas);
  if (mPlatform) mPlatform->Present(Pixels(), ToPixels(areas));
}

std::vector<IRECT> IGraphics::CollectDirtyAreas() {
  std::vector<IRECT> areas = std::move(mExtraDirty);
  mExtraDirty.clear();
  // Every control is asked, hidden or not: its dirty check is how it
  // follows the plug-in's state.
  for (const auto& control : mControls)
    if (control->IsDirty() && !control->IsHidden()) areas.push_back(control->GetDrawRECT());
  const IRECT window = WholeWindowInDesign();
  std::vector<IRECT> visible;
  for (const IRECT& area : areas) {
    const IRECT clipped = area.Intersect(window);
    if (!clipped.NoArea()) visible.push_back(clipped);
  }
  return MergeOverlapping(std::move(visible));
}

void IGraphics::DrawAreas(const std::vector<IRECT>& areas) {
  for (const IRECT& area : areas) {
    mBackend->PushClip(area);
    mBackend->FillRect(mBackground.value_or(IColor(255, 0, 0, 0)), area, 1.f);
    for (const auto& control : mControls) {
      if (control->IsHidden() || !control->GetDrawRECT().Intersects(area)) continue;
      control->Draw(*this);
      ++mControlsDrawn;
    }
    DrawLayers(area);
    mBackend->PopClip();
  }
  for (const auto& control : mControls) control->SetClean();
  if (!areas.empty()) ++mFramesDrawn;
}

void IGraphics::DrawLayers(const IRECT& area) {
  if (mEntry && mEntry->Bounds().Intersects(area)) mEntry->Draw(*mBackend);
  if (mBox) mBox->Draw(*mBackend);
}

void IGraphics::DrawAll() {
  CollectDirtyAreas();  // let every control take its provider's values first
  DrawAreas({WholeWindowInDesign()});
}

std::vector<PixelRect> IGraphics::ToPixels(const std::vector<IRECT>& areas) const {
  std::vector<PixelRect> rects;
  const float scale = GetTotalScale();
  for (const IRECT& area : areas) {
    const IRECT px = IRECT(area.L * scale + mOriginX, area.T * scale + mOriginY, area.R * scale + mOriginX,
                           area.B * scale + mOriginY)
                         .RoundedOut()
                         .Intersect(IRECT(0, 0, static_cast<float>(mPixelWidth), static_cast<float>(mPixelHeight)));
    if (px.NoArea()) continue;
    rects.push_back({static_cast<int>(px.L), static_cast<int>(px.T), static_cast<int>(px.W()), static_cast<int>(px.H())});
  }
  return rects;
}

// --- IEditor -----------------------------------------------------------------------------------------------

bool IGraphics::SetControlText(int tag, const std::string& text) {
  IControl* control = GetControlWithTag(tag);
  if (!control) return false;
  control->SetStr(text);
  return true;
}

void IGraphics::Rebuild() {
  RemoveAllControls();
  RunLayout();
}

void IGraphics::SetAllControlsDirty() {
  for (const auto& control : mControls) control->SetDirty(false);
  MarkAreaDirty(WholeWindowInDesign());
}

void IGraphics::SendParameterValue(int paramIdx, double normalizedValue) {
  ForControlWithParam(paramIdx, [&](IControl& control) {
    if (&control != mCaptured) control.SetValueFromDelegate(normalizedValue);  // never fight a drag
  });
}

}  // namespace framework
