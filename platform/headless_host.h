#pragma once
// The host of headless runs and tests: a memory surface and injected messages.
#include <deque>

#include "platform/host.h"

namespace platform {

class HeadlessHost : public Host {
  public:
    explicit HeadlessHost(const HeadlessOptions& options) : options_(options) {}

    bool createWindow(int x, int y, int width, int height) override;
    void destroyWindow() override;
    void showWindow() override {}
    void minimiseWindow() override;
    void setWindowPos(int x, int y, int width, int height) override;
    Rect windowRect() const override { return rect_; }
    Point cursorPos() const override { return cursor_; }

    int desktopDepth() const override { return options_.desktopDepth; }
    bool openScreen(int width, int height, int depth, bool fullScreen) override;
    void closeScreen() override;
    uint32_t primaryGreenMask() const override;
    uint8_t* lockSurface() override;
    void unlockSurface() override {}
    void restoreSurface() override { lost_ = false; }
    bool presentSurface() override { return open_; }
    const uint8_t* surfacePixels() const override { return open_ ? surface_.data() : nullptr; }
    int surfaceDepth() const override;

    void messageBox(const std::string& caption, const std::string& text) override;
    void captureDesktop(uint32_t* pixels, int x, int y, int width, int height) override;

    // Test controls: the system delivers these messages, the cursor sits there, the next lock
    // fails as a lost surface does.
    void inject(const Message& m) { events_.push_back(m); }
    void setCursor(int x, int y) { cursor_ = {x, y}; }
    void loseSurface() { lost_ = true; }
    bool fullScreen() const { return fullScreen_; }
    int messageBoxCount() const { return boxes_; }
    const std::string& lastBox() const { return lastBox_; }
    bool cursorVisible() const { return cursorVisible_; }

  protected:
    bool pollSystem(Message& out) override;

  private:
    void applyCursor(bool visible) override { cursorVisible_ = visible; }

    HeadlessOptions options_;
    std::deque<Message> events_;
    Rect rect_{};
    Point cursor_{};
    std::vector<uint8_t> surface_;
    int depth_ = 0;
    bool open_ = false;
    bool lost_ = false;
    bool fullScreen_ = false;
    bool cursorVisible_ = true;
    int boxes_ = 0;
    std::string lastBox_;
};

} // namespace platform
