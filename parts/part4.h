#pragma once
// part 4, the tunnel: every pixel looks up a distance and an angle around two moving centres,
// warped by two morphing wave tables, and fetches a texel brightened by a plasma-like shade.
// It fades in over the last scene of the part before it; beats reshape the waves and glow.
#include <array>
#include <functional>
#include <vector>

#include "fx/wave_table.h"
#include "parts/part.h"

namespace parts {

// Distance and angle of every offset (column - 256, row - 128) from a centre, in 256 units
// per turn for the angle.
struct TunnelTables {
    static constexpr int kRows = 256, kColumns = 512;
    std::vector<int32_t> distance, angle; // row-major, kRows x kColumns
    void build();
};

// The scroll counters and the cursors of the two centres into the wave tables.
struct TunnelCursors {
    int i1 = 0, i2 = 0, j1 = 0, j2 = 0;
    uint8_t u = 0, v = 0;
    void step();
};

// One tunnel picture into a 512 x 256 target from a 256 x 256 texture (its plain pixels):
// A has 512 entries, B 256, all within -128 .. 127.
void drawTunnel(const TunnelTables& t, const int32_t* A, const int32_t* B, const TunnelCursors& c,
                const uint32_t* texture, picture::Image32& target);

struct Part4State {
    fx::WaveTable waveA, waveB;
    TunnelTables tables;
    const picture::LoadedImage32* texture = nullptr;
    picture::Image32 tunnelImage, glowSnapshot;
    TunnelCursors cursors;
    float fade = 0, glow = 0;
    bool started = false;
    std::array<int32_t, 5> sync{};
};

class Part4 : public DemoPart {
  public:
    // Draws the last scene of the part before, one frame further on, into the picture: what
    // the tunnel fades in over. Empty: it fades in from black.
    using SceneUnderneath = std::function<void(picture::Image32&)>;

    explicit Part4(SceneUnderneath underneath = {});
    void load(Stage& stage, int width, int height) override;
    void run(Stage& stage) override;
    HandOver handOver() const override;
    Part4State& state() { return *s_; }

    // Exposed for tests: a frame without its wait.
    void drawFrame(Stage& stage);

  private:
    SceneUnderneath underneath_;
    std::unique_ptr<Part4State> s_ = std::make_unique<Part4State>();
};

} // namespace parts
