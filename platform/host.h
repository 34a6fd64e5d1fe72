#pragma once
// What the production asks of the operating system: a window with its messages, a screen
// surface to draw into and show, message boxes, the cursor and a copy of the desktop.
// One SDL2 implementation and one headless implementation.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/messages.h"

namespace platform {

class Host {
  public:
    virtual ~Host() = default;

    // --- window -----------------------------------------------------------------------------
    // A borderless window; its creation queues the messages that showing a window produces.
    virtual bool createWindow(int x, int y, int width, int height) = 0;
    // Destroying the window sends Destroy ahead of everything else in the queue.
    virtual void destroyWindow() = 0;
    bool windowExists() const { return windowExists_; }
    virtual void showWindow() = 0;
    virtual void minimiseWindow() = 0;
    virtual void setWindowPos(int x, int y, int width, int height) = 0;
    virtual Rect windowRect() const = 0;
    virtual Point cursorPos() const = 0;
    // ShowCursor semantics: a display count, the cursor visible while it is 0 or more.
    int showCursor(bool show);
    int cursorCount() const { return cursorCount_; }

    // --- messages ---------------------------------------------------------------------------
    // Takes the next message, if any (PeekMessage with PM_REMOVE).
    bool peekMessage(Message& out);
    void postMessage(const Message& m) { posted_.push_back(m); }
    void postQuitMessage(uint32_t code) { quitPending_ = true, quitCode_ = code; }

    // --- screen surface ---------------------------------------------------------------------
    // Bits per pixel of the desktop (GetDeviceCaps BITSPIXEL).
    virtual int desktopDepth() const = 0;
    // Opens the primary and drawing surfaces at a depth (15, 16, 24 or 32) in a window or
    // full screen. False when that cannot be done.
    virtual bool openScreen(int width, int height, int depth, bool fullScreen) = 0;
    virtual void closeScreen() = 0;
    // Green mask of the primary surface's pixel format; 0 when it cannot be read.
    virtual uint32_t primaryGreenMask() const = 0;
    // The drawing surface's memory, width * height pixels at the depth, rows without gaps.
    // Null when the surface is lost or not open.
    virtual uint8_t* lockSurface() = 0;
    virtual void unlockSurface() = 0;
    virtual void restoreSurface() = 0;
    // Shows the drawing surface. False when the blit failed.
    virtual bool presentSurface() = 0;
    // The last presented picture and its depth, for capture.
    virtual const uint8_t* surfacePixels() const = 0;
    virtual int surfaceDepth() const = 0;

    // --- the rest ---------------------------------------------------------------------------
    // Always one line on stderr ("caption: text"); a box where a display exists.
    virtual void messageBox(const std::string& caption, const std::string& text) = 0;
    // Fills 512 * 384 pixels 0x00RRGGBB with the screen area at (200, 200) when there is a
    // desktop to copy, otherwise with a picture of its own.
    virtual void captureDesktop(uint32_t* pixels, int x, int y, int width, int height) = 0;

  protected:
    // Fetches one event from the system, translated; false when none is waiting.
    virtual bool pollSystem(Message& out) = 0;
    void sendFirst(const Message& m) { sent_.push_back(m); }
    bool windowExists_ = false;

  private:
    std::vector<Message> sent_;   // sent messages go before posted ones, in order
    std::vector<Message> posted_; // FIFO
    bool quitPending_ = false;
    uint32_t quitCode_ = 0;
    int cursorCount_ = 0;
    virtual void applyCursor(bool visible) = 0;
};

// A picture for when there is no desktop to copy: a calm gradient with a grid, the same
// every time.
void makeStandInDesktop(uint32_t* pixels, int width, int height);

struct HeadlessOptions {
    int desktopDepth = 32;
    uint32_t greenMask16 = 0x07E0; // the 16-bit layout the primary surface reports
};

// No window and no display: a memory surface, messages only as tests inject them.
class HeadlessHost;
std::unique_ptr<Host> makeHeadlessHost(const HeadlessOptions& options);

// How a screen larger than 512 x 384 shows the picture.
struct Presentation {
    enum class Scale { Integer, Fit, Stretch };
    Scale scale = Scale::Fit;
    bool sharp = false; // nearest to the largest whole multiple, then linear to the size
};

// The largest whole multiple of the picture that fits the output (at least 1).
int wholeMultiple(int outWidth, int outHeight, int width, int height);
// Where the picture lands on an output of that size, centred.
Rect presentationRect(Presentation::Scale scale, int outWidth, int outHeight, int width,
                      int height);

struct SdlOptions {
    int forcedDepth = 0; // 0: the desktop's own; else 15, 16, 24, 32
    bool messageBoxes = true;
    Presentation window;
    Presentation fullScreen{Presentation::Scale::Fit, true};
};
// Null (with a line on stderr) when SDL's video cannot start.
std::unique_ptr<Host> makeSdlHost(const SdlOptions& options);

} // namespace platform
