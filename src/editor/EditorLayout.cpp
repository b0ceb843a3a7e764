// The editor's layout: every control with its rectangle, style and binding,
// in attach order (later controls draw above earlier ones and are hit first).
#include "editor/EditorLayout.h"

#include <algorithm>

#include "core/Relaycaster.h"
#include "editor/CornerScaleControl.h"
#include "editor/SettingsMenuControl.h"
#include "editor/Theme.h"
#include "framework/graphics/IControls.h"
#include "presets/PresetBarControl.h"
#include "updates/UpdateCheck.h"
#include "updates/UpdatePillControl.h"

namespace relaycaster {

using framework::IColor;
using framework::IGraphics;
using framework::IRECT;
using brightwold::controls::PresetBarControl;
using brightwold::controls::UpdatePillControl;

namespace {

constexpr float kDesignW = 880.f;
constexpr float kDesignH = 562.f;

/// The accent, sampled once per build: a change of choice or of the track
/// colour takes effect through a rebuild.
IColor Accent(const Relaycaster& plugin) {
  const AccentRgba accent = plugin.AccentColour(255);
  return {accent.alpha, accent.red, accent.green, accent.blue};
}

constexpr IRECT kTitleRect{28, 48, 716, 82};
constexpr float kTitleGapBeforePill = 10.f;

/// The settings menu with its update section: "Check for updates", checked
/// while checks are on, switches them for all of the maker's plug-ins.
SettingsMenuControl* MakeSettingsMenu(Relaycaster& plugin, IGraphics& g, UpdatePillControl& pill) {
  SettingsMenuControl::Actions actions;
  actions.getScale = [&plugin] { return plugin.GetWindowScale(); };
  actions.setScale = [&plugin](float scale) { plugin.SetWindowScale(scale); };
  actions.getColour = [&plugin] { return plugin.accentColourIndex(); };
  actions.setColour = [&plugin](int index) { plugin.setAccentColourIndex(index < 0 || index > 5 ? 0 : index); };
  actions.addUpdateItems = [&plugin](framework::IPopupMenu& menu) {
    menu.AddItem("Check for updates", true, plugin.updateCheck().IsEnabled());
    menu.AddSeparator();
  };
  actions.updateSelected = [&plugin, &pill](int item) {
    if (item != 0) return;  // the separator
    brightwold::updates::UpdateCheck& check = plugin.updateCheck();
    check.SetEnabled(!check.IsEnabled());
    pill.SetDirty(false);
  };
  actions.openVendorSite = [&g] { g.OpenURL(theme::kNdiVendorUrl); };
  return new SettingsMenuControl(std::move(actions), kVersionText);
}

/// The pill makes room for itself by moving the title's right edge.
UpdatePillControl* MakeUpdatePill(Relaycaster& plugin, IGraphics& g) {
  const brightwold::controls::UpdatePillStyle style{
      {255, 252, 120, 92}, {255, 253, 146, 124}, {255, 10, 10, 10}, theme::Style(theme::kRegular, 11, 255, framework::EAlign::Center)};
  auto moveTitle = [&g](const IRECT& pill) {
    framework::IControl* title = g.GetControlWithTag(kTagTitle);
    if (title == nullptr) return;
    IRECT r = kTitleRect;
    if (!pill.Empty()) r.R = pill.L - kTitleGapBeforePill;
    title->SetRECT(r);
    g.SetAllControlsDirty();
  };
  return new UpdatePillControl({576, 47, 736, 77}, style, plugin.updateCheck(), std::move(moveTitle));
}

/// The preset bar on the preset commands; its menu button opens the settings menu.
PresetBarControl* MakePresetBar(Relaycaster& plugin, SettingsMenuControl& settings) {
  brightwold::controls::PresetBarStyle style;
  style.fill = theme::kPanelFill;
  style.outline = theme::OffWhite(77);
  style.text = theme::kText;
  style.dimText = theme::kLit;
  style.hover = theme::kButtonHover;
  style.warning = theme::kWarning;
  style.textStyle = theme::EntryStyle(theme::kRegular, 11, framework::EAlign::Center);
  style.scale = 1.f;
  style.background = {255, 17, 17, 17};
  style.bottomLine = theme::OffWhite(26);
  style.leftInset = 28.f;
  style.rightInset = 28.f;

  PresetCommands& presets = plugin.presets();
  brightwold::controls::PresetBarActions actions;
  actions.listNames = [&presets] { return presets.presetNames(); };
  actions.currentName = [&presets] { return presets.currentName(); };
  actions.load = [&presets](const std::string& name) { presets.loadByName(name); };
  actions.save = [&presets](const std::string& name) { presets.RequestPresetSave(name); };
  actions.remove = [&presets](const std::string& name) { presets.deleteByName(name); };
  actions.modified = [&presets] { return presets.modifiedMark(); };
  actions.openMenu = [&settings](const IRECT& anchor) { settings.Open(anchor); };
  return new PresetBarControl({0, 0, 880, 32}, style, std::move(actions));
}

/// Rows 6 to 8: the settings menu, the update pill and the preset bar,
/// created with their actions and attached in that order.
void AttachHeaderControls(Relaycaster& plugin, IGraphics& g) {
  UpdatePillControl* pill = MakeUpdatePill(plugin, g);
  SettingsMenuControl* settings = MakeSettingsMenu(plugin, g, *pill);
  PresetBarControl* bar = MakePresetBar(plugin, *settings);
  g.AttachControl(settings);
  g.AttachControl(pill);
  g.AttachControl(bar);
}

void AttachLogo(IGraphics& g) {
  framework::SvgPicture logo = g.LoadSVG("relaycaster-lockup.svg", "px", 72.f);
  if (logo.Empty()) {
    g.AttachControl(new framework::ITextControl({28, 526, 300, 544}, "RELAYCASTER", theme::LogoFallback()));
    return;
  }
  const float width = 22.f * logo.width / logo.height;
  g.AttachControl(new framework::ISVGControl({28, 524, 28 + width, 546}, std::move(logo)));
}

}  // namespace

float InitialEditorScale(int windowWidth, int windowHeight, float screenScale) {
  const float s = screenScale > 0.f ? screenScale : 1.f;
  const float scale = std::min(static_cast<float>(windowHeight) / (s * kDesignH),
                               static_cast<float>(windowWidth) / (s * kDesignW));
  return scale > 0.f ? scale : 1.f;
}

std::unique_ptr<IGraphics> MakeEditor(Relaycaster& plugin) {
  const float screen = plugin.screenScale();
  auto g = std::make_unique<IGraphics>(plugin, static_cast<int>(kDesignW), static_cast<int>(kDesignH), 60,
                                       InitialEditorScale(plugin.WindowWidth(), plugin.WindowHeight(), screen));
  g->SetScreenScale(screen);
  g->SetResourceLoader(plugin.editorResources());
  return g;
}

void LayoutEditor(Relaycaster& plugin, IGraphics& g) {
  g.LoadFont(theme::kRegular, "Roboto-Regular.ttf");
  g.LoadFont(theme::kCondensedBold, "RobotoCondensed-Bold.ttf");
  g.SetLayoutOnResize(false);  // resizing only changes the draw scale
  g.AttachPanelBackground(theme::kWindowBackground);
  g.EnableMouseOver(true);

  g.AttachControl(new framework::IPanelControl({14, 96, 866, 508}, theme::kPanelFill));
  LayoutStreamPanel(plugin, g);
  const std::string& title = plugin.lastTitle();
  g.AttachControl(new framework::ITextControl({28, 48, 716, 82}, title.empty() ? "RELAYCASTER" : title, theme::Title()),
                  kTagTitle);

  AttachHeaderControls(plugin, g);

  AttachLogo(g);
  g.AttachControl(new framework::ITextControl({300, 527, 852, 543}, "", theme::Footer()), kTagFooter);
  plugin.forgetFooter();  // the first tick after a build sets the footer again
  g.AttachControl(new CornerScaleControl({866, 548, 878, 560}, kDesignW, 0.75f, 2.f, theme::kRingTrack,
                                         theme::kGripHover));
}

void LayoutStreamPanel(Relaycaster& plugin, IGraphics& g) {
  g.AttachControl(new framework::IPanelControl({380, 108, 381, 496}, theme::kDivider));
  g.AttachControl(new framework::ITextControl({28, 110, 200, 134}, "NDI\xC2\xAE", theme::SectionTitle()));
  plugin.setBuiltSrtLayout(plugin.GetParam(kSrtMode)->Int(), plugin.GetParam(kSrtCodec)->Int());
  g.AttachControl(new framework::ITextControl({396, 110, 520, 134}, "SRT", theme::SectionTitle()));
  (void)Accent;
}

}  // namespace relaycaster
