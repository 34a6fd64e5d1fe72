#pragma once
// Moves each finished frame to the screen, in a window or full screen, and owns the screen
// surfaces. The frame function locks the drawing surface, draws or converts into it, unlocks
// it and presents it.
#include <cstdint>

namespace platform {
class Host;
}

namespace display {

class Display {
  public:
    static constexpr uint32_t kFullScreenFlag = 1;

    // Stores the arguments and runs the full-screen or the window set-up; then hides the
    // cursor after the full-screen set-up or shows it after the window set-up.
    void create(platform::Host& window, int width, int height, int fullScreenDepth,
                int desktopDepth, bool fullScreen);
    // Address of the drawing surface's first byte, or null when the lock fails.
    uint8_t* lock();
    void unlock();
    void present();
    void restore();
    void toggle();
    void release();

    bool fullScreen() const { return (flags & kFullScreenFlag) != 0; }
    bool held() const { return directDraw; }

    bool directDraw = false; // the screen is open for this program
    bool surfacesHeld = false;
    platform::Host* window = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t fullScreenDepth = 0;
    int32_t desktopDepth = 0;
    int32_t depth = 0; // what the conversion must produce: 15, 16, 24 or 32
    uint32_t flags = 0;

  private:
    bool setUpFullScreen();
    bool setUpWindow();
    bool detect16BitLayout();
    void releaseSurfaces();
    void fail(const char* text);
};

} // namespace display
