// Interface id storage for our own extension interface.
#include "framework/vst3/IStatusReport.h"

namespace framework::vst3 {

DEF_CLASS_IID(IStatusReport)

}  // namespace framework::vst3
