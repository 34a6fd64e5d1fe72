#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <vector>

#include "parts/part8.h"
#include "platform/clock.h"
#include "tests/parts/part_stage.h"
#include "tools/writers/image_writers.h"

using namespace parts;

namespace {

// part 8 loaded from the generated scene, streams and pictures, with part 1's flare beside it.
struct Closing : testing_files::PartStage {
    Part1 city;
    Part8 part{city};
    Part8State& s = part.state();

    explicit Closing(bool load = true) : PartStage("part8") {
        std::filesystem::copy(std::filesystem::path(PRODUCTION_DIR) / "data/other/s7",
                              production.root() / "data/other/s7",
                              std::filesystem::copy_options::overwrite_existing);
        standInFlare();
        open();
        city.state().flare.load("image/flare32.jpg");
        if (load) part.load(stage, 512, 256);
    }

    // The 8-bit flare comes with another part's data: a round glow of the same kind until then.
    void standInFlare() {
        const std::filesystem::path file = production.root() / "data" / "image" / "flare.tga";
        if (std::filesystem::exists(file)) return;
        std::vector<uint8_t> glow(64 * 64);
        writers::Palette256 grey{};
        for (uint32_t i = 0; i < 256; ++i)
            grey[i] = i * 0x010101u;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                glow[static_cast<size_t>(y * 64 + x)] = static_cast<uint8_t>(
                    255 * std::pow(std::max(0.0, 1 - std::hypot(x - 31.5, y - 31.5) / 32), 2));
        writers::writeBytes(file.string(), writers::encodeTga8(glow.data(), 64, 64, grey, false));
    }

    std::vector<uint32_t> frame(int cursor2) {
        part.drawFrame(framebuffer, cursor2);
        return {framebuffer.pixels, framebuffer.pixels + framebuffer.pixelCount()};
    }
    std::vector<uint32_t> closingPixels() const {
        return {s.closingImage.pixels, s.closingImage.pixels + s.closingImage.pixelCount()};
    }
};

int liveParticles(const Part8State& s) {
    int n = 0;
    for (const fx::ParticleStream& stream : s.streams)
        n += stream.pool.liveCount();
    return n;
}

} // namespace

TEST(Part8, SceneOverBlackThenTheClosingImageFadesInOver51Frames) {
    Closing c;
    Part8State& s = c.s;
    // While the cursor is 0 the closing image is nowhere: a white one changes nothing.
    const std::vector<uint32_t> dark = c.frame(0);
    const std::vector<uint32_t> closing = c.closingPixels();
    std::fill_n(s.closingImage.pixels, s.closingImage.pixelCount(), 0x00FFFFFFu);
    EXPECT_EQ(c.frame(0), dark);
    std::copy(closing.begin(), closing.end(), s.closingImage.pixels);
    size_t lit = 0;
    for (uint32_t p : dark)
        lit += p != 0;
    EXPECT_GT(lit, dark.size() / 10) << "the scene shows";
    EXPECT_LT(lit, dark.size() * 9 / 10) << "over black";
    EXPECT_EQ(liveParticles(s), 0) << "no streams before the first event";

    // After the first event: 5 more a frame, the closing image itself on the 51st.
    picture::Image32 under;
    under.create(512, 256);
    uint64_t previous = 0;
    for (int k = 1; k <= 51; ++k) {
        c.part.fadeToClosingImage(under, 1);
        EXPECT_EQ(s.fadeLevel, std::min(255, 5 * k));
        uint64_t sum = 0;
        for (size_t i = 0; i < under.pixelCount(); ++i)
            sum += under.pixels[i] & 0xFF;
        EXPECT_GT(sum, previous) << k;
        previous = sum;
        const bool whole = std::equal(closing.begin(), closing.end(), under.pixels);
        EXPECT_EQ(whole, k == 51) << k;
    }
    c.part.fadeToClosingImage(under, 1);
    EXPECT_EQ(s.fadeLevel, 255);
    EXPECT_TRUE(std::equal(closing.begin(), closing.end(), under.pixels));
}

TEST(Part8, CursorMinusOneStopsTheFadeAndTheCylinderWhileParticlesGoOn) {
    Closing c;
    Part8State& s = c.s;
    ASSERT_NE(s.cylinder, nullptr);
    s.sync[1] = 200;
    for (int k = 0; k < 10; ++k)
        c.frame(1);
    EXPECT_EQ(s.fadeLevel, 50);
    EXPECT_FLOAT_EQ(s.cylinder->scale[0], 1 + 200.0f / 255)
        << "swollen by value 1 / 255 on its track's scale";
    EXPECT_FLOAT_EQ(s.cylinder->scale[2], 1 + 200.0f / 255);
    EXPECT_FLOAT_EQ(s.cylinder->scale[1], 1);
    const int started = liveParticles(s);
    EXPECT_GT(started, 0);

    std::vector<float> positions;
    for (int k = 0; k < 30; ++k)
        c.frame(-1);
    EXPECT_EQ(s.fadeLevel, 50) << "the fade stops where it is";
    EXPECT_FLOAT_EQ(s.cylinder->scale[0], 1) << "the cylinder no longer swells";
    EXPECT_GT(liveParticles(s), started) << "the streams keep emitting";
    s.streams[0].pool.forEach(
        [&](const fx::StreamParticle& p) { positions.push_back(p.position); });
    c.frame(-1);
    size_t i = 0, moved = 0;
    s.streams[0].pool.forEach([&](const fx::StreamParticle& p) {
        moved += i < positions.size() && p.position != positions[i++];
    });
    EXPECT_GT(moved, 0u);
}

TEST(Part8, TheLogoFlashesOnlyWhenValueOneIsExactly200) {
    Closing c;
    Part8State& s = c.s;
    auto logoArea = [&](const std::vector<uint32_t>& px) {
        uint64_t sum = 0;
        for (int y = 215; y < 245; ++y)
            for (int x = 80; x < 180; ++x)
                sum += px[static_cast<size_t>(y * 512 + x)] >> 16 & 0xFF;
        return sum;
    };
    for (int v : {199, 201, 255, 133}) {
        s.sync[1] = v;
        c.frame(1);
        EXPECT_EQ(s.logoLevel, 0) << v;
    }
    s.sync[1] = 200;
    c.frame(-1);
    EXPECT_EQ(s.logoLevel, 0) << "only while channel 2's cursor is 1";
    s.sync[1] = 133;
    const uint64_t without = logoArea(c.frame(1));
    s.sync[1] = 200;
    const uint64_t with = logoArea(c.frame(1));
    EXPECT_EQ(s.logoLevel, 252);
    EXPECT_GT(with, without + 1000) << "the logo shows at (130, 230)";
    s.sync[1] = 66;
    c.frame(1);
    EXPECT_EQ(s.logoLevel, 249) << "then fades by 3 a frame";
    for (int k = 0; k < 100; ++k)
        c.frame(1);
    EXPECT_EQ(s.logoLevel, 0) << "not below 0";
}

TEST(Part8, StreamsTakeThreeDistinctColoursAndFramesTake28Ms) {
    Closing c;
    Part8State& s = c.s;
    std::vector<uint32_t> centres;
    for (const picture::Image32& f : s.streamFlares) {
        ASSERT_EQ(f.width, s.flare8.width);
        const uint32_t p = f.pixels[static_cast<size_t>(f.height / 2 * f.width + f.width / 2 - 6)];
        const int r = p >> 16 & 255, g = p >> 8 & 255, b = p & 255;
        EXPECT_GT(std::max({r, g, b}) - std::min({r, g, b}), 60)
            << std::hex << p << ": coloured, not grey";
        for (uint32_t q : centres)
            EXPECT_NE(q, p);
        centres.push_back(p);
    }
    for (const fx::ParticleStream& stream : s.streams)
        EXPECT_FALSE(stream.path.empty());

    c.context.partNumber = 8;
    for (int k = 0; k < 5; ++k) {
        const uint32_t before = platform::tickCount();
        platform::tickFrameClock(c.clock, before);
        c.part.run(c.stage);
        EXPECT_EQ(platform::tickCount() - before, 28u);
    }
    EXPECT_EQ(c.context.partNumber, 8) << "it never hands over";
    EXPECT_TRUE(s.syncRead);
}

TEST(Part8, AClosingImageOfAnotherSizeIsLeftOutAndAMissingFlarePlaysOn) {
    Closing c(false);
    std::vector<uint32_t> small(256 * 128, 0x00203040);
    writers::writeBytes("image/endofdemo.tga", writers::encodeTga24(small.data(), 256, 128, false));
    std::filesystem::remove("image/flare.tga");
    testing::internal::CaptureStderr();
    c.part.load(c.stage, 512, 256);
    const std::string lines = testing::internal::GetCapturedStderr();
    // A line each, no box: the show plays on without them.
    EXPECT_NE(lines.find("image/endofdemo.tga: 256 x 128, not 512 x 256; the show plays on"),
              std::string::npos)
        << lines;
    EXPECT_NE(lines.find("image/flare.tga: file doesn't exist; the show plays on"),
              std::string::npos)
        << lines;
    // Black under the scene however far the fade goes; the streams run, without a flare.
    picture::Image32 under;
    under.create(512, 256);
    for (int k = 0; k < 60; ++k)
        c.part.fadeToClosingImage(under, 1);
    EXPECT_EQ(c.s.fadeLevel, 255);
    EXPECT_TRUE(std::all_of(under.pixels, under.pixels + under.pixelCount(),
                            [](uint32_t p) { return p == 0; }));
    for (int k = 0; k < 20; ++k)
        c.frame(1);
    EXPECT_GT(liveParticles(c.s), 0);
}
