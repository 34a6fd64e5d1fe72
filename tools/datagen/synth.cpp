#include "tools/datagen/synth.h"

#include <algorithm>
#include <cmath>

#include "platform/random.h"

namespace datagen {

namespace {

constexpr double kPi = 3.14159265358979323846;

double frequency(int midi) {
    return 440.0 * std::pow(2.0, (midi - 69) / 12.0);
}

// Band-limited step correction for saw and pulse oscillators.
double polyBlep(double t, double dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

struct Saw {
    double phase = 0;
    double next(double f) {
        const double dt = f / kSampleRate;
        double v = 2.0 * phase - 1.0 - polyBlep(phase, dt);
        phase += dt;
        if (phase >= 1.0) phase -= 1.0;
        return v;
    }
};

struct Pulse {
    double phase = 0;
    double next(double f, double width) {
        const double dt = f / kSampleRate;
        double v = phase < width ? 1.0 : -1.0;
        v += polyBlep(phase, dt);
        double shifted = phase + (1.0 - width);
        if (shifted >= 1.0) shifted -= 1.0;
        v -= polyBlep(shifted, dt);
        phase += dt;
        if (phase >= 1.0) phase -= 1.0;
        return v;
    }
};

struct LowPass {
    double y = 0;
    double next(double x, double cutoff) {
        const double a = 1.0 - std::exp(-2.0 * kPi * cutoff / kSampleRate);
        y += a * (x - y);
        return y;
    }
};

struct Noise {
    platform::Random random;
    explicit Noise(uint32_t seed) : random(seed) {}
    double next() { return (random.next() / 16383.5) - 1.0; }
};

// Attack and release envelope over a note of `length` seconds.
double envelope(double t, double length, double attack, double release) {
    if (t < attack) return t / attack;
    if (t < length) return 1.0;
    return std::max(0.0, 1.0 - (t - length) / release);
}

struct Stereo {
    std::vector<float>& left;
    std::vector<float>& right;
    void add(size_t i, double v, double pan) {
        if (i >= left.size()) return;
        left[i] += static_cast<float>(v * (1.0 - pan));
        right[i] += static_cast<float>(v * (1.0 + pan));
    }
};

// Renders one note into the dry bus and, for melodic voices, the echo send.
void renderNote(const Note& n, double secondsPerBeat, Stereo dry, Stereo echo, uint32_t seed) {
    const size_t start = static_cast<size_t>(std::llround(n.beat * secondsPerBeat * kSampleRate));
    const double length = n.length * secondsPerBeat;
    const double f = frequency(n.pitch);
    const double v = n.velocity;
    Noise noise(seed);
    LowPass lp1, lp2;
    switch (n.voice) {
    case Voice::Kick: {
        double phase = 0;
        for (size_t k = 0; k < static_cast<size_t>(0.45 * kSampleRate); ++k) {
            const double t = static_cast<double>(k) / kSampleRate;
            phase += 2 * kPi * (46.0 + 120.0 * std::exp(-t * 28.0)) / kSampleRate;
            const double click = k < 90 ? (1.0 - k / 90.0) * 0.3 : 0.0;
            dry.add(start + k, v * 0.85 * (std::sin(phase) * std::exp(-t * 7.0) + click), 0.0);
        }
        break;
    }
    case Voice::Snare:
    case Voice::Clap: {
        const bool clap = n.voice == Voice::Clap;
        double phase = 0;
        for (size_t k = 0; k < static_cast<size_t>(0.3 * kSampleRate); ++k) {
            const double t = static_cast<double>(k) / kSampleRate;
            const double x = noise.next();
            const double bright = x - lp1.next(x, 1200.0);
            double burst = std::exp(-t * (clap ? 30.0 : 20.0));
            if (clap && t < 0.03) burst *= 0.6 + 0.4 * std::cos(t * 2 * kPi * 100.0);
            phase += 2 * kPi * 190.0 / kSampleRate;
            const double tone = clap ? 0.0 : std::sin(phase) * std::exp(-t * 30.0) * 0.5;
            dry.add(start + k, v * 0.5 * (bright * burst + tone), clap ? 0.25 : -0.05);
        }
        break;
    }
    case Voice::HatClosed:
    case Voice::HatOpen: {
        const double decay = n.voice == Voice::HatOpen ? 14.0 : 70.0;
        for (size_t k = 0; k < static_cast<size_t>(0.25 * kSampleRate); ++k) {
            const double t = static_cast<double>(k) / kSampleRate;
            const double x = noise.next();
            dry.add(start + k, v * 0.22 * (x - lp1.next(x, 7000.0)) * std::exp(-t * decay), 0.3);
        }
        break;
    }
    case Voice::Crash: {
        for (size_t k = 0; k < static_cast<size_t>(2.5 * kSampleRate); ++k) {
            const double t = static_cast<double>(k) / kSampleRate;
            const double x = noise.next();
            dry.add(start + k, v * 0.25 * (x - lp1.next(x, 4000.0)) * std::exp(-t * 1.8),
                    (k % 2 ? 0.2 : -0.2));
        }
        break;
    }
    case Voice::Tom: {
        double phase = 0;
        for (size_t k = 0; k < static_cast<size_t>(0.35 * kSampleRate); ++k) {
            const double t = static_cast<double>(k) / kSampleRate;
            phase += 2 * kPi * f * (1.0 + 0.5 * std::exp(-t * 20.0)) / kSampleRate;
            dry.add(start + k, v * 0.5 * std::sin(phase) * std::exp(-t * 9.0), -0.3);
        }
        break;
    }
    case Voice::Bass: {
        Saw saw;
        Pulse sub;
        const size_t count = static_cast<size_t>((length + 0.05) * kSampleRate);
        for (size_t k = 0; k < count; ++k) {
            const double t = static_cast<double>(k) / kSampleRate;
            const double cutoff = 180.0 + 1400.0 * std::exp(-t * 14.0);
            const double x = 0.6 * saw.next(f) + 0.4 * sub.next(f * 0.5, 0.5);
            dry.add(start + k,
                    v * 0.42 * lp2.next(lp1.next(x, cutoff), cutoff) *
                        envelope(t, length, 0.004, 0.05),
                    0.0);
        }
        break;
    }
    case Voice::Pad: {
        Saw a, b, c;
        const size_t count = static_cast<size_t>((length + 0.6) * kSampleRate);
        const double pan = ((n.pitch % 5) - 2) * 0.15;
        for (size_t k = 0; k < count; ++k) {
            const double t = static_cast<double>(k) / kSampleRate;
            const double x = (a.next(f * 0.997) + b.next(f * 1.003) + c.next(f * 2.0) * 0.3) / 2.3;
            const double cutoff = 900.0 + 500.0 * std::sin(t * 0.7 + n.beat * 0.1);
            dry.add(start + k,
                    v * 0.09 * lp2.next(lp1.next(x, cutoff), cutoff) *
                        envelope(t, length, 0.35, 0.6),
                    pan);
        }
        break;
    }
    case Voice::Arp:
    case Voice::Stab:
    case Voice::Lead: {
        Pulse p;
        Saw s, s2;
        const bool lead = n.voice == Voice::Lead, stab = n.voice == Voice::Stab;
        const size_t count = static_cast<size_t>((length + (lead ? 0.15 : 0.05)) * kSampleRate);
        for (size_t k = 0; k < count; ++k) {
            const double t = static_cast<double>(k) / kSampleRate;
            double x, gain, pan;
            if (lead) {
                const double vibrato =
                    1.0 + 0.004 * std::sin(2 * kPi * 5.5 * t) * std::min(1.0, t * 3);
                x = lp1.next(0.6 * s.next(f * vibrato) + 0.4 * s2.next(f * vibrato * 1.005),
                             2600.0);
                gain = 0.13 * envelope(t, length, 0.02, 0.15);
                pan = -0.15;
            } else if (stab) {
                x = lp1.next(s.next(f) + s2.next(f * 1.498) + p.next(f * 1.26, 0.5),
                             3000.0 * std::exp(-t * 6) + 300.0) /
                    3.0;
                gain = 0.3 * std::exp(-t * 9.0);
                pan = 0.1;
            } else {
                x = lp1.next(p.next(f, 0.3), 3500.0);
                gain = 0.09 * std::exp(-t * 10.0);
                pan = 0.35;
            }
            dry.add(start + k, v * gain * x, pan);
            echo.add(start + k, v * gain * x * 0.5, -pan);
        }
        break;
    }
    }
}

} // namespace

std::vector<int16_t> renderScore(const Score& score, uint32_t seed) {
    const double secondsPerBeat = 60.0 / score.bpm;
    const size_t frames =
        static_cast<size_t>((score.seconds(score.totalBeats) + 1.0) * kSampleRate);
    std::vector<float> left(frames), right(frames), echoLeft(frames), echoRight(frames);
    Stereo dry{left, right}, echo{echoLeft, echoRight};
    platform::Random seeds(seed);
    for (const Note& n : score.notes) {
        const uint32_t noteSeed =
            static_cast<uint32_t>(seeds.next()) << 15 | static_cast<uint32_t>(seeds.next());
        renderNote(n, secondsPerBeat, dry, echo, noteSeed);
    }
    // Ping-pong echo of three eighths with feedback.
    const size_t delay = static_cast<size_t>(secondsPerBeat * 0.75 * kSampleRate);
    for (size_t i = delay; i < frames; ++i) {
        echoLeft[i] += 0.4f * echoRight[i - delay];
        echoRight[i] += 0.4f * echoLeft[i - delay];
    }
    for (size_t i = delay; i < frames; ++i) {
        left[i] += echoLeft[i - delay];
        right[i] += echoRight[i - delay];
    }
    // A soft limiter, scaled so that no peak reaches full scale; then a fade over the last 3 s.
    float peak = 0;
    for (size_t i = 0; i < frames; ++i) {
        left[i] = std::tanh(left[i] * 1.2f);
        right[i] = std::tanh(right[i] * 1.2f);
        peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
    }
    // Headroom for the MP3 encoder, whose output overshoots the input a little.
    const double gain = peak > 0 ? 0.8 / peak : 1.0;
    const size_t fade = static_cast<size_t>(3.0 * kSampleRate);
    std::vector<int16_t> out(frames * 2);
    for (size_t i = 0; i < frames; ++i) {
        const double f = i + fade > frames ? static_cast<double>(frames - i) / fade : 1.0;
        out[2 * i] = static_cast<int16_t>(std::lrint(left[i] * gain * f * 32767.0));
        out[2 * i + 1] = static_cast<int16_t>(std::lrint(right[i] * gain * f * 32767.0));
    }
    return out;
}

} // namespace datagen
