#include "platform/desktop_capture.h"

namespace platform {

bool captureX11Desktop(uint32_t*, int, int, int, int) { return false; }

} // namespace platform
