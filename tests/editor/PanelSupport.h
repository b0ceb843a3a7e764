#pragma once

// The stream panel's test fixtures: an editor opened on a real Relaycaster
// (its parameters set before the first layout when a test asks), a stage
// that shows one control on its own, a host double that records edit
// gestures, and pixel probes at design coordinates.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/Relaycaster.h"
#include "framework/graphics/IGraphics.h"

namespace paneltest {

using framework::IColor;
using framework::IGraphics;
using framework::IRECT;

/// `over` at its alpha on an opaque background, as the screen shows it.
IColor Over(const IColor& over, const IColor& background);
bool Near(const IColor& a, const IColor& b, int tolerance = 3);
std::string Describe(const IColor& c);

// --- probes on any graphics, in design units --------------------------------------
IColor ColourAt(IGraphics& g, float x, float y);
/// Any pixel in the rectangle further than `tolerance` from `background`.
bool HasInk(IGraphics& g, const IRECT& r, const IColor& background, int tolerance = 24);
/// The smallest rectangle holding every ink pixel (design units), or all zeros.
IRECT InkBounds(IGraphics& g, const IRECT& r, const IColor& background, int tolerance = 24);
/// The colour of the brightest pixel (largest R + G + B).
IColor Brightest(IGraphics& g, const IRECT& r);
/// Separate runs of columns holding ink (bullets, glyphs that do not touch).
int InkRuns(IGraphics& g, const IRECT& r, const IColor& background, int tolerance = 60);

framework::IMouseMod Left();
framework::IMouseMod Right();
/// Types text into the open text entry, one key press per character, then Return.
void Type(IGraphics& g, const std::string& utf8, bool commit = true);

/// Records every edit the plug-in tells its host about: "b3", "p3", "e3".
class RecordingHost : public framework::IHostNotifier {
 public:
  void BeginEdit(int i) override { record('b', i); }
  void PerformEdit(int i, double) override { record('p', i); }
  void EndEdit(int i) override { record('e', i); }
  std::vector<std::string> calls;

 private:
  void record(char what, int i) {
    std::string call(1, what);
    call += std::to_string(i);
    calls.push_back(std::move(call));
  }
};

/// One gesture with one value: begin, perform, end.
std::vector<std::string> Gesture(int paramIdx);

/// A plug-in whose editor is open off-screen, with a recording host.
class PanelEditor {
 public:
  using Setup = std::function<void(relaycaster::Relaycaster&)>;
  /// `setup` runs before the editor opens, so the first layout sees it;
  /// the first frame is drawn, as a window does when it shows.
  explicit PanelEditor(const Setup& setup = {}, float drawScale = 1.f);
  ~PanelEditor();

  relaycaster::Relaycaster& plugin() { return *mPlugin; }
  IGraphics& g() { return *mGraphics; }
  RecordingHost& host() { return mHost; }
  double param(int index) { return mPlugin->GetParam(index)->Value(); }

  void drawAll() { mGraphics->DrawAll(); }
  /// One frame at a clock advanced by `seconds` (the editor's clock is the test's).
  void frame(double seconds = 1.0 / 60.0);
  int64_t now() const { return mNow; }
  void setNow(int64_t nanos) { mNow = nanos; }
  void click(float x, float y, const framework::IMouseMod& mod = Left());
  void tick() { mPlugin->OnTimer(); }

  IColor at(float x, float y) { return ColourAt(*mGraphics, x, y); }
  bool hasInk(const IRECT& r, const IColor& background) { return HasInk(*mGraphics, r, background); }

  /// The n-th control of type T in attach order, or nullptr.
  template <class T>
  T* find(int n = 0) {
    for (int i = 0; i < mGraphics->NControls(); ++i)
      if (auto* control = dynamic_cast<T*>(mGraphics->GetControl(i)); control && n-- == 0) return control;
    return nullptr;
  }
  /// The control of type T whose rectangle is `r`.
  template <class T>
  T* findAt(const IRECT& r) {
    for (int i = 0; i < mGraphics->NControls(); ++i)
      if (auto* control = dynamic_cast<T*>(mGraphics->GetControl(i)); control && control->GetRECT() == r) return control;
    return nullptr;
  }

 private:
  std::unique_ptr<relaycaster::Relaycaster> mPlugin;
  IGraphics* mGraphics = nullptr;
  RecordingHost mHost;
  int64_t mNow = 1'000'000'000;
};

/// A single control on the panel fill, in its own graphics.
class Stage {
 public:
  explicit Stage(float drawScale = 1.f);
  IGraphics& g() { return *mGraphics; }
  template <class T>
  T* attach(T* control) {
    mGraphics->AttachControl(control);
    return control;
  }
  void frame() { mGraphics->OnFrame(); }
  IColor at(float x, float y) { return ColourAt(*mGraphics, x, y); }

 private:
  relaycaster::Relaycaster mPlugin;
  std::unique_ptr<IGraphics> mGraphics;
};

}  // namespace paneltest
