#include "editor/EditorSupport.h"

#include <cstdio>
#include <cstdlib>

#include "framework/graphics/CairoBackend.h"
#include "framework/graphics/Resources.h"

namespace editortest {

framework::ResourceLoader BundleResources() { return framework::ResourceFolderLoader(RELAYCASTER_TEST_RESOURCES); }

OpenEditor::OpenEditor(float screenScale, framework::ResourceLoader resources)
    : mPlugin(std::make_unique<relaycaster::Relaycaster>()) {
  mPlugin->setEditorResources(std::move(resources));
  mGraphics = mPlugin->OpenEditor();
  if (mGraphics && screenScale != 1.f) mGraphics->SetScreenScale(screenScale);
}

OpenEditor::~OpenEditor() { mPlugin->CloseEditor(); }

IColor OpenEditor::at(float x, float y) {
  float px = x * mGraphics->GetTotalScale();
  float py = y * mGraphics->GetTotalScale();
  return mGraphics->Pixels().At(static_cast<int>(px), static_cast<int>(py));
}

bool OpenEditor::hasInk(float l, float t, float r, float b, const IColor& background) {
  const float s = mGraphics->GetTotalScale();
  const framework::PixelBuffer pixels = mGraphics->Pixels();
  for (int y = static_cast<int>(t * s); y < static_cast<int>(b * s); ++y)
    for (int x = static_cast<int>(l * s); x < static_cast<int>(r * s); ++x)
      if (!Near(pixels.At(x, y), background, 24)) return true;
  return false;
}

void OpenEditor::writePng(const std::string& path) { framework::WritePng(mGraphics->Pixels(), path); }

void OpenEditor::click(float x, float y) {
  framework::IMouseMod mod;
  mod.L = true;
  mGraphics->OnMouseDown(x, y, mod);
  mGraphics->OnMouseUp(x, y, mod);
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

}  // namespace editortest
