// Any bytes as the information text: checked and read into the viewer's bounded area.
#include <cstddef>
#include <cstdint>

#include "launcher/launcher.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static launcher::InfoViewer viewer;
    launcher::viewerTextProblem(data, size);
    launcher::viewerTextFromBytes(viewer, data, size);
    if (viewer.text.size() > launcher::InfoViewer::kTextBytes - 1) __builtin_trap();
    return 0;
}
