#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "parts/part5.h"
#include "platform/clock.h"
#include "tests/parts/part_stage.h"
#include "tools/writers/sync_writer.h"

using namespace parts;
using testing_files::eventAt;

namespace {

// part 5 loaded from the generated data on a virtual clock, its sync file written by the test.
struct Rails : testing_files::TakenOverPart<Part5> {
    explicit Rails(const writers::SyncChannels& s4) : TakenOverPart("part5", s4) {}
};

double meanBrightness(const picture::Image32& image) {
    double sum = 0;
    for (size_t i = 0; i < image.pixelCount(); ++i) {
        const uint32_t p = image.pixels[i];
        sum += ((p >> 16) & 255) + ((p >> 8) & 255) + (p & 255);
    }
    return sum / 3 / static_cast<double>(image.pixelCount());
}

} // namespace

TEST(Part5, LoadsItsSceneRailsAndPhotographs) {
    Rails r({{}, {eventAt(0.2, 241, 3)}});
    Part5State& s = r.part.state();
    ASSERT_NE(s.knot, nullptr);
    ASSERT_NE(s.sphere, nullptr) << "the sphere is found by its Latin-1 name";
    EXPECT_EQ(s.knot->renderMode, 301);
    EXPECT_EQ(s.sphere->renderMode, 302);
    EXPECT_EQ(s.knot->faceData.size(), s.knot->faces.size());
    for (const scene3d::FaceData& f : s.knot->faceData)
        ASSERT_EQ(f.shade, 255.0f);
    ASSERT_NE(s.knot->shadeTable, nullptr);
    ASSERT_NE(s.sphere->shadeTable, nullptr);
    EXPECT_GT(s.eyeRail.vertexCount, 100);
    EXPECT_EQ(s.eyeRail.vertexCount, s.targetRail.vertexCount);
    for (const picture::LoadedImage32* p : s.photographs)
        ASSERT_NE(p, nullptr);
    EXPECT_GT(s.flare.width, 0);
}

TEST(Part5, ViewWidensOnlyOnChannelZeroAndHandsOverAtItsSeventhBeat) {
    {
        // No channel-0 event: the view factors stay 256 frame after frame.
        Rails r({{}, {eventAt(0.1, 241, 3), eventAt(0.4, 241, 3)}});
        for (int f = 0; f < 20; ++f) {
            r.frame();
            ASSERT_EQ(r.part.state().camera->scaleX, 256) << f;
            ASSERT_EQ(r.part.state().camera->scaleY, 256) << f;
        }
        EXPECT_EQ(r.context.partNumber, 1);
    }
    std::vector<sound::SyncEvent> zero;
    for (int i = 0; i < 8; ++i)
        zero.push_back(eventAt(0.1 + 0.1 * i, 100, 4));
    Rails r({zero, {eventAt(0.1, 241, 3)}});
    bool widened = false;
    int frames = 0;
    while (r.context.partNumber != 6 && frames < 60) {
        r.frame(), ++frames;
        const float scale = r.part.state().camera->scaleX;
        widened = widened || scale == 156;
        EXPECT_GE(scale, 156);
        EXPECT_LE(scale, 256);
    }
    EXPECT_TRUE(widened);
    EXPECT_EQ(r.context.partNumber, 6);
    EXPECT_EQ(r.context.syncTable->entries[0].cursors[0], 7);
    EXPECT_GT(meanBrightness(r.framebuffer), 8);
}

TEST(Part5, KicksOncePerChannelOneEvent) {
    Rails r({{}, {}});
    r.frame();
    Part5State& s = r.part.state();
    const uint32_t t = 20'000'000;
    r.part.moveOnRails(241, 4, t, 30);
    const float first = s.rails.boost;
    EXPECT_GT(first, 0);
    // The same event held over the next frames does not kick again: the boost fades out.
    for (uint32_t ms = 30; ms <= 600; ms += 30)
        r.part.moveOnRails(241, 4, t + ms, 30);
    const float held = s.rails.boost;
    r.part.moveOnRails(241, 4, t + 630, 30);
    EXPECT_EQ(s.rails.boost, held);
    // Other values on a new event do not kick; the next 241 does.
    r.part.moveOnRails(240, 5, t + 660, 30);
    EXPECT_EQ(s.rails.boost, held);
    r.part.moveOnRails(241, 6, t + 690, 30);
    EXPECT_FLOAT_EQ(s.rails.boost, held + first);
}

TEST(Part5, DissolveSpreadsFromTheMiddleAndStopsAtBothEnds) {
    scene3d::Mesh m;
    m.faces.resize(40);
    m.faceData.assign(40, {0, 0, 255, 0});
    DissolveFronts d;
    advanceDissolve(d, m, 100); // fronts 1.5 faces a frame, 2.5 shade a frame
    EXPECT_FLOAT_EQ(d.lower, 18.5f);
    EXPECT_FLOAT_EQ(d.upper, 21.5f);
    for (size_t i = 0; i < 40; ++i)
        EXPECT_EQ(m.faceData[i].shade, i >= 18 && i < 21 ? 252.5f : 255.0f) << i;
    for (int f = 0; f < 200; ++f)
        advanceDissolve(d, m, 100);
    EXPECT_EQ(d.lower, 0);
    EXPECT_EQ(d.upper, 40);
    for (const scene3d::FaceData& f : m.faceData)
        EXPECT_EQ(f.shade, 0.0f);
    // Steps larger than what is left end at 0, not below.
    m.faceData[7].shade = 3;
    advanceDissolve(d, m, 1);
    EXPECT_EQ(m.faceData[7].shade, 0.0f);
    // An empty face list has nothing to fade.
    scene3d::Mesh none;
    DissolveFronts e;
    advanceDissolve(e, none, 30);
    EXPECT_EQ(e.upper, 0);
}

TEST(Part5, PhotographsTurnWhileFadedOutAndWrapAfterTheLast) {
    Photographs p;
    p.indexA = 16, p.indexB = 16;
    const float step = 3.1415927f / 84;
    // Image A is gone at alpha = pi; image B a quarter turn later.
    p.alpha = 3.1415927f - step;
    turnPhotographs(p, 30, false, true, 17);
    EXPECT_LE(p.fadeA, 9);
    EXPECT_EQ(p.indexA, 0);
    EXPECT_FALSE(p.armedA);
    // Disarmed, it does not turn again until it has shown once more.
    turnPhotographs(p, 30, false, true, 17);
    EXPECT_EQ(p.indexA, 0);
    int turnsA = 0, turnsB = 0, lastA = p.indexA, lastB = p.indexB;
    for (int f = 0; f < 84 * 2 * 3; ++f) {
        turnPhotographs(p, 30, false, true, 17);
        if (p.indexA != lastA) {
            ++turnsA, lastA = p.indexA;
            EXPECT_LE(p.fadeA, 9);
        }
        if (p.indexB != lastB) {
            ++turnsB, lastB = p.indexB;
            EXPECT_LT(p.fadeB, 10);
        }
    }
    EXPECT_EQ(turnsA, 3);
    EXPECT_EQ(turnsB, 3);
    EXPECT_EQ(p.indexB, 2);
    // Not shown: the angles run on, nothing turns.
    Photographs q;
    q.alpha = 3.1415927f - step;
    turnPhotographs(q, 30, true, false, 17);
    EXPECT_EQ(q.indexA, 0);
    EXPECT_FLOAT_EQ(q.alpha, 3.1415927f + 0.7853982f);
}
