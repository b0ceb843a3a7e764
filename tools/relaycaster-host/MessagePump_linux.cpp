#include "MessagePump.h"

namespace relaycaster_host {

std::unique_ptr<MainThreadWork> makeMessagePump() { return nullptr; }

}  // namespace relaycaster_host
