#include "editor/PanelSupport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "editor/EditorSupport.h"
#include "editor/Theme.h"

namespace paneltest {

IColor Over(const IColor& over, const IColor& background) {
  auto mix = [&](int a, int b) { return static_cast<int>(std::lround(b + (a - b) * over.A / 255.0)); };
  return {255, mix(over.R, background.R), mix(over.G, background.G), mix(over.B, background.B)};
}

bool Near(const IColor& a, const IColor& b, int tolerance) {
  return std::abs(a.A - b.A) <= tolerance && std::abs(a.R - b.R) <= tolerance && std::abs(a.G - b.G) <= tolerance &&
         std::abs(a.B - b.B) <= tolerance;
}

std::string Describe(const IColor& c) {
  char text[48];
  std::snprintf(text, sizeof text, "(%d, %d, %d, %d)", c.A, c.R, c.G, c.B);
  return text;
}

namespace {

/// The pixel rectangle a design rectangle covers.
struct PixelSpan {
  int l, t, r, b;
};
PixelSpan Span(IGraphics& g, const IRECT& r) {
  const float s = g.GetTotalScale();
  return {static_cast<int>(std::floor(r.L * s)), static_cast<int>(std::floor(r.T * s)),
          static_cast<int>(std::ceil(r.R * s)), static_cast<int>(std::ceil(r.B * s))};
}

}  // namespace

IColor ColourAt(IGraphics& g, float x, float y) {
  const float s = g.GetTotalScale();
  return g.Pixels().At(static_cast<int>(x * s), static_cast<int>(y * s));
}

bool HasInk(IGraphics& g, const IRECT& r, const IColor& background, int tolerance) {
  return !InkBounds(g, r, background, tolerance).Empty();
}

IRECT InkBounds(IGraphics& g, const IRECT& r, const IColor& background, int tolerance) {
  const framework::PixelBuffer pixels = g.Pixels();
  const PixelSpan span = Span(g, r);
  int l = span.r, t = span.b, right = span.l - 1, b = span.t - 1;
  for (int y = span.t; y < span.b; ++y)
    for (int x = span.l; x < span.r; ++x)
      if (!Near(pixels.At(x, y), background, tolerance)) {
        l = std::min(l, x);
        right = std::max(right, x);
        t = std::min(t, y);
        b = std::max(b, y);
      }
  if (right < l) return {};
  const float s = g.GetTotalScale();
  return {l / s, t / s, (right + 1) / s, (b + 1) / s};
}

IColor Brightest(IGraphics& g, const IRECT& r) {
  const framework::PixelBuffer pixels = g.Pixels();
  const PixelSpan span = Span(g, r);
  IColor best{0, 0, 0, 0};
  for (int y = span.t; y < span.b; ++y)
    for (int x = span.l; x < span.r; ++x) {
      const IColor c = pixels.At(x, y);
      if (c.R + c.G + c.B > best.R + best.G + best.B) best = c;
    }
  return best;
}

int InkRuns(IGraphics& g, const IRECT& r, const IColor& background, int tolerance) {
  const framework::PixelBuffer pixels = g.Pixels();
  const PixelSpan span = Span(g, r);
  int runs = 0;
  bool inRun = false;
  for (int x = span.l; x < span.r; ++x) {
    bool ink = false;
    for (int y = span.t; y < span.b && !ink; ++y) ink = !Near(pixels.At(x, y), background, tolerance);
    if (ink && !inRun) ++runs;
    inRun = ink;
  }
  return runs;
}

framework::IMouseMod Left() {
  framework::IMouseMod mod;
  mod.L = true;
  return mod;
}

framework::IMouseMod Right() {
  framework::IMouseMod mod;
  mod.R = true;
  return mod;
}

void Type(IGraphics& g, const std::string& utf8, bool commit) {
  for (size_t i = 0; i < utf8.size();) {
    size_t length = 1;
    const auto lead = static_cast<unsigned char>(utf8[i]);
    if (lead >= 0xF0) length = 4;
    else if (lead >= 0xE0) length = 3;
    else if (lead >= 0xC0) length = 2;
    framework::KeyPress key;
    key.key = framework::Key::Character;
    key.text = utf8.substr(i, length);
    g.OnKeyDown(key);
    i += length;
  }
  if (commit) g.OnKeyDown({framework::Key::Return});
}

std::vector<std::string> Gesture(int paramIdx) {
  std::vector<std::string> calls;
  for (char what : {'b', 'p', 'e'}) {
    std::string call(1, what);
    call += std::to_string(paramIdx);
    calls.push_back(std::move(call));
  }
  return calls;
}

PanelEditor::PanelEditor(const Setup& setup, float drawScale) : mPlugin(std::make_unique<relaycaster::Relaycaster>()) {
  mPlugin->setEditorResources(editortest::BundleResources());
  if (setup) setup(*mPlugin);
  mGraphics = mPlugin->OpenEditor();
  mGraphics->SetClock([this] { return mNow; });
  if (drawScale != 1.f) mGraphics->Resize(880, 562, drawScale, false);
  mPlugin->SetHostNotifier(&mHost);
  mGraphics->OnFrame();  // a window draws before anyone can click in it
}

PanelEditor::~PanelEditor() {
  mPlugin->SetHostNotifier(nullptr);
  mPlugin->CloseEditor();
}

void PanelEditor::frame(double seconds) {
  mNow += static_cast<int64_t>(std::llround(seconds * 1e9));
  mGraphics->OnFrame();
}

void PanelEditor::click(float x, float y, const framework::IMouseMod& mod) {
  mGraphics->OnMouseDown(x, y, mod);
  mGraphics->OnMouseUp(x, y, mod);
}

Stage::Stage(float drawScale)
    : mGraphics(std::make_unique<IGraphics>(mPlugin, 880, 562, 60, drawScale)) {
  mGraphics->SetResourceLoader(editortest::BundleResources());
  mGraphics->LoadFont(relaycaster::theme::kRegular, "Roboto-Regular.ttf");
  mGraphics->LoadFont(relaycaster::theme::kCondensedBold, "RobotoCondensed-Bold.ttf");
  mGraphics->AttachPanelBackground(relaycaster::theme::kPanelFill);
  mGraphics->EnableMouseOver(true);
}

}  // namespace paneltest
