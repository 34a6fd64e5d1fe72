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
} // namespace

void setMessageBoxHost(Host* host) { boxHost() = host; }

void messageBox(const std::string& caption, const std::string& text) {
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
