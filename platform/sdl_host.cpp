#include <SDL.h>

#include <cstdio>
#include <deque>

#include <cmath>

#include "platform/desktop_capture.h"
#include "platform/host.h"

namespace platform {

namespace {

int bytesPerPixel(int depth) {
    return depth == 15 ? 2 : depth / 8;
}

uint32_t textureFormat(int depth) {
    switch (depth) {
    case 15:
        return SDL_PIXELFORMAT_RGB555;
    case 16:
        return SDL_PIXELFORMAT_RGB565;
    case 24:
        return SDL_PIXELFORMAT_BGR24; // bytes blue, green, red
    default:
        return SDL_PIXELFORMAT_RGB888;
    }
}

// SDL key codes to Windows virtual-key codes; 0 for keys the production has no code for.
uint32_t virtualKey(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) return vk::letter(static_cast<char>('A' + (key - SDLK_a)));
    if (key >= SDLK_0 && key <= SDLK_9) return vk::digit(key - SDLK_0);
    if (key >= SDLK_F1 && key <= SDLK_F12) return vk::F1 + static_cast<uint32_t>(key - SDLK_F1);
    switch (key) {
    case SDLK_ESCAPE:
        return vk::Escape;
    case SDLK_UP:
        return vk::Up;
    case SDLK_DOWN:
        return vk::Down;
    case SDLK_LEFT:
        return vk::Left;
    case SDLK_RIGHT:
        return vk::Right;
    case SDLK_PAGEUP:
        return vk::PageUp;
    case SDLK_PAGEDOWN:
        return vk::PageDown;
    case SDLK_HOME:
        return vk::Home;
    case SDLK_END:
        return vk::End;
    case SDLK_INSERT:
        return vk::Insert;
    case SDLK_DELETE:
        return vk::Delete;
    case SDLK_KP_PLUS:
        return vk::Add;
    case SDLK_KP_MINUS:
        return vk::Subtract;
    case SDLK_SPACE:
        return 0x20;
    case SDLK_RETURN:
        return 0x0D;
    case SDLK_BACKSPACE:
        return 0x08;
    case SDLK_TAB:
        return 0x09;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
        return 0x10;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
        return 0x11;
    default:
        return 0;
    }
}

class SdlHost : public Host {
  public:
    explicit SdlHost(const SdlOptions& options) : options_(options) {}
    ~SdlHost() override {
        closeScreen();
        if (sharpTarget_) SDL_DestroyTexture(sharpTarget_);
        if (renderer_) SDL_DestroyRenderer(renderer_);
        if (window_) SDL_DestroyWindow(window_);
        SDL_Quit();
    }

    bool start() {
        SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
        // Focus loss minimises the window on purpose; SDL must not do it on its own as well.
        SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            std::fprintf(stderr, "video: %s\n", SDL_GetError());
            return false;
        }
        return true;
    }

    bool createWindow(int x, int y, int width, int height) override {
        window_ =
            SDL_CreateWindow("", x, y, width, height, SDL_WINDOW_BORDERLESS | SDL_WINDOW_SHOWN);
        if (!window_) {
            std::fprintf(stderr, "window: %s\n", SDL_GetError());
            return false;
        }
        windowExists_ = true;
        pending_.push_back({MessageKind::Create, 0});
        return true;
    }

    void destroyWindow() override {
        if (!windowExists_) return;
        windowExists_ = false;
        closeScreen();
        if (renderer_) SDL_DestroyRenderer(renderer_), renderer_ = nullptr;
        if (sharpTarget_) SDL_DestroyTexture(sharpTarget_), sharpTarget_ = nullptr;
        SDL_DestroyWindow(window_);
        window_ = nullptr;
        pending_.clear();
        sendFirst({MessageKind::Destroy, 0});
    }

    void showWindow() override {
        if (window_) SDL_ShowWindow(window_);
    }
    void minimiseWindow() override {
        if (window_) SDL_MinimizeWindow(window_);
    }
    void setWindowPos(int x, int y, int width, int height) override {
        if (!window_) return;
        SDL_SetWindowSize(window_, width, height);
        SDL_SetWindowPosition(window_, x, y);
    }
    Rect windowRect() const override {
        Rect r{};
        if (!window_) return r;
        int x = 0, y = 0, w = 0, h = 0;
        SDL_GetWindowPosition(window_, &x, &y);
        SDL_GetWindowSize(window_, &w, &h);
        return {x, y, x + w, y + h};
    }
    // The screen position of the cursor as of the last mouse event. SDL's global mouse state
    // can lag behind pointer warps under X11, the event's own position does not.
    Point cursorPos() const override { return cursor_; }

    int desktopDepth() const override {
        if (options_.forcedDepth) return options_.forcedDepth == 15 ? 16 : options_.forcedDepth;
        SDL_DisplayMode mode{};
        if (SDL_GetDesktopDisplayMode(0, &mode) != 0) return 32;
        switch (SDL_BYTESPERPIXEL(mode.format)) {
        case 2:
            return 16;
        case 3:
            return 24;
        default:
            return 32;
        }
    }

    bool openScreen(int width, int height, int depth, bool fullScreen) override {
        closeScreen();
        if (!window_) return false;
        if (!renderer_) {
            renderer_ = SDL_CreateRenderer(window_, -1, 0);
            if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
            if (!renderer_) return false;
        }
        if (!setFullScreen(fullScreen)) return false;
        fullScreen_ = fullScreen;
        // A flip waits for the screen's refresh, as in full screen it should; a window does not.
        SDL_RenderSetVSync(renderer_, fullScreen ? 1 : 0);
        layoutDepth_ = depth == 16 && primaryGreenMaskFor(16) == 0x03E0 ? 15 : depth;
        texture_ = SDL_CreateTexture(renderer_, textureFormat(layoutDepth_),
                                     SDL_TEXTUREACCESS_STREAMING, width, height);
        if (!texture_) return false;
        SDL_SetTextureScaleMode(texture_, SDL_ScaleModeNearest);
        const int bpp = (layoutDepth_ == 15 || layoutDepth_ == 16 || layoutDepth_ == 24)
                            ? bytesPerPixel(layoutDepth_)
                            : 4;
        surface_.assign(static_cast<size_t>(width) * height * bpp, 0);
        width_ = width, height_ = height, bpp_ = bpp;
        depth_ = depth;
        return true;
    }

    void closeScreen() override {
        if (texture_) SDL_DestroyTexture(texture_), texture_ = nullptr;
        surface_.clear();
    }

    uint32_t primaryGreenMask() const override {
        return texture_ ? primaryGreenMaskFor(depth_) : 0;
    }

    uint8_t* lockSurface() override { return texture_ ? surface_.data() : nullptr; }
    void unlockSurface() override {}
    void restoreSurface() override {}

    bool presentSurface() override {
        if (!texture_) return false;
        if (SDL_UpdateTexture(texture_, nullptr, surface_.data(), width_ * bpp_) != 0) return false;
        SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
        SDL_RenderClear(renderer_);
        if (!copyToScreen()) return false;
        SDL_RenderPresent(renderer_);
        return true;
    }
    const uint8_t* surfacePixels() const override { return texture_ ? surface_.data() : nullptr; }
    int surfaceDepth() const override { return layoutDepth_; }

    void messageBox(const std::string& caption, const std::string& text) override {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        if (options_.messageBoxes)
            SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, caption.c_str(), text.c_str(),
                                     nullptr);
    }

    void captureDesktop(uint32_t* pixels, int x, int y, int width, int height) override {
        makeStandInDesktop(pixels, width, height);
        captureX11Desktop(pixels, x, y, width, height);
    }

  protected:
    bool pollSystem(Message& out) override {
        SDL_Event e;
        while (pending_.empty() && SDL_PollEvent(&e))
            translate(e);
        if (pending_.empty()) return false;
        out = pending_.front();
        pending_.pop_front();
        return true;
    }

  private:
    void applyCursor(bool visible) override { SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE); }

    uint32_t primaryGreenMaskFor(int depth) const {
        if (depth != 16) return 0x0000FF00;
        if (options_.forcedDepth == 15) return 0x03E0;
        if (options_.forcedDepth == 16) return 0x07E0;
        SDL_DisplayMode mode{};
        if (SDL_GetDesktopDisplayMode(0, &mode) != 0) return 0;
        int bpp = 0;
        Uint32 r = 0, g = 0, b = 0, a = 0;
        SDL_PixelFormatEnumToMasks(mode.format, &bpp, &r, &g, &b, &a);
        return g;
    }

    // Without a window manager nobody answers a request for full screen: the window is
    // placed over the whole screen by hand, and put back by the return to a window.
    bool setFullScreen(bool fullScreen) {
        if (!checkedManager_) managed_ = x11WindowManagerRunning(), checkedManager_ = true;
        if (managed_)
            return SDL_SetWindowFullscreen(window_,
                                           fullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) == 0;
        if (fullScreen) {
            SDL_Rect bounds{};
            if (SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(window_), &bounds) != 0)
                return false;
            SDL_SetWindowPosition(window_, bounds.x, bounds.y);
            SDL_SetWindowSize(window_, bounds.w, bounds.h);
            SDL_RaiseWindow(window_);
        }
        return true;
    }

    const Presentation& presentation() const {
        return fullScreen_ ? options_.fullScreen : options_.window;
    }

    // The picture into the output: straight, or through a whole multiple of itself.
    bool copyToScreen() {
        int ow = 0, oh = 0;
        if (SDL_GetRendererOutputSize(renderer_, &ow, &oh) != 0) return false;
        const Presentation& p = presentation();
        const Rect r = presentationRect(p.scale, ow, oh, width_, height_);
        shown_ = {r.left, r.top, r.right - r.left, r.bottom - r.top};
        const int k = wholeMultiple(shown_.w, shown_.h, width_, height_);
        const bool exact = shown_.w == width_ * k && shown_.h == height_ * k;
        if (!p.sharp || exact || !SDL_RenderTargetSupported(renderer_))
            return SDL_RenderCopy(renderer_, texture_, nullptr, &shown_) == 0;
        if (!sharpTarget_ || sharpK_ != k) {
            if (sharpTarget_) SDL_DestroyTexture(sharpTarget_);
            sharpTarget_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888,
                                             SDL_TEXTUREACCESS_TARGET, width_ * k, height_ * k);
            if (!sharpTarget_) return SDL_RenderCopy(renderer_, texture_, nullptr, &shown_) == 0;
            SDL_SetTextureScaleMode(sharpTarget_, SDL_ScaleModeLinear);
            sharpK_ = k;
        }
        SDL_SetRenderTarget(renderer_, sharpTarget_);
        const bool drawn = SDL_RenderCopy(renderer_, texture_, nullptr, nullptr) == 0;
        SDL_SetRenderTarget(renderer_, nullptr);
        return drawn && SDL_RenderCopy(renderer_, sharpTarget_, nullptr, &shown_) == 0;
    }

    // Mouse positions in window pixels back to the 512 x 384 screen's, placed at the window.
    void noteCursor(int windowX, int windowY) {
        int x = 0, y = 0;
        if (window_) SDL_GetWindowPosition(window_, &x, &y);
        if (shown_.w > 0 && shown_.h > 0 && (shown_.w != width_ || shown_.h != height_)) {
            windowX = static_cast<int>(
                std::floor(static_cast<double>(windowX - shown_.x) * width_ / shown_.w));
            windowY = static_cast<int>(
                std::floor(static_cast<double>(windowY - shown_.y) * height_ / shown_.h));
        }
        cursor_ = {x + windowX, y + windowY};
    }

    void translate(const SDL_Event& e) {
        switch (e.type) {
        case SDL_QUIT:
            pending_.push_back({MessageKind::Close, 0});
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            // Alt+Enter is the usual full-screen key: it does what F12 does.
            if ((e.key.keysym.sym == SDLK_RETURN || e.key.keysym.sym == SDLK_KP_ENTER) &&
                (e.key.keysym.mod & KMOD_ALT)) {
                if (e.type == SDL_KEYDOWN && !e.key.repeat)
                    pending_.push_back({MessageKind::KeyDown, vk::F12});
                break;
            }
            if (const uint32_t code = virtualKey(e.key.keysym.sym))
                pending_.push_back(
                    {e.type == SDL_KEYDOWN ? MessageKind::KeyDown : MessageKind::KeyUp, code});
            break;
        case SDL_MOUSEMOTION:
            noteCursor(e.motion.x, e.motion.y);
            pending_.push_back({MessageKind::MouseMove, 0});
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            const bool down = e.type == SDL_MOUSEBUTTONDOWN;
            noteCursor(e.button.x, e.button.y);
            if (e.button.button == SDL_BUTTON_LEFT)
                pending_.push_back({down ? MessageKind::LButtonDown : MessageKind::LButtonUp, 0});
            else if (e.button.button == SDL_BUTTON_RIGHT)
                pending_.push_back({down ? MessageKind::RButtonDown : MessageKind::RButtonUp, 0});
            break;
        }
        case SDL_WINDOWEVENT:
            switch (e.window.event) {
            case SDL_WINDOWEVENT_SHOWN:
            case SDL_WINDOWEVENT_RESTORED:
                pending_.push_back({MessageKind::Size, kSizeRestored});
                break;
            case SDL_WINDOWEVENT_HIDDEN:
                pending_.push_back({MessageKind::Size, kSizeMaxHide});
                break;
            case SDL_WINDOWEVENT_MINIMIZED:
                pending_.push_back({MessageKind::Activate, 0x10000});
                pending_.push_back({MessageKind::Size, kSizeMinimized});
                break;
            case SDL_WINDOWEVENT_FOCUS_GAINED:
                pending_.push_back({MessageKind::Activate, 1});
                pending_.push_back({MessageKind::SetFocus, 0});
                break;
            case SDL_WINDOWEVENT_FOCUS_LOST:
                pending_.push_back({MessageKind::KillFocus, 0});
                break;
            case SDL_WINDOWEVENT_CLOSE:
                pending_.push_back({MessageKind::Close, 0});
                break;
            default:
                break;
            }
            break;
        default:
            break;
        }
    }

    SdlOptions options_;
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    SDL_Texture* sharpTarget_ = nullptr;
    int sharpK_ = 0;
    SDL_Rect shown_{};
    bool fullScreen_ = false;
    bool managed_ = true, checkedManager_ = false;
    std::vector<uint8_t> surface_;
    std::deque<Message> pending_;
    Point cursor_;
    int width_ = 0, height_ = 0, bpp_ = 4, depth_ = 32, layoutDepth_ = 32;
};

} // namespace

std::unique_ptr<Host> makeSdlHost(const SdlOptions& options) {
    auto host = std::make_unique<SdlHost>(options);
    if (!host->start()) return nullptr;
    return host;
}

} // namespace platform
