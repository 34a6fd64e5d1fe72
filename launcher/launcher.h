#pragma once
// The launcher: a piece of the desktop turned into an animated 3D dialog with a start button,
// an info button and a viewer that flies in with the production's information text.
#include <array>
#include <string>
#include <vector>

#include "draw2d/bitmap_font.h"
#include "picture/image32.h"
#include "picture/image8.h"
#include "picture/resource_lists.h"
#include "platform/input_state.h"
#include "scene3d/scene.h"

namespace launcher {

// What the launcher reads and writes of the shell around it.
struct LauncherIo {
    picture::Image32* framebuffer = nullptr;   // 512 x 256
    const picture::Image32* desktop = nullptr; // 512 x 384, what lies behind the window
    const platform::MouseState* mouse = nullptr;
    platform::DebugScratch* debug = nullptr;
    picture::ResourceLists* resources = nullptr;
    int* launcherOpen = nullptr;
    int* fullScreenRequest = nullptr;
    int* infoTextOpen = nullptr;
    int* launcherLoaded = nullptr;
};

struct ViewerButton {
    picture::LoadedImage32 image;
    int left = 0, top = 0;
    float glow = 0;
};

struct InfoViewer {
    static constexpr size_t kTextBytes = 6000;
    std::string text; // the lines as read, newlines kept, at most kTextBytes - 1 bytes
    int lineCount = 0, columns = 80;
    picture::Image32 textImage, framedText;
    std::array<picture::Image32, 4> tiles;
    std::array<std::array<float, 2>, 4> tileStart{}, tileEnd{}, startScale{}, endScale{};
    float opening = 0;
    int alpha = 0;
    float scroll = 0, lowest = 0, highest = 0, closed = 0;
    float upSpeed = 0, downSpeed = 0;
    ViewerButton scrollUp, scrollDown, exit;
};

struct Launcher {
    scene3d::Scene3ds scene;
    float sceneTime = 0;
    std::array<float, 3> wobble{};
    picture::LoadedImage32 foreground, backgroundPicture;
    picture::Image8 backgroundMask;
    picture::Image32 desktopBand, background;
    std::vector<int32_t> savedDepth;
    std::vector<uint32_t> sectionPixels; // what "Section" drew into the band, where it drew
    picture::LoadedImage32 infoIdle, infoLit, startIdle, startLit;
    int infoGlow = 0, startGlow = 0;
    int clickCounter = 20;
    draw2d::BitmapFont font;
    InfoViewer viewer;
};

constexpr int kInfoX = 294, kInfoY = 178, kStartX = 227, kStartY = 111;

// Loads everything, draws the "Section" mesh once into the desktop band and keeps its depth.
void initialiseLauncher(Launcher& l, LauncherIo& io);
// One frame: the buttons, the draw, the debug cells and the 30 ms frame time.
void launcherFrame(Launcher& l, LauncherIo& io);
// The frame without its wait: for tests and timing.
void updateLauncher(Launcher& l, LauncherIo& io);
void drawLauncher(Launcher& l, LauncherIo& io);
// The background again from a fresh capture of the desktop.
void refreshBackground(Launcher& l, const picture::Image32& desktop);

// The viewer from the text file and the panel picture.
void setupViewer(InfoViewer& v, draw2d::BitmapFont& font, const std::string& textFile,
                 const std::string& panelFile);
// Reads at most kTextBytes - 1 bytes of lines of at most 99 characters each. A text that is
// missing or looks damaged (see viewerTextProblem) is shown as far as it goes, after one
// line on stderr naming the file.
void readViewerText(InfoViewer& v, const std::string& textFile);
void viewerTextFromBytes(InfoViewer& v, const uint8_t* data, size_t size);
// What is wrong with an information text, or empty: no text at all, bytes that are neither
// printable nor line ends or tabs (not a text, or garbled), more than the viewer holds, or a
// last line without its line end (cut short).
std::string viewerTextProblem(const uint8_t* data, size_t size);
void renderViewerText(InfoViewer& v, draw2d::BitmapFont& font);
// Opening, tiles, text, buttons.
void viewerFrame(InfoViewer& v, picture::Image32& framebuffer, const platform::MouseState& mouse,
                 int& infoTextOpen);

// Strictly inside the centred rectangle of a w x h picture at (cx, cy).
bool overCentred(const platform::MouseState& mouse, int cx, int cy, int w, int h);

} // namespace launcher
