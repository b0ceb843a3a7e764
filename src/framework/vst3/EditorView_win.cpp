// The editor view's Windows part, until the editor gets its Win32 window:
// the view supports no window type, so hosts show no editor for it, and
// everything else of the plug-in (parameters, state, transports, the
// off-screen snapshot) works as on Linux.
#include "framework/vst3/EditorView.h"

namespace framework::vst3 {

using Steinberg::FIDString;
using Steinberg::kResultFalse;

struct EditorView::Platform {};

void EditorView::PlatformDeleter::operator()(Platform* platform) const { delete platform; }

bool EditorView::PlatformTypeSupported(FIDString /*type*/) { return false; }

float EditorView::SystemScreenScale(Platform& /*platform*/) { return 1.f; }

EditorView::tresult EditorView::AttachPlatform(void* /*parent*/) { return kResultFalse; }

void EditorView::RemovePlatform() { mPlatform.reset(); }

void EditorView::ResizePlatform(int /*width*/, int /*height*/) {}

}  // namespace framework::vst3
