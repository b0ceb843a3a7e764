#pragma once

#include <string>

#include "framework/graphics/IGraphicsTypes.h"

namespace framework {

class IGraphics;
class IParam;
class IPopupMenu;

inline constexpr int kNoParameter = -1;
inline constexpr int kNoTag = -1;
inline constexpr int kNoValIdx = -1;

/// One element of an editor: a rectangle in design units that draws itself
/// and may take the mouse. A control bound to a parameter holds the
/// parameter's normalised value (0..1) as its value; the framework keeps it
/// in step with the parameter, and SetDirty(true) sends the control's value
/// to the plug-in and the host as a user edit.
///
/// Edit gestures: while a mouse button is held on a control, every
/// triggered change belongs to one gesture (begin at the first change, end
/// at the release), so a knob drag is one automation pass; a change outside
/// a press (the wheel, a typed value) is a gesture of its own.
///
/// Threads: the user-interface thread only.
class IControl {
 public:
  explicit IControl(const IRECT& bounds, int paramIdx = kNoParameter);
  virtual ~IControl() = default;
  IControl(const IControl&) = delete;
  IControl& operator=(const IControl&) = delete;

  // --- what a control draws and how it reacts (override as needed) ----------
  virtual void Draw(IGraphics& g) = 0;
  virtual void OnMouseDown(float x, float y, const IMouseMod& mod);
  virtual void OnMouseUp(float x, float y, const IMouseMod& mod);
  virtual void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod);
  /// The second press of a double-click (instead of OnMouseDown). The default treats it as a press.
  virtual void OnMouseDblClick(float x, float y, const IMouseMod& mod);
  /// The mouse moved over the control with no button held (mouse-over tracking on).
  virtual void OnMouseOver(float x, float y, const IMouseMod& mod);
  virtual void OnMouseOut();
  virtual void OnMouseWheel(float x, float y, const IMouseMod& mod, float delta);
  /// A text entry this control opened closed: `text` is what was typed, or
  /// nullptr when the entry was abandoned.
  virtual void OnTextEntryCompletion(const char* text, int valIdx);
  /// A popup menu this control opened closed: `menu` with its chosen index,
  /// or nullptr when it was dismissed.
  virtual void OnPopupMenuSelection(IPopupMenu* menu, int valIdx);
  /// Asked once per frame: does the control need drawing? The default
  /// answers the dirty flag; controls that show provided values poll here.
  virtual bool IsDirty();
  virtual bool IsHit(float x, float y) const { return mRECT.Contains(x, y); }
  /// The control was attached to an editor (GetUI() is set from now on).
  virtual void OnAttached() {}
  /// The editor's draw scale or size changed.
  virtual void OnResize() {}
  /// The host or the framework set the bound parameter's value.
  virtual void SetValueFromDelegate(double normalizedValue);
  /// Replaces the text of a text-showing control; others ignore it.
  virtual void SetStr(const std::string& /*text*/) {}

  // --- state ------------------------------------------------------------------
  const IRECT& GetRECT() const { return mRECT; }
  void SetRECT(const IRECT& bounds);
  /// The area the control paints, which may reach past its rectangle (a
  /// halo); the framework redraws this area when the control is dirty.
  const IRECT& GetDrawRECT() const { return mDrawRECT; }
  void SetDrawRECT(const IRECT& area) { mDrawRECT = area; }

  double GetValue() const { return mValue; }
  void SetValue(double normalizedValue);
  int GetParamIdx() const { return mParamIdx; }
  /// The bound parameter, or nullptr (also while not attached).
  const IParam* GetParam() const;

  /// Marks the control for drawing; with `triggerAction` a bound control
  /// also sends its value to the plug-in and the host as a user edit.
  void SetDirty(bool triggerAction = true);
  void SetClean() { mDirty = false; }
  bool DirtyFlag() const { return mDirty; }

  void Hide(bool hidden);
  bool IsHidden() const { return mHidden; }
  void SetDisabled(bool disabled);
  bool IsDisabled() const { return mDisabled; }
  void SetIgnoreMouse(bool ignore) { mIgnoreMouse = ignore; }
  bool GetIgnoreMouse() const { return mIgnoreMouse; }
  bool GetMouseIsOver() const { return mMouseIsOver; }
  /// The opacity drawing calls pass: the control's blend, lowered while disabled.
  IBlend GetBlend() const { return {mDisabled ? mBlend.weight * kDisabledWeight : mBlend.weight}; }
  void SetBlend(const IBlend& blend) { mBlend = blend; }

  int GetTag() const { return mTag; }
  IGraphics* GetUI() const { return mGraphics; }

  static constexpr float kDisabledWeight = 0.4f;

 private:
  friend class IGraphics;
  void AttachTo(IGraphics& graphics, int tag);

  IRECT mRECT;
  IRECT mDrawRECT;
  int mParamIdx = kNoParameter;
  double mValue = 0.0;
  bool mDirty = true;
  bool mHidden = false;
  bool mDisabled = false;
  bool mIgnoreMouse = false;
  bool mMouseIsOver = false;
  IBlend mBlend;
  int mTag = kNoTag;
  IGraphics* mGraphics = nullptr;
};

}  // namespace framework
