#pragma once

#include "host/PluginFactory.h"

namespace relaycaster::host {

/// The factory's description of its maker.
const FactoryDescription& RelaycasterFactoryDescription();
/// The one class: the Relaycaster effect.
const ClassDescription& RelaycasterClassDescription();

}  // namespace relaycaster::host
