// Interface id storage for our editor-snapshot extension.
#include "framework/vst3/IEditorSnapshot.h"

namespace framework::vst3 {

DEF_CLASS_IID(IEditorSnapshot)

}  // namespace framework::vst3
