#include <cstdlib>

#include "ProcessExit.h"

namespace relaycaster_host {

void exitHost(int status) { std::exit(status); }

}  // namespace relaycaster_host
