#pragma once

// The HostedPlugin backend that loads a VST 3 bundle and drives it the way
// a DAW does: through the factory, the component, its processor and its
// edit controller.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "HostedPlugin.h"
#include "Vst3Bundle.h"

namespace Steinberg {
class IPlugView;
}

namespace relaycaster_host {

/// A bundle-loaded plug-in with the extras only a bundle has.
class Vst3HostedPlugin : public HostedPlugin {
 public:
  /// Prints the factory, the class and every parameter as the host sees them.
  virtual void printInfo(std::FILE* out) const = 0;
  /// The component state (the plug-in's chunk and the host bypass).
  virtual bool saveState(std::vector<uint8_t>& bytes) = 0;
  virtual bool loadState(const std::vector<uint8_t>& bytes) = 0;
  /// A new editor view (one reference, the caller's), or nullptr when the
  /// plug-in has no editor.
  virtual Steinberg::IPlugView* createEditorView() = 0;
  /// Draws the editor off-screen into a PNG through the view's snapshot
  /// extension. False, with `error` set, when that cannot be done.
  virtual bool renderSnapshot(const std::string& path, float scale, std::string& error) = 0;
};

/// Loads the bundle (a "*.vst3" folder or the module file in it) and
/// creates its first class. Nothing, with `error` set, when that fails.
std::unique_ptr<Vst3HostedPlugin> makeVst3Plugin(const std::string& bundlePath, std::string& error);
/// Another instance of the first class of a module already loaded, as a
/// DAW makes one per track from the one module.
std::unique_ptr<Vst3HostedPlugin> makeVst3Plugin(std::shared_ptr<vst3host::Vst3Module> module, std::string& error);

/// The bundle built next to this program.
std::string defaultBundlePath();

}  // namespace relaycaster_host
