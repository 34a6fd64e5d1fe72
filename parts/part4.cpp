#include "parts/part4.h"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>

#include "draw2d/draw2d.h"
#include "picture/resource_lists.h"
#include "platform/clock.h"
#include "platform/message_box.h"

namespace parts {

namespace {

constexpr int kW = 512, kH = 256, kTexture = 256;
constexpr int kGlowValue = 241;
constexpr const char* kTextureName = "tunnelGfx.jpg";

fx::WaveTableShape waveShape(int entries) {
    // Seven knots and three repeats: ten control values, the last three unused by the curve.
    return {.entries = entries,
            .knots = 7,
            .controls = 10,
            .bias = 128,
            .tail = fx::WaveTail::RepeatLast};
}

bool glowBeat(int cursor1) {
    return cursor1 == 8 || cursor1 == 11 || cursor1 == 14 || cursor1 == 17;
}

} // namespace

void TunnelTables::build() {
    distance.assign(static_cast<size_t>(kRows) * kColumns, 0);
    angle.assign(static_cast<size_t>(kRows) * kColumns, 0);
    for (int i = 0; i < kRows; ++i)
        for (int j = -256; j < 256; ++j) {
            const double dx = i - 128, dy = j == 0 ? 1 : j; // no angle at the centre itself
            const size_t at = static_cast<size_t>(i) * kColumns + static_cast<size_t>(j + 256);
            distance[at] = static_cast<int32_t>(std::sqrt(dx * dx + dy * dy));
            angle[at] = static_cast<int32_t>(std::atan2(dy, dx) * 40.74366429772945);
        }
}

void TunnelCursors::step() {
    i1 = (i1 + 1) % 512, i2 = (i2 + 2) % 512;
    j1 = (j1 + 2) % 256, j2 = (j2 + 1) % 256;
    u = static_cast<uint8_t>(u + 1), v = static_cast<uint8_t>(v + 3);
}

void drawTunnel(const TunnelTables& t, const int32_t* A, const int32_t* B, const TunnelCursors& c,
                const uint32_t* texture, picture::Image32& target) {
    const int cx1 = A[c.i1] + 256, cx2 = A[c.i2] + 256, cy1 = B[c.j1] + 128, cy2 = B[c.j2] + 128;
    const int32_t *distance = t.distance.data(), *angle = t.angle.data();
    const __m128i colourBytes = _mm_set1_epi32(0x00FFFFFF);
    for (int y = 0; y < kH; ++y) {
        // Wave values within -128 .. 127 keep every index inside the tables.
        const size_t r1 = static_cast<size_t>(((y - cy1) >> 1) + 128) * TunnelTables::kColumns;
        const size_t r2 = static_cast<size_t>(((y - cy2) >> 1) + 128) * TunnelTables::kColumns;
        const int32_t *d1 = distance + r1, *a1 = angle + r1, *d2 = distance + r2 + 256,
                      *a2 = angle + r2 + 256;
        const int rowBase = B[y] + 128 + c.u, by = B[y];
        uint32_t* out = target.pixels + static_cast<size_t>(y) * kW;
        for (int x = 0; x < kW; x += 4) {
            alignas(16) uint32_t texel[4], shade[4];
            for (int k = 0; k < 4; ++k) {
                const int ax = A[x + k];
                const int c1 = ((ax - cx1) >> 1) + 256, c2 = (x + k - cx2) >> 1;
                const int row = (a1[c1] + a2[c2] + rowBase) & 255,
                          column = (d1[c1] + d2[c2] + c.v) & 255;
                texel[k] = texture[row * kTexture + column];
                shade[k] = static_cast<uint32_t>(((ax + by) >> 1) + 128) * 0x010101u;
            }
            // Each colour byte + shade, saturating at 255; the fourth byte cleared.
            const __m128i sum =
                _mm_adds_epu8(_mm_load_si128(reinterpret_cast<const __m128i*>(texel)),
                              _mm_load_si128(reinterpret_cast<const __m128i*>(shade)));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_and_si128(sum, colourBytes));
        }
    }
}

Part4::Part4(SceneUnderneath underneath) : underneath_(std::move(underneath)) {
    // The waves exist from program start: the first morph takes 300 frames.
    Part4State& s = *s_;
    s.waveA = fx::WaveTable(waveShape(512));
    s.waveB = fx::WaveTable(waveShape(256));
    s.waveA.start(300);
    s.waveB.start(300);
    s.waveA.rebuild();
    s.waveB.rebuild();
}

void Part4::load(Stage& stage, int width, int height) {
    Part4State& s = *s_;
    picture::addTexture(stage.resources, kTextureName);
    s.texture = picture::findTexture(stage.resources, kTextureName);
    if (!s.texture || s.texture->width != kTexture || s.texture->height != kTexture) {
        const std::string text =
            std::string("texture/") + kTextureName + " must be 256 x 256 pixels";
        platform::messageBox("Texture", text);
        platform::fatalExit(-1);
    }
    s.tunnelImage.create(width, height);
    s.glowSnapshot.create(width, height);
    s.tables.build();
}

HandOver Part4::handOver() const {
    return {4, "other/s4", "channel 0's cursor above 2", "25 ms"};
}

void Part4::run(Stage& stage) {
    const uint32_t start = platform::tickCount();
    drawFrame(stage);
    waitFrameTime(start, 25);
}

void Part4::drawFrame(Stage& stage) {
    Part4State& s = *s_;
    picture::Image32& fb = stage.framebuffer;
    if (!s.started) {
        s.started = true;
        sound::allocateSyncTable(stage.context);
        sound::readSyncFile(stage.context, "other/s4");
        sound::resetSyncCursors(stage.context, 0);
    }
    sound::updateSync(stage.context, s.sync.data(), 0);
    const sound::SyncEntry& entry = stage.context.syncTable->entries[0];

    s.waveA.advance(200);
    s.waveB.advance(200);
    if (s.sync[1] == kGlowValue) s.waveA.restart(8), s.waveB.restart(8);

    const float fps = static_cast<float>(std::max(1, stage.clock.framesPerSecond));
    s.fade += 10.0f / (fps * 0.05f);
    s.cursors.step();
    if (s.fade >= 255) {
        drawTunnel(s.tables, s.waveA.data(), s.waveB.data(), s.cursors, s.texture->pixels, fb);
    } else {
        drawTunnel(s.tables, s.waveA.data(), s.waveB.data(), s.cursors, s.texture->pixels,
                   s.tunnelImage);
        // The scene underneath is drawn over the last picture, never cleared; without one the
        // tunnel fades in from black.
        if (underneath_)
            underneath_(fb);
        else
            draw2d::fill(fb, 0);
        s.tunnelImage.x = s.tunnelImage.y = 0;
        draw2d::drawAlpha(s.tunnelImage, fb, static_cast<int>(s.fade));
    }

    if (entry.cursors[0] > 2) stage.context.partNumber = 5;

    if (s.sync[1] == kGlowValue && glowBeat(entry.cursors[1])) {
        s.glow = 128;
        fb.copyTo(s.glowSnapshot);
    }
    s.glow = std::max(0.0f, s.glow - 10);
    if (s.glow > 0) {
        s.glowSnapshot.x = s.glowSnapshot.y = 0;
        draw2d::drawAlphaTransAdd(s.glowSnapshot, fb, static_cast<int>(s.glow));
    }
}

} // namespace parts
