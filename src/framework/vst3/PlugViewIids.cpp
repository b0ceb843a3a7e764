// Interface ids of the editor-view interfaces. The SDK copy we build from
// declares them but defines them nowhere, so they are defined here, once
// (the Linux run-loop ids live in HostRunLoopTimer_linux.cpp).
#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"

namespace Steinberg {
DEF_CLASS_IID(IPlugView)
DEF_CLASS_IID(IPlugFrame)
DEF_CLASS_IID(IPlugViewContentScaleSupport)
}  // namespace Steinberg
