#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "launcher/launcher.h"
#include "platform/clock.h"
#include "tests/test_production.h"
#include "tools/writers/image_writers.h"

using namespace launcher;

namespace {

// A launcher started in a fresh copy of the generated production.
struct Dialog {
    testing_files::TestProduction production{"launcher"};
    std::unique_ptr<Launcher> launcher = std::make_unique<Launcher>();
    picture::Image32 framebuffer, desktop;
    platform::MouseState mouse;
    platform::DebugScratch debug;
    picture::ResourceLists resources;
    int launcherOpen = 1, fullScreenRequest = 0, infoTextOpen = 0, launcherLoaded = 0;
    LauncherIo io;

    Dialog() {
        std::filesystem::current_path(production.data());
        platform::setClock(platform::Clock::virtualClock(30));
        framebuffer.create(512, 256);
        desktop.create(512, 384);
        for (size_t i = 0; i < desktop.pixelCount(); ++i)
            desktop.pixels[i] = 0x00336699;
        io = {&framebuffer,  &desktop,           &mouse,        &debug,         &resources,
              &launcherOpen, &fullScreenRequest, &infoTextOpen, &launcherLoaded};
        initialiseLauncher(*launcher, io);
    }
    void at(int x, int y, bool down) { mouse.x = x, mouse.y = y, mouse.leftDown = down ? 1 : 0; }
    void frame() { updateLauncher(*launcher, io); }
};

} // namespace

TEST(Launcher, InitialisesWithTheSectionAsAnOccluder) {
    Dialog d;
    EXPECT_EQ(d.launcherLoaded, 1);
    EXPECT_EQ(d.infoTextOpen, 0);
    const scene3d::Mesh* section = scene3d::findMesh(d.launcher->scene, "Section");
    ASSERT_NE(section, nullptr);
    EXPECT_EQ(section->flags & scene3d::kHasFaces, 0u) << "never drawn by the frames";
    size_t covered = 0;
    for (int32_t z : d.launcher->savedDepth)
        covered += z != 0;
    EXPECT_GT(covered, 10000u);
    EXPECT_GT(d.launcher->font.glyphCount, 90);
    EXPECT_GT(d.launcher->viewer.lineCount, 20);
    d.frame();
    EXPECT_EQ(d.debug.cells[0], d.mouse.x + 20);
    // A new desktop comes through where the mask lets it, and the section stays.
    for (size_t i = 0; i < d.desktop.pixelCount(); ++i)
        d.desktop.pixels[i] = 0x00FF0000;
    refreshBackground(*d.launcher, d.desktop);
    EXPECT_GT((d.launcher->background.pixels[2 * 512 + 256] >> 16) & 255, 250u)
        << "the top edge shows the desktop";
    size_t kept = 0;
    for (size_t i = 0; i < d.launcher->savedDepth.size(); ++i)
        kept += d.launcher->savedDepth[i] != 0 &&
                d.launcher->desktopBand.pixels[i] == d.launcher->sectionPixels[i];
    EXPECT_EQ(kept, covered);
}

TEST(Launcher, ButtonsHoverStrictlyInsideAndTheClickCounter) {
    Dialog d;
    const int w = d.launcher->startIdle.width, h = d.launcher->startIdle.height;
    ASSERT_GT(w, 0);
    platform::MouseState m;
    m.x = kStartX + w / 2 - 1, m.y = kStartY;
    EXPECT_TRUE(overCentred(m, kStartX, kStartY, w, h));
    m.x = kStartX + w / 2;
    EXPECT_FALSE(overCentred(m, kStartX, kStartY, w, h));
    m.x = kStartX, m.y = kStartY - h / 2;
    EXPECT_FALSE(overCentred(m, kStartX, kStartY, w, h));
    m.y = -60; // the window's top rows lie above the picture: never a button
    EXPECT_FALSE(overCentred(m, kStartX, -60 + 1, w, 0));

    // Held on the info button, the viewer toggles every five frames.
    d.at(kInfoX, kInfoY, true);
    std::vector<int> states;
    for (int i = 0; i < 11; ++i)
        d.frame(), states.push_back(d.infoTextOpen);
    EXPECT_EQ(states, (std::vector<int>{1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 1}));
    EXPECT_EQ(d.launcher->infoGlow, 110);
    d.at(0, 0, false);
    for (int i = 0; i < 30; ++i)
        d.frame();
    EXPECT_EQ(d.launcher->infoGlow, 0);
    EXPECT_EQ(d.launcherOpen, 1);
    // Start works with the viewer open.
    d.infoTextOpen = 1;
    d.at(kStartX, kStartY, true);
    d.frame();
    EXPECT_EQ(d.launcherOpen, 0);
    EXPECT_EQ(d.fullScreenRequest, 1);
}

TEST(Launcher, TheViewerOpensInFortyFramesAndClosesInAHundred) {
    Dialog d;
    InfoViewer& v = d.launcher->viewer;
    d.infoTextOpen = 1;
    int frames = 0;
    while (v.opening < 100 && frames < 1000)
        d.frame(), ++frames;
    EXPECT_EQ(frames, 40);
    EXPECT_EQ(v.alpha, 255);
    d.infoTextOpen = 0; // as Escape does
    frames = 0;
    while (v.opening > 0 && frames < 1000)
        d.frame(), ++frames;
    EXPECT_EQ(frames, 100);
    EXPECT_EQ(v.alpha, 0);
    // The exit button closes it; scrolling stays between the lowest and highest positions.
    d.infoTextOpen = 1;
    d.at(v.exit.left + 2, v.exit.top + 2, true);
    d.frame();
    EXPECT_EQ(d.infoTextOpen, 0);
    d.at(v.scrollDown.left + 2, v.scrollDown.top + 2, false);
    ASSERT_LT(v.lowest, v.highest) << "the text is taller than the window";
    for (int i = 0; i < 400; ++i)
        d.frame();
    EXPECT_FLOAT_EQ(v.downSpeed, 2.0f);
    EXPECT_FLOAT_EQ(v.scroll, v.lowest);
    d.at(v.scrollUp.left + 2, v.scrollUp.top + 2, false);
    for (int i = 0; i < 400; ++i)
        d.frame();
    EXPECT_FLOAT_EQ(v.scroll, v.highest);
}

TEST(Launcher, ViewerTextIsBoundedAndItsLinesSplit) {
    testing_files::TestProduction production{"viewer"};
    const std::string path = (production.root() / "long.nfo").string();
    std::string text = std::string(150, 'x') + "\n";
    for (int i = 0; i < 200; ++i)
        text += "a line of about forty characters ......\n";
    ASSERT_TRUE(writers::writeBytes(path, writers::Bytes(text.begin(), text.end())));
    InfoViewer v;
    readViewerText(v, path);
    EXPECT_LE(v.text.size(), InfoViewer::kTextBytes - 1);
    EXPECT_EQ(v.text.substr(0, 99), std::string(99, 'x')) << "99 characters a read";
    EXPECT_EQ(v.text[99], 'x');
    EXPECT_EQ(v.lineCount, 2 + static_cast<int>((v.text.size() - 151) / 40));
    testing::internal::CaptureStderr();
    readViewerText(v, (production.root() / "none.nfo").string());
    EXPECT_NE(testing::internal::GetCapturedStderr().find(
                  "none.nfo: file doesn't exist; the show plays on"),
              std::string::npos);
    EXPECT_EQ(v.lineCount, 0);
}

TEST(Launcher, DamagedViewerTextIsNamedAndShownAsFarAsItGoes) {
    auto problem = [](const std::string& t) {
        return viewerTextProblem(reinterpret_cast<const uint8_t*>(t.data()), t.size());
    };
    EXPECT_EQ(problem("two lines\r\n\tand a tab\n"), "");
    EXPECT_EQ(problem("box \xC9\xCD\xBB drawing\n"), ""); // a code page's own characters
    EXPECT_EQ(problem(""), "the text is empty");
    EXPECT_EQ(problem("cut in the mid"), "the last line has no line end: cut short?");
    EXPECT_EQ(problem(std::string("ab\x01\n", 4)),
              "byte 2 is a control character: not a text, or garbled");
    EXPECT_EQ(problem(std::string(6000, 'x')).find("longer than the 5999 bytes"), 0u);

    testing_files::TestProduction production{"viewer_cut"};
    const std::string path = (production.root() / "cut.nfo").string();
    ASSERT_TRUE(writers::writeBytes(path, writers::Bytes{'o', 'n', 'e', '\n', 't', 'w'}));
    InfoViewer v;
    testing::internal::CaptureStderr();
    readViewerText(v, path);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "demo: " + path + ": the last line has no line end: cut short?; the show plays on\n");
    EXPECT_EQ(v.lineCount, 2);
}
