#pragma once

#include "pluginterfaces/base/funknown.h"

namespace framework::vst3 {

/// An extension interface of our own on the editor view (the IPlugView
/// that createView("editor") returns): draws the editor into a picture
/// file without any window or display, for tools and documentation. Hosts
/// that do not know it never see it.
class IEditorSnapshot : public Steinberg::FUnknown {
 public:
  /// Opens the editor off-screen at draw scale `scale` (0.25 to 8), draws
  /// it whole after one idle tick, writes it as a PNG file to `pngPath`
  /// (UTF-8) and closes it again; the window size the plug-in keeps is left
  /// as it was. kInvalidArgument for a null path or a scale out of range;
  /// kResultFalse when the plug-in has no editor, its editor is open in a
  /// window, or the file cannot be written.
  virtual Steinberg::tresult PLUGIN_API renderSnapshot(const Steinberg::char8* pngPath, float scale) = 0;

  static const Steinberg::FUID iid;
};

DECLARE_CLASS_IID(IEditorSnapshot, 0x7CB63583, 0x11F7497E, 0x825A5534, 0xBE7DC7ED)

}  // namespace framework::vst3
