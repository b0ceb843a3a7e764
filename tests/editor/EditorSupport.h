#pragma once

// An editor opened off-screen on a real Relaycaster, with pixel probes at
// design coordinates.
#include <filesystem>
#include <memory>
#include <string>

#include "core/Relaycaster.h"
#include "framework/graphics/IGraphics.h"

namespace editortest {

using framework::IColor;

/// The bundle's resources, or a folder a test made.
framework::ResourceLoader BundleResources();

/// A plug-in with its editor open (no window): draw, probe, click.
class OpenEditor {
 public:
  explicit OpenEditor(float screenScale = 1.f, framework::ResourceLoader resources = BundleResources());
  ~OpenEditor();

  relaycaster::Relaycaster& plugin() { return *mPlugin; }
  framework::IGraphics& g() { return *mGraphics; }
  /// Draws the whole editor as a new window would.
  void drawAll() { mGraphics->DrawAll(); }
  /// The colour at a design point (at the current total scale).
  IColor at(float x, float y);
  /// Whether any pixel in a design rectangle differs from `background` by
  /// more than a little: text ink, a line, a dot.
  bool hasInk(float l, float t, float r, float b, const IColor& background);
  void writePng(const std::string& path);

  void click(float x, float y);
  /// Runs the plug-in's idle tick as the framework's timer would.
  void tick() { mPlugin->OnTimer(); }

 private:
  std::unique_ptr<relaycaster::Relaycaster> mPlugin;
  framework::IGraphics* mGraphics = nullptr;
};

/// Within `tolerance` on every channel.
bool Near(const IColor& a, const IColor& b, int tolerance = 2);
std::string Describe(const IColor& c);

}  // namespace editortest
