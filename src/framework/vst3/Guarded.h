#pragma once

#include <new>

#include "pluginterfaces/base/funknown.h"

namespace framework::vst3 {

/// Runs one VST 3 method body so that no exception reaches the host: an
/// exception becomes kOutOfMemory (bad_alloc) or kInternalError.
template <class Body>
Steinberg::tresult Guarded(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return Steinberg::kOutOfMemory;
  } catch (...) {
    return Steinberg::kInternalError;
  }
}

}  // namespace framework::vst3
