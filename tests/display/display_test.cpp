#include <gtest/gtest.h>

#include "display/display.h"
#include "platform/headless_host.h"

namespace {

struct Fixture {
    explicit Fixture(int desktopDepth, uint32_t mask16 = 0x07E0) : host({desktopDepth, mask16}) {
        host.createWindow(200, 200, 512, 384);
        d.create(host, 512, 384, 32, desktopDepth, false);
    }
    platform::HeadlessHost host;
    display::Display d;
};

} // namespace

TEST(Display, WindowDepthFollowsTheDesktopAndThe16BitGreenMask) {
    EXPECT_EQ(Fixture(32).d.depth, 32);
    EXPECT_EQ(Fixture(24).d.depth, 24);
    EXPECT_EQ(Fixture(16, 0x07E0).d.depth, 16);
    EXPECT_EQ(Fixture(16, 0x03E0).d.depth, 15);

    Fixture odd(16, 0x07C0);
    EXPECT_EQ(odd.host.lastBox(), "directDrawError: Color mode not supported");
    EXPECT_FALSE(odd.host.windowExists());
    platform::Message m;
    ASSERT_TRUE(odd.host.peekMessage(m));
    EXPECT_EQ(m.kind, platform::MessageKind::Destroy);
}

TEST(Display, CreateShowsTheCursorInAWindow) {
    Fixture f(32);
    EXPECT_EQ(f.host.cursorCount(), 1);
    EXPECT_FALSE(f.d.fullScreen());
    EXPECT_NE(f.d.lock(), nullptr);
}

TEST(Display, ToggleTwiceReturnsToTheWindowWithFreshSurfaces) {
    Fixture f(24);
    f.host.setWindowPos(0, 0, 10, 10);
    f.d.toggle();
    EXPECT_TRUE(f.d.fullScreen());
    EXPECT_TRUE(f.host.fullScreen());
    EXPECT_EQ(f.d.depth, 32); // full screen is always 32 bits
    f.host.loseSurface();
    f.d.toggle();
    EXPECT_FALSE(f.d.fullScreen());
    EXPECT_EQ(f.d.depth, 24);
    const platform::Rect r = f.host.windowRect();
    EXPECT_EQ(r.left, 200);
    EXPECT_EQ(r.top, 200);
    EXPECT_EQ(r.right - r.left, 512);
    EXPECT_EQ(r.bottom - r.top, 384);
    EXPECT_NE(f.d.lock(), nullptr); // the surface lost before the toggle was replaced
}

TEST(Display, LostSurfaceLocksAsNullUntilRestored) {
    Fixture f(32);
    f.host.loseSurface();
    EXPECT_EQ(f.d.lock(), nullptr);
    f.d.restore();
    EXPECT_NE(f.d.lock(), nullptr);
}

TEST(Display, ReleaseLeavesNothingToLock) {
    Fixture f(32);
    f.d.release();
    EXPECT_FALSE(f.d.held());
    EXPECT_EQ(f.d.lock(), nullptr);
    f.d.release(); // twice is harmless
}
