#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "fx/particle_stream.h"
#include "platform/random.h"
#include "tests/temp_dir.h"
#include "tools/writers/image_writers.h"
#include "tools/writers/stream_writer.h"

using namespace fx;
using scene3d::Point3f;

namespace {

// A stream file with its comments where a hand-written one has them: at the top, between
// fields and among the control points.
std::string streamText(const std::string& points, const std::string& tail) {
    return "* a test stream\n"
           "*\n"
           "poolSize 3.9\n"
           "emitMinimum 2\n"
           "* emission every third frame\n"
           "emitRange 1\n"
           "fadeIn 10\n"
           "fadeOut 20\n"
           "speed   1.5\n"
           "speedSpread 0\n"
           "size 2.5\n"
           "sizeSpread 0.004\n"
           "depthFactor 0.01 trailing words\n"
           "set flares\n"
           "sprites 2\n"
           "sprite a.jpg\n"
           "* a comment inside a list does not count\n"
           "sprite b.jpg\n" +
           points + tail;
}

std::string points(const std::vector<Point3f>& p) {
    std::string s = "n " + std::to_string(p.size()) + "\n";
    for (size_t i = 0; i < p.size(); ++i) {
        if (i == 1) s += "* between points\n";
        s += "p " + std::to_string(p[i].x) + " " + std::to_string(p[i].y) + " " +
             std::to_string(p[i].z) + "\n";
    }
    return s;
}

const std::vector<Point3f> kSquare = {
    {100, 50, 0}, {300, 50, 10}, {300, 200, 20}, {100, 200, 30}, {50, 120, 40}};

float distance(const Point3f& a, const Point3f& b) {
    return std::hypot(a.x - b.x, a.y - b.y, a.z - b.z);
}

struct Refusal {
    int line = 0;
    std::string problem;
};

Refusal refuse(const std::string& text) {
    StreamSettings s;
    Refusal r;
    EXPECT_FALSE(parseStreamSettings(text, s, r.line, r.problem)) << text;
    return r;
}

} // namespace

TEST(ParticleStream, ReadsFieldsPastCommentsAndLabels) {
    StreamSettings s;
    int line = 0;
    std::string problem;
    ASSERT_TRUE(parseStreamSettings(
        streamText(points(kSquare), "samples 4\nclosed 0\ncurve 0\nignored after the last\n"), s,
        line, problem))
        << line << ": " << problem;
    EXPECT_EQ(s.poolSize, 3) << "truncated";
    EXPECT_EQ(s.emitMinimum, 2);
    EXPECT_EQ(s.emitRange, 1);
    EXPECT_EQ(s.fadeInPoints, 10);
    EXPECT_EQ(s.fadeOutPoints, 20);
    EXPECT_FLOAT_EQ(s.speedBase, 1.5f);
    EXPECT_FLOAT_EQ(s.sizeBase, 2.5f);
    EXPECT_FLOAT_EQ(s.depthFactor, 0.01f);
    ASSERT_EQ(s.control.size(), kSquare.size());
    EXPECT_FLOAT_EQ(s.control[4].x, 50);
    EXPECT_FLOAT_EQ(s.control[4].z, 40);
    EXPECT_EQ(s.samplesPerSegment, 4);
    EXPECT_EQ(s.closedFlag, 0);
    EXPECT_EQ(s.curveKind, 0);

    // The generator's own files read back.
    writers::ParticleStreamFile file;
    file.controlPoints = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}};
    file.closedFlag = 1, file.curveKind = 1, file.sprites = {"x.jpg", "y.jpg", "z.jpg"};
    ASSERT_TRUE(
        parseStreamSettings(writers::encodeParticleStream(file, "round trip"), s, line, problem))
        << line << ": " << problem;
    EXPECT_EQ(s.control.size(), 4u);
    EXPECT_EQ(s.closedFlag, 1);
    EXPECT_EQ(s.curveKind, 1);
    EXPECT_EQ(s.poolSize, file.poolSize);
}

TEST(ParticleStream, ClosedBSplineLoopsAndOpenCatmullRomRunsThroughItsPoints) {
    StreamSettings s;
    s.control = kSquare, s.samplesPerSegment = 4, s.closedFlag = 0, s.curveKind = 0;
    const std::vector<Point3f> loop = generatePath(s);
    // Five points and the first three again: five segments, back where it began.
    ASSERT_EQ(loop.size(), 5u * 4);
    const Point3f &p0 = kSquare[0], &p1 = kSquare[1], &p2 = kSquare[2];
    EXPECT_NEAR(loop[0].x, (p0.x + 4 * p1.x + p2.x) / 6, 1e-3);
    EXPECT_NEAR(loop[0].z, (p0.z + 4 * p1.z + p2.z) / 6, 1e-3);
    float longestStep = 0;
    for (size_t i = 1; i < loop.size(); ++i)
        longestStep = std::max(longestStep, distance(loop[i - 1], loop[i]));
    EXPECT_LE(distance(loop.back(), loop[0]), longestStep)
        << "the last sample leads back to the first";

    s.closedFlag = 1, s.curveKind = 1;
    const std::vector<Point3f> open = generatePath(s);
    ASSERT_EQ(open.size(), 2u * 4) << "an open path: one segment per run of four";
    for (int k : {0, 4}) {
        const Point3f& at = kSquare[static_cast<size_t>(k / 4 + 1)];
        EXPECT_FLOAT_EQ(open[static_cast<size_t>(k)].x, at.x);
        EXPECT_FLOAT_EQ(open[static_cast<size_t>(k)].y, at.y);
    }
    EXPECT_GT(distance(open.back(), open[0]), 100) << "an open path does not come back";
}

TEST(ParticleStream, RefusesBadKindsShortFilesAndCountsBeyondTheirLines) {
    const std::string pts = points(kSquare);
    // Line numbers count every line of the file, comments too: the curve kind is line 28.
    Refusal r = refuse(streamText(pts, "samples 4\nclosed 0\ncurve 2\n"));
    EXPECT_EQ(r.line, 28);
    EXPECT_NE(r.problem.find("curve kind"), std::string::npos) << r.problem;
    r = refuse(streamText(pts, "samples 4\nclosed 7\ncurve 0\n"));
    EXPECT_EQ(r.line, 27);
    EXPECT_NE(r.problem.find("closed flag"), std::string::npos) << r.problem;

    // Short: the file stops after the control points.
    r = refuse(streamText(pts, "samples 4\n"));
    EXPECT_EQ(r.line, 27);
    EXPECT_NE(r.problem.find("ends before a closed flag"), std::string::npos) << r.problem;
    r = refuse("* nothing but a comment\n");
    EXPECT_EQ(r.line, 2);

    // A count beyond the lines that follow it, for the points and for the sprite names.
    r = refuse(streamText("n 40\np 1 2 3\np 4 5 6\n", "samples 4\nclosed 0\ncurve 0\n"));
    EXPECT_EQ(r.line, 19);
    EXPECT_NE(r.problem.find("runs past the file's end"), std::string::npos) << r.problem;
    std::string manySprites = streamText(pts, "samples 4\nclosed 0\ncurve 0\n");
    manySprites.replace(manySprites.find("sprites 2"), 9, "sprites 99");
    EXPECT_NE(refuse(manySprites).problem.find("runs past"), std::string::npos);

    // A count that fits but points that do not parse, too few points, a line without a value,
    // a line too long for the reader, and values the stream cannot use.
    r = refuse(
        streamText("n 4\np 1 2 3\np 4 5\np 1 1 1\np 2 2 2\n", "samples 4\nclosed 0\ncurve 0\n"));
    EXPECT_EQ(r.line, 21);
    r = refuse(
        streamText(points({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}), "samples 4\nclosed 1\ncurve 1\n"));
    EXPECT_NE(r.problem.find("too few control points"), std::string::npos) << r.problem;
    std::string noValue = streamText(pts, "samples 4\nclosed 0\ncurve 0\n");
    noValue.replace(noValue.find("emitRange 1"), 11, "emitRange");
    EXPECT_EQ(refuse(noValue).line, 6);
    std::string longLine = streamText(pts, "samples 4\nclosed 0\ncurve 0\n");
    longLine.insert(0, "*" + std::string(99, '-') + "\n");
    EXPECT_EQ(refuse(longLine).line, 1);
    for (const char* bad : {"poolSize 0\n", "poolSize 1e9\n", "poolSize nan\n", "poolSize -3\n"}) {
        std::string text = streamText(pts, "samples 4\nclosed 0\ncurve 0\n");
        text.replace(text.find("poolSize 3.9\n"), 13, bad);
        EXPECT_EQ(refuse(text).line, 3) << bad;
    }
    r = refuse(streamText(pts, "samples 0\nclosed 0\ncurve 0\n"));
    EXPECT_EQ(r.line, 26);
}

TEST(ParticleStream, EmitsOnScheduleLoopsForeverAndFadesAtTheEnds) {
    StreamSettings s;
    int line = 0;
    std::string problem;
    ASSERT_TRUE(parseStreamSettings(streamText(points(kSquare), "samples 32\nclosed 1\ncurve 1\n"),
                                    s, line, problem))
        << problem;
    ParticleStream stream;
    stream.setUp(s);
    const int length = static_cast<int>(stream.path.size());
    ASSERT_EQ(length, 64);
    platform::seedRandom(5);
    // The first frame emits; then every third (the counter must pass 2 + rand() mod 1).
    std::vector<int> counts;
    for (int frame = 0; frame < 8; ++frame) {
        stream.update();
        counts.push_back(stream.pool.liveCount());
    }
    EXPECT_EQ(counts, (std::vector<int>{1, 1, 1, 2, 2, 2, 3, 3}));
    stream.pool.forEach([](const StreamParticle& p) {
        EXPECT_FLOAT_EQ(p.speed, 1.5f) << "no spread";
        EXPECT_FLOAT_EQ(p.scale, 2.5f) << "a spread under a hundredth draws nothing";
        EXPECT_FLOAT_EQ(p.pathLength, 64);
    });
    // Nobody dies: positions wrap and stay on the path.
    for (int frame = 0; frame < 500; ++frame) {
        stream.update();
        stream.pool.forEach([&](const StreamParticle& p) {
            ASSERT_TRUE(p.position >= 0 && p.position < 64) << p.position;
        });
    }
    EXPECT_EQ(stream.pool.liveCount(), 3);

    EXPECT_EQ(stream.alphaAt(0), 0);
    EXPECT_EQ(stream.alphaAt(5), 127);
    EXPECT_EQ(stream.alphaAt(10), 255);
    EXPECT_EQ(stream.alphaAt(43), 255);
    EXPECT_EQ(stream.alphaAt(44), 19 * 255 / 20);
    EXPECT_EQ(stream.alphaAt(63), 0);
}

TEST(ParticleStream, DrawsAtThePathPointSizedByItsDepth) {
    StreamSettings s;
    s.poolSize = 1, s.emitRange = 1, s.fadeInPoints = 2, s.sizeBase = 1, s.depthFactor = 0.01f,
    s.samplesPerSegment = 4, s.closedFlag = 1, s.curveKind = 1;
    s.control = {{0, 0, 0}, {100, 60, 50}, {200, 60, 0}, {300, 0, 0}};
    ParticleStream stream;
    stream.setUp(s);
    picture::Image32 flare, target;
    flare.create(16, 16);
    std::fill_n(flare.pixels, flare.pixelCount(), 0x00FFFFFFu);
    target.create(512, 256);
    std::fill_n(target.pixels, target.pixelCount(), 0u);
    stream.update(); // the particle is born at position 0: the point (100, 60), z 50
    stream.draw(target, flare);
    // Scale 1 - 50 x 0.01 = 0.5: the 16-pixel flare covers 32 pixels around the point, at alpha 0.
    EXPECT_EQ(target.pixels[60 * 512 + 100], 0u) << "alpha 0 on the first point of the fade-in";
    stream.settings.fadeInPoints = 0;
    stream.draw(target, flare);
    // Alpha 255 adds 255 x 255 >> 8.
    EXPECT_EQ(target.pixels[60 * 512 + 100], 0x00FEFEFEu);
    EXPECT_EQ(target.pixels[60 * 512 + 110], 0x00FEFEFEu) << "twice the flare's size";
    EXPECT_EQ(target.pixels[60 * 512 + 118], 0u);
}

TEST(ParticleStream, TheReaderEndsTheProgramNamingTheFileAndLine) {
    testing_files::TempDir dir("stream");
    EXPECT_EXIT(
        {
            ParticleStream s;
            readParticleStream("other/sp9", s);
        },
        testing::ExitedWithCode(255), "Can't open file other/sp9 !");
    const std::string bad = streamText(points(kSquare), "samples 4\nclosed 0\ncurve 3\n");
    ASSERT_TRUE(writers::writeBytes("sp0", writers::Bytes(bad.begin(), bad.end())));
    EXPECT_EXIT(
        {
            ParticleStream s;
            readParticleStream("sp0", s);
        },
        testing::ExitedWithCode(255), "sp0 line 28: the curve kind");
}

TEST(ParticleStream, DamagedLabelsAndNumbersAreRefused) {
    const std::string good = streamText(points(kSquare), "samples 4\nclosed 0\ncurve 0\n");
    std::string damaged = good;
    damaged.replace(damaged.find("poolSize"), 4, "\x9e\xfa$\x01");
    Refusal r = refuse(damaged);
    EXPECT_EQ(r.line, 3);
    EXPECT_NE(r.problem.find("label"), std::string::npos);
    damaged = good;
    damaged.replace(damaged.find("emitMinimum 2"), 13, "emitMinimum 2x");
    r = refuse(damaged);
    EXPECT_EQ(r.line, 4);
}
