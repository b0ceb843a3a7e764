// The editor's layout: every control with its rectangle, style and binding,
// in attach order (later controls draw above earlier ones and are hit first).
#include "editor/EditorLayout.h"

#include <algorithm>

#include "core/Relaycaster.h"
#include "editor/CornerScaleControl.h"
#include "editor/SettingsMenuControl.h"
#include "editor/Theme.h"
#include "framework/graphics/IControls.h"

namespace relaycaster {

using framework::IColor;
using framework::IGraphics;
using framework::IRECT;

namespace {

constexpr float kDesignW = 880.f;
constexpr float kDesignH = 562.f;

/// The accent, sampled once per build: a change of choice or of the track
/// colour takes effect through a rebuild.
IColor Accent(const Relaycaster& plugin) {
  const AccentRgba accent = plugin.AccentColour(255);
  return {accent.alpha, accent.red, accent.green, accent.blue};
}

SettingsMenuControl* AttachSettingsMenu(Relaycaster& plugin, IGraphics& g) {
  SettingsMenuControl::Actions actions;
  actions.getScale = [&plugin] { return plugin.GetWindowScale(); };
  actions.setScale = [&plugin](float scale) { plugin.SetWindowScale(scale); };
  actions.getColour = [&plugin] { return plugin.accentColourIndex(); };
  actions.setColour = [&plugin](int index) { plugin.setAccentColourIndex(index < 0 || index > 5 ? 0 : index); };
  actions.openVendorSite = [&g] { g.OpenURL(theme::kNdiVendorUrl); };
  auto* menu = new SettingsMenuControl(std::move(actions), kVersionText);
  g.AttachControl(menu);
  return menu;
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

  AttachSettingsMenu(plugin, g);

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
