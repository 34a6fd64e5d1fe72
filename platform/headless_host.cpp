#include "platform/headless_host.h"

#include <cstdio>

namespace platform {

namespace {
int bytesPerPixel(int depth) {
    return depth == 15 ? 2 : depth / 8;
}
} // namespace

bool HeadlessHost::createWindow(int x, int y, int width, int height) {
    rect_ = {x, y, x + width, y + height};
    windowExists_ = true;
    // What showing a new window sends.
    events_.push_back({MessageKind::Create, 0});
    events_.push_back({MessageKind::Size, kSizeRestored});
    events_.push_back({MessageKind::Activate, 0});
    events_.push_back({MessageKind::SetFocus, 0});
    return true;
}

void HeadlessHost::destroyWindow() {
    if (!windowExists_) return;
    windowExists_ = false;
    events_.clear();
    sendFirst({MessageKind::Destroy, 0});
}

void HeadlessHost::minimiseWindow() {
    events_.push_back({MessageKind::Size, kSizeMinimized});
}

void HeadlessHost::setWindowPos(int x, int y, int width, int height) {
    rect_ = {x, y, x + width, y + height};
}

bool HeadlessHost::openScreen(int width, int height, int depth, bool fullScreen) {
    if (depth != 15 && depth != 16 && depth != 24 && depth != 32) {
        // The desktop reports a depth the surfaces cannot take; keep a 32-bit buffer so the
        // frame function can still lock it and say the depth is not supported.
        surface_.assign(static_cast<size_t>(width) * height * 4, 0);
    } else {
        surface_.assign(static_cast<size_t>(width) * height * bytesPerPixel(depth), 0);
    }
    depth_ = depth;
    open_ = true;
    lost_ = false;
    fullScreen_ = fullScreen;
    return true;
}

void HeadlessHost::closeScreen() {
    open_ = false;
    surface_.clear();
}

uint32_t HeadlessHost::primaryGreenMask() const {
    if (!open_) return 0;
    return depth_ == 16 ? options_.greenMask16 : 0x0000FF00;
}

int HeadlessHost::surfaceDepth() const {
    return depth_ == 16 && options_.greenMask16 == 0x03E0 ? 15 : depth_;
}

uint8_t* HeadlessHost::lockSurface() {
    if (!open_ || lost_) return nullptr;
    return surface_.data();
}

void HeadlessHost::messageBox(const std::string& caption, const std::string& text) {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    ++boxes_;
    lastBox_ = caption + ": " + text;
}

void HeadlessHost::captureDesktop(uint32_t* pixels, int, int, int width, int height) {
    makeStandInDesktop(pixels, width, height);
}

bool HeadlessHost::pollSystem(Message& out) {
    if (events_.empty()) return false;
    out = events_.front();
    events_.pop_front();
    return true;
}

std::unique_ptr<Host> makeHeadlessHost(const HeadlessOptions& options) {
    return std::make_unique<HeadlessHost>(options);
}

} // namespace platform
