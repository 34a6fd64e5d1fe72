#include "platform/message_box.h"

#include <cstdio>
#include <cstdlib>

#include "platform/host.h"

namespace platform {

namespace {
Host*& boxHost() {
    static Host* host = nullptr;
    return host;
}

bool& quietBoxes() {
    static bool quiet = false;
    return quiet;
}

} // namespace

void setMessageBoxHost(Host* host) {
    boxHost() = host;
}
void setMessageBoxQuiet(bool quiet) {
    quietBoxes() = quiet;
}

void messageBox(const std::string& caption, const std::string& text) {
    if (quietBoxes()) return;
    if (Host* h = boxHost())
        h->messageBox(caption, text);
    else
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}

void fatalExit(int code) {
    std::fflush(stdout);
    std::fflush(stderr);
    std::exit(code);
}

} // namespace platform
