#include "presets/PresetBarControl.h"

#include <algorithm>

#include "framework/graphics/IGraphics.h"

namespace brightwold::controls {

using framework::IColor;
using framework::IGraphics;
using framework::IRECT;

namespace {

constexpr float kCornerFraction = 0.25f;  // of a zone's height
constexpr const char* kNoPreset = "no preset";
constexpr const char* kModifiedMark = "*";

float Radius(const IRECT& r) { return kCornerFraction * r.H(); }

}  // namespace

PresetBarControl::PresetBarControl(const IRECT& bounds, const PresetBarStyle& style, PresetBarActions actions)
    : IControl(bounds), mStyle(style), mBehaviour(std::move(actions)) {}

PresetBarLayout PresetBarControl::Layout() const {
  return PresetBarLayout::Compute(GetRECT(), {mStyle.scale, mStyle.leftInset, mStyle.rightInset,
                                              mBehaviour.HasMenuButton()});
}

// --- events ----------------------------------------------------------------------------

void PresetBarControl::OnMouseDown(float x, float y, const framework::IMouseMod&) {
  const PresetBarLayout layout = Layout();
  switch (mBehaviour.Press(layout.HitTest(x, y))) {
    case PresetBarBehaviour::Request::PresetMenu: OpenPresetMenu(layout); break;
    case PresetBarBehaviour::Request::SaveAsEntry: OpenSaveAsEntry(layout); break;
    case PresetBarBehaviour::Request::SettingsMenu: mBehaviour.Actions().openMenu(layout.Zone(kZoneMenu)); break;
    case PresetBarBehaviour::Request::None: break;
  }
  SetDirty(false);
}

void PresetBarControl::OnMouseOver(float x, float y, const framework::IMouseMod& mod) {
  IControl::OnMouseOver(x, y, mod);
  if (mBehaviour.Hover(Layout().HitTest(x, y))) SetDirty(false);
}

void PresetBarControl::OnMouseOut() {
  IControl::OnMouseOut();
  mBehaviour.Leave();
  SetDirty(false);
}

void PresetBarControl::OnPopupMenuSelection(framework::IPopupMenu* menu, int) {
  if (menu == nullptr) return;  // dismissed
  mBehaviour.PresetMenuChosen(menu->GetChosenItemIdx());
  SetDirty(false);
}

void PresetBarControl::OnTextEntryCompletion(const char* text, int) {
  mBehaviour.SaveAsCompleted(text);
  SetDirty(false);
}

void PresetBarControl::OpenPresetMenu(const PresetBarLayout& layout) {
  IGraphics* g = GetUI();
  if (g == nullptr || !mBehaviour.FillPresetMenu(mMenu)) return;
  g->CreatePopupMenu(*this, mMenu, layout.Zone(kZoneName));
}

void PresetBarControl::OpenSaveAsEntry(const PresetBarLayout& layout) {
  IGraphics* g = GetUI();
  if (g == nullptr) return;
  g->SetTextEntryLength(kMaxNameChars);
  g->CreateTextEntry(*this, mStyle.textStyle, layout.SaveAsEntryRect(), mBehaviour.Current());
}

// --- drawing -----------------------------------------------------------------------------

void PresetBarControl::Draw(IGraphics& g) {
  mBehaviour.EnsureListed();
  const std::string current = mBehaviour.Current();
  const PresetBarLayout layout = Layout();
  const IRECT& bounds = GetRECT();
  const int hovered = mBehaviour.Hovered();

  g.FillRect(mStyle.background, bounds);
  g.FillRect(mStyle.bottomLine, {bounds.L, bounds.B - 1.f, bounds.R, bounds.B});

  DrawNameField(g, layout, current);
  DrawArrow(g, layout.Zone(kZonePrevious), hovered == kZonePrevious, true);
  DrawArrow(g, layout.Zone(kZoneNext), hovered == kZoneNext, false);
  const bool hasCurrent = !current.empty();
  const bool armed = hasCurrent && mBehaviour.IsArmedFor(current);
  DrawButton(g, layout.Zone(kZoneSave), "Save", hasCurrent, hovered == kZoneSave, false);
  DrawButton(g, layout.Zone(kZoneSaveAs), "Save as", true, hovered == kZoneSaveAs, false);
  DrawButton(g, layout.Zone(kZoneDelete), armed ? "Sure?" : "Delete", hasCurrent, hovered == kZoneDelete, armed);
  if (mBehaviour.HasMenuButton()) DrawMenuButton(g, layout.Zone(kZoneMenu), hovered == kZoneMenu);
}

void PresetBarControl::DrawNameField(IGraphics& g, const PresetBarLayout& layout, const std::string& current) {
  const IRECT& field = layout.Zone(kZoneName);
  g.FillRoundRect(mStyle.fill, field, Radius(field));
  if (mBehaviour.Hovered() == kZoneName) g.FillRoundRect(mStyle.hover, field, Radius(field));
  g.DrawRoundRect(mStyle.outline, field, Radius(field));

  const IRECT area = layout.NameTextArea();
  if (current.empty()) {
    mShownName = kNoPreset;
    g.DrawText(mStyle.textStyle.WithColor(mStyle.dimText), mShownName, area);
    return;
  }
  // The mark's room is taken off first, so a long name gives way to it
  // and the "*" always stays visible.
  const bool modified = mBehaviour.Modified();
  float width = area.W();
  if (modified) width -= g.MeasureTextWidth(mStyle.textStyle, kModifiedMark);
  const auto measure = [&](std::string_view text) { return g.MeasureTextWidth(mStyle.textStyle, std::string(text)); };
  mShownName = mFitter.Fit(current, width, measure);
  if (modified) mShownName += kModifiedMark;
  g.DrawText(mStyle.textStyle.WithColor(mStyle.text), mShownName, area);
}

void PresetBarControl::DrawArrow(IGraphics& g, const IRECT& zone, bool hovered, bool pointsLeft) {
  const bool active = mBehaviour.HasPresets();
  if (hovered && active) g.FillRoundRect(mStyle.hover, zone, Radius(zone));
  const float halfWidth = 0.22f * zone.W();
  const float halfHeight = 0.26f * zone.H();
  const float cx = zone.MW();
  const float cy = zone.MH();
  const float tip = pointsLeft ? cx - halfWidth : cx + halfWidth;
  const float base = pointsLeft ? cx + halfWidth : cx - halfWidth;
  g.FillTriangle(active ? mStyle.text : mStyle.dimText, tip, cy, base, cy - halfHeight, base, cy + halfHeight);
}

void PresetBarControl::DrawButton(IGraphics& g, const IRECT& zone, const char* label, bool enabled, bool hovered,
                                  bool armed) {
  g.FillRoundRect(mStyle.fill, zone, Radius(zone));
  if (hovered && enabled) g.FillRoundRect(mStyle.hover, zone, Radius(zone));
  g.DrawRoundRect(armed ? mStyle.warning : mStyle.outline, zone, Radius(zone));
  const IColor& colour = !enabled ? mStyle.dimText : armed ? mStyle.warning : mStyle.text;
  g.DrawText(mStyle.textStyle.WithColor(colour), label, zone);
}

void PresetBarControl::DrawMenuButton(IGraphics& g, const IRECT& zone, bool hovered) {
  if (hovered) g.FillRoundRect(mStyle.hover, zone, Radius(zone));
  const float length = 0.46f * zone.W();
  const float thickness = std::max(1.f, 0.085f * zone.H());
  const float spacing = 0.21f * zone.H();
  const IColor& colour = hovered ? mStyle.text : mStyle.dimText;
  for (int bar = -1; bar <= 1; ++bar) {
    const float cy = zone.MH() + static_cast<float>(bar) * spacing;
    const IRECT r{zone.MW() - 0.5f * length, cy - 0.5f * thickness, zone.MW() + 0.5f * length, cy + 0.5f * thickness};
    g.FillRoundRect(colour, r, 0.5f * thickness);  // fully rounded ends
  }
}

}  // namespace brightwold::controls
