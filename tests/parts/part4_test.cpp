#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>

#include "parts/part4.h"
#include "platform/clock.h"
#include "platform/random.h"
#include "tests/parts/part_stage.h"
#include "tools/writers/sync_writer.h"

using namespace parts;

namespace {

// The tunnel as plainly as it can be written, every table index checked.
void referenceTunnel(const TunnelTables& t, const std::vector<int32_t>& A,
                     const std::vector<int32_t>& B, const TunnelCursors& c, const uint32_t* texture,
                     std::vector<uint32_t>& out) {
    const int cx1 = A.at(static_cast<size_t>(c.i1)) + 256,
              cx2 = A.at(static_cast<size_t>(c.i2)) + 256;
    const int cy1 = B.at(static_cast<size_t>(c.j1)) + 128,
              cy2 = B.at(static_cast<size_t>(c.j2)) + 128;
    out.assign(512 * 256, 0);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 512; ++x) {
            const int r1 = ((y - cy1) >> 1) + 128,
                      c1 = ((A[static_cast<size_t>(x)] - cx1) >> 1) + 256;
            const int r2 = ((y - cy2) >> 1) + 128, c2 = ((x - cx2) >> 1) + 256;
            EXPECT_TRUE(r1 >= 0 && r1 <= 255 && r2 >= 0 && r2 <= 255 && c1 >= 0 && c1 <= 255 &&
                        c2 >= 64 && c2 <= 447)
                << x << "," << y;
            auto at = [&](const std::vector<int32_t>& table, int r, int col) {
                return table.at(static_cast<size_t>(r * 512 + col));
            };
            const int row = (at(t.angle, r1, c1) + at(t.angle, r2, c2) + B[static_cast<size_t>(y)] +
                             128 + c.u) &
                            255;
            const int column = (at(t.distance, r1, c1) + at(t.distance, r2, c2) + c.v) & 255;
            const uint32_t texel = texture[row * 256 + column];
            const int shade = ((A[static_cast<size_t>(x)] + B[static_cast<size_t>(y)]) >> 1) + 128;
            uint32_t p = 0;
            for (int shift : {0, 8, 16})
                p |= static_cast<uint32_t>(
                         std::min(static_cast<int>((texel >> shift) & 255) + shade, 255))
                     << shift;
            out[static_cast<size_t>(y * 512 + x)] = p;
        }
}

// part 4 loaded in a fresh production with its own "other/s4", on a virtual clock.
struct Tunnel : testing_files::PartStage {
    std::unique_ptr<Part4> part;
    int underneathCalls = 0;

    explicit Tunnel(const writers::SyncChannels& s4, bool withUnderneath = false)
        : PartStage("part4") {
        writers::writeBytes((production.root() / "data/other/s4").string(),
                            writers::encodeSyncFile({s4}));
        // Long enough for the hand-over's event: the soundtrack's end holds the position.
        writers::writeBytes((production.root() / "vantrel.mp3").string(),
                            testing_files::TestProduction::tone(3.0));
        open(40);
        Part4::SceneUnderneath under;
        if (withUnderneath)
            under = [this](picture::Image32& target) {
                ++underneathCalls;
                std::fill_n(target.pixels, target.pixelCount(), 0x204060u);
            };
        part = std::make_unique<Part4>(under);
        part->load(stage, 512, 256);
        sound::startMusic(context);
    }
    void frame() {
        platform::tickFrameClock(clock, platform::tickCount());
        part->run(stage);
    }
};

sound::SyncEvent at(double seconds, int value, int duration) {
    return {writers::syncTime(seconds), static_cast<uint8_t>(value),
            static_cast<uint8_t>(duration)};
}

} // namespace

TEST(Part4, TunnelStaysInsideItsTablesAndMatchesThePlainLoop) {
    TunnelTables tables;
    tables.build();
    std::vector<uint32_t> texture(256 * 256);
    for (size_t i = 0; i < texture.size(); ++i)
        texture[i] = static_cast<uint32_t>(i * 2654435761u) & 0xFFFFFFu;
    picture::Image32 target;
    target.create(512, 256);
    std::vector<uint32_t> expected;
    // The extremes of the waves, alternating extremes and a ramp; cursors at each end.
    std::vector<std::pair<std::vector<int32_t>, std::vector<int32_t>>> waves;
    waves.push_back({std::vector<int32_t>(512, -128), std::vector<int32_t>(256, -128)});
    waves.push_back({std::vector<int32_t>(512, 127), std::vector<int32_t>(256, 127)});
    std::vector<int32_t> zigA(512), zigB(256), rampA(512), rampB(256);
    for (int i = 0; i < 512; ++i)
        zigA[static_cast<size_t>(i)] = i % 2 ? 127 : -128,
        rampA[static_cast<size_t>(i)] = i / 2 - 128;
    for (int i = 0; i < 256; ++i)
        zigB[static_cast<size_t>(i)] = i % 3 ? -128 : 127, rampB[static_cast<size_t>(i)] = 127 - i;
    waves.push_back({zigA, zigB});
    waves.push_back({rampA, rampB});
    TunnelCursors c;
    for (const auto& [A, B] : waves)
        for (int step = 0; step < 3; ++step) {
            c.i1 = step * 255 % 512, c.i2 = 511 - step * 3, c.j1 = step * 127 % 256,
            c.j2 = 255 - step;
            c.u = static_cast<uint8_t>(step * 100), c.v = static_cast<uint8_t>(250 - step);
            drawTunnel(tables, A.data(), B.data(), c, texture.data(), target);
            referenceTunnel(tables, A, B, c, texture.data(), expected);
            for (size_t i = 0; i < expected.size(); ++i)
                ASSERT_EQ(target.pixels[i], expected[i]) << "pixel " << i;
        }
    // The tables themselves: the angle in 256 units a turn, no angle at the centre.
    EXPECT_EQ(tables.distance[128 * 512 + 256], 1);
    EXPECT_NEAR(tables.angle[128 * 512 + 256 + 100], 64, 1);
    EXPECT_EQ(tables.angle[255 * 512 + 256], 0);
    EXPECT_EQ(tables.angle[0 * 512 + 256 - 1], -127);
}

TEST(Part4, BeatReshapesBothWavesInEightFramesAndGlowsOnItsCursors) {
    // Channel 1: twelve beats 50 ms apart from 0.1 s; those that move the cursor to 8 and 11
    // glow. Channel 0 runs out at 2 s, the third event ending the part.
    writers::SyncChannels s4(2);
    s4[0] = {at(0.5, 70, 6), at(1.0, 90, 6), at(2.0, 110, 6), at(5.0, 80, 6)};
    for (int k = 0; k < 12; ++k)
        s4[1].push_back(at(0.1 + 0.05 * k, 241, 2));
    Tunnel t(s4);
    Part4State& s = t.part->state();
    int beats = 0, lastCursor = 0;
    picture::Image32 firstSnapshot;
    firstSnapshot.create(512, 256);
    bool sawSecondGlow = false;
    for (int f = 0; f < 40 && !sawSecondGlow; ++f) {
        t.frame();
        const int cursor = t.context.syncTable->entries[0].cursors[1];
        if (s.sync[1] != 241) continue;
        ++beats;
        EXPECT_EQ(s.waveA.morphLength(), 8);
        EXPECT_EQ(s.waveB.frameCounter(), 0);
        if (cursor == 8) {
            EXPECT_FLOAT_EQ(s.glow, 118);
            s.glowSnapshot.copyTo(firstSnapshot);
        } else if (cursor == 11) {
            EXPECT_FLOAT_EQ(s.glow, 118) << "a glow restarts at 128 whatever is left of the last";
            EXPECT_NE(0, std::memcmp(firstSnapshot.pixels, s.glowSnapshot.pixels, 512 * 256 * 4))
                << "a new snapshot";
            sawSecondGlow = true;
        } else if (cursor != 9 && cursor != 10) {
            EXPECT_TRUE(s.glow == 0 || lastCursor >= 8) << cursor;
        }
        lastCursor = cursor;
    }
    EXPECT_TRUE(sawSecondGlow);
    EXPECT_EQ(beats, 11);
    for (int f = 0; f < 10 && !(f > 0 && s.sync[1] == 241); ++f)
        t.frame(); // the twelfth beat
    ASSERT_EQ(s.waveA.morphLength(), 8);

    // After the last beat: eight frames reach the new shape, then a 200-frame morph.
    const std::vector<fx::WaveControl> goal = s.waveA.controls();
    for (int f = 0; f < 8; ++f)
        t.frame();
    for (size_t k = 0; k < goal.size(); ++k)
        EXPECT_NEAR(s.waveA.controls()[k].value, static_cast<float>(goal[k].target), 0.01f);
    t.frame();
    EXPECT_EQ(s.waveA.morphLength(), 200);
    EXPECT_EQ(s.waveB.morphLength(), 200);

    // The part ends once channel 0's cursor passes 2.
    int frames = 0;
    while (t.context.partNumber == 1 && frames < 200)
        t.frame(), ++frames;
    EXPECT_EQ(t.context.partNumber, 5);
    EXPECT_EQ(t.context.syncTable->entries[0].cursors[0], 3);
    EXPECT_NEAR(static_cast<double>(platform::tickCount() - t.context.musicStartTick), 2000, 50);
}

TEST(Part4, CrossfadeTakes64FramesAt50FpsOverTheSceneUnderneath) {
    writers::SyncChannels s4(2);
    s4[0] = {at(30, 70, 6)};
    Tunnel t(s4, true);
    Part4State& s = t.part->state();
    t.clock.framesPerSecond = 50;
    int frames = 0;
    while (s.fade < 255) {
        t.part->drawFrame(t.stage);
        ++frames;
        if (s.fade < 255) {
            // The tunnel at alpha fade over the scene's blue-grey.
            const uint32_t tunnel = s.tunnelImage.pixels[1000], under = 0x204060u,
                           got = t.framebuffer.pixels[1000];
            const int a = static_cast<int>(s.fade);
            const int expected =
                static_cast<int>((((tunnel >> 8) & 255) * static_cast<uint32_t>(a) +
                                  ((under >> 8) & 255) * static_cast<uint32_t>(255 - a)) >>
                                 8);
            EXPECT_NEAR(static_cast<int>((got >> 8) & 255), expected, 1) << frames;
        }
    }
    EXPECT_EQ(frames, 64);
    EXPECT_EQ(t.underneathCalls, 63);
    t.part->drawFrame(t.stage);
    EXPECT_EQ(t.underneathCalls, 63) << "once faded in, the tunnel alone";
}
