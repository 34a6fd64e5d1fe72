// The torus and flare workloads through Mesa's llvmpipe (OSMesa, one thread) and through this
// project's renderer in the same process: first the fragment counts of both, which must agree
// within 1 %, then alternating 120-frame sequences of each, median milliseconds per frame.
//   peer_osmesa [--rounds N] [--counts] [--pictures DIR]
// --counts stops after the counts (exit status 1 when they disagree); --pictures writes frame
// 30 of every workload from both renderers as PNG, to see that they draw the same thing.
#include <GL/gl.h>
#include <GL/osmesa.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "bench/peer_workloads.h"
#include "picture/png_writer.h"
#include "platform/clock.h"

using namespace peer;

namespace {

// An OSMesa context drawing into a 512 x 256 BGRA buffer, row 0 at the top like ours.
class GlPeer {
  public:
    std::vector<uint32_t> buffer = std::vector<uint32_t>(kW * kH, 0);

    bool open() {
        // llvmpipe draws in the calling thread alone.
        ::setenv("LP_NUM_THREADS", "0", 1);
        context_ = OSMesaCreateContextExt(OSMESA_BGRA, 24, 0, 0, nullptr);
        if (!context_ || !OSMesaMakeCurrent(context_, buffer.data(), GL_UNSIGNED_BYTE, kW, kH))
            return false;
        OSMesaPixelStore(OSMESA_Y_UP, 0);
        glViewport(0, 0, kW, kH);
        glClearColor(0, 0, 0, 0);
        glClearDepth(1);
        glDepthFunc(GL_LESS);
        glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);

        shape_ = torusShape();
        torusTexture_ = makeTexture(torusTexture(), GL_NEAREST, GL_REPEAT);
        flareTexture_ = makeTexture(flarePicture(), GL_LINEAR, GL_CLAMP_TO_EDGE);
        // Ours' headlight: a point light at the eye, level 30 + 225 cos of 255.
        const GLfloat atEye[4] = {0, 0, 0, 1}, white[4] = {1, 1, 1, 1}, none[4] = {0, 0, 0, 1},
                      ambient[4] = {30 / 255.0f, 30 / 255.0f, 30 / 255.0f, 1},
                      diffuse[4] = {225 / 255.0f, 225 / 255.0f, 225 / 255.0f, 1};
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glLightfv(GL_LIGHT0, GL_POSITION, atEye);
        glLightfv(GL_LIGHT0, GL_AMBIENT, none);
        glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
        glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, white);
        glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
        glEnable(GL_LIGHT0);
        glShadeModel(GL_SMOOTH);

        sprites_ = flareSprites();
        for (const FlareSprite& p : sprites_) {
            const auto base = static_cast<GLushort>(spriteXy_.size() / 2);
            for (int c = 0; c < 4; ++c) {
                const GLubyte t = static_cast<GLubyte>(p.tint);
                spriteColours_.insert(spriteColours_.end(), {t, t, t, 255});
                spriteSt_.insert(spriteSt_.end(),
                                 {c == 1 || c == 2 ? 1.0f : 0.0f, c >= 2 ? 1.0f : 0.0f});
                spriteXy_.insert(spriteXy_.end(), {0, 0});
            }
            spriteCorners_.insert(spriteCorners_.end(), {base, static_cast<GLushort>(base + 1),
                                                         static_cast<GLushort>(base + 2), base,
                                                         static_cast<GLushort>(base + 2),
                                                         static_cast<GLushort>(base + 3)});
        }
        return true;
    }
    ~GlPeer() {
        if (context_) OSMesaDestroyContext(context_);
    }

    std::string renderer() const {
        const auto* s = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
        return s ? s : "?";
    }

    // State for a sequence of the torus in one of ours' modes.
    void torusMode(int32_t mode) {
        reset();
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glFrustum(-0.8, 0.8, -0.4, 0.4, 1, 20);
        glEnable(GL_CULL_FACE);
        glCullFace(GL_BACK);
        glFrontFace(GL_CCW);
        glEnableClientState(GL_VERTEX_ARRAY);
        glVertexPointer(3, GL_FLOAT, 0, shape_.positions.data());
        if (mode == kGouraudZ) {
            glEnable(GL_LIGHTING);
            glEnableClientState(GL_NORMAL_ARRAY);
            glNormalPointer(GL_FLOAT, 0, shape_.normals.data());
        } else {
            glEnable(GL_TEXTURE_2D);
            glBindTexture(GL_TEXTURE_2D, torusTexture_);
            glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
            glTexCoordPointer(2, GL_FLOAT, 0, shape_.st.data());
        }
        if (mode == kPmapTransAdd) {
            glEnable(GL_BLEND);
            glBlendFunc(GL_ONE, GL_ONE);
        } else {
            glEnable(GL_DEPTH_TEST);
            glDepthMask(GL_TRUE);
        }
    }
    void torusFrame(int k) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glMatrixMode(GL_MODELVIEW);
        glLoadMatrixf(torusPlacement(k).data());
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(shape_.corners.size()), GL_UNSIGNED_SHORT,
                       shape_.corners.data());
        glFinish();
    }

    void flaresMode() {
        reset();
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, kW, kH, 0, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, flareTexture_);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE);
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glEnableClientState(GL_COLOR_ARRAY);
        glVertexPointer(2, GL_FLOAT, 0, spriteXy_.data());
        glTexCoordPointer(2, GL_FLOAT, 0, spriteSt_.data());
        glColorPointer(4, GL_UNSIGNED_BYTE, 0, spriteColours_.data());
    }
    void flaresFrame(int k) {
        glClear(GL_COLOR_BUFFER_BIT);
        float* xy = spriteXy_.data();
        for (const FlareSprite& p : sprites_) {
            float x, y;
            flareCorner(p, k, x, y);
            const float s = kSpriteSize;
            const float corners[8] = {x, y, x + s, y, x + s, y + s, x, y + s};
            std::copy(corners, corners + 8, xy);
            xy += 8;
        }
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(spriteCorners_.size()), GL_UNSIGNED_SHORT,
                       spriteCorners_.data());
        glFinish();
    }

    // Counts are taken with the texture off and a colour of 1 added per fragment: the red
    // channel of a pixel is then the number of fragments written there. False when a pixel
    // saturated (the count would be short).
    bool torusCounts(double& fragments, double& passing, double& distinct) {
        fragments = passing = distinct = 0;
        bool exact = true;
        for (bool depth : {false, true}) {
            torusMode(kPmapTransAdd);
            countingState();
            if (depth) glEnable(GL_DEPTH_TEST);
            for (int k = 0; k < kFrames; ++k) {
                torusFrame(k);
                for (uint32_t v : buffer) {
                    const uint32_t red = v >> 16 & 255;
                    exact = exact && red < 255;
                    (depth ? passing : fragments) += red;
                    if (!depth) distinct += red != 0;
                }
            }
        }
        fragments /= kFrames, passing /= kFrames, distinct /= kFrames;
        return exact;
    }
    bool flareFragments(double& fragments) {
        flaresMode();
        countingState();
        fragments = 0;
        bool exact = true;
        for (int k = 0; k < kFrames; k += 30) {
            flaresFrame(k);
            for (uint32_t v : buffer) {
                const uint32_t red = v >> 16 & 255;
                exact = exact && red < 255;
                fragments += red;
            }
        }
        fragments /= 4;
        return exact;
    }

  private:
    static GLuint makeTexture(const std::vector<uint32_t>& texels, GLint filter, GLint wrap) {
        GLuint t = 0;
        glGenTextures(1, &t);
        glBindTexture(GL_TEXTURE_2D, t);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
        // 0x00RRGGBB words are B, G, R, 0 in memory; the texture's alpha is not used.
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 256, 256, 0, GL_BGRA, GL_UNSIGNED_BYTE,
                     texels.data());
        return t;
    }
    void reset() {
        for (GLenum e : {GL_TEXTURE_2D, GL_LIGHTING, GL_BLEND, GL_DEPTH_TEST, GL_CULL_FACE})
            glDisable(e);
        for (GLenum a : {GL_VERTEX_ARRAY, GL_NORMAL_ARRAY, GL_TEXTURE_COORD_ARRAY, GL_COLOR_ARRAY})
            glDisableClientState(a);
        glColor4ub(255, 255, 255, 255);
    }
    void countingState() {
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_LIGHTING);
        glDisableClientState(GL_COLOR_ARRAY);
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE);
        glColor4ub(1, 0, 0, 0);
    }

    OSMesaContext context_ = nullptr;
    TorusShape shape_;
    GLuint torusTexture_ = 0, flareTexture_ = 0;
    std::vector<FlareSprite> sprites_;
    std::vector<float> spriteXy_, spriteSt_;
    std::vector<GLubyte> spriteColours_;
    std::vector<GLushort> spriteCorners_;
};

// Share of the pixels either renderer covers where the two pictures differ by at most `tolerance`
// in every channel: the counts alone would not see faces culled the wrong way round.
double alike(const uint32_t* a, const uint32_t* b, int tolerance) {
    int covered = 0, same = 0;
    for (int i = 0; i < kW * kH; ++i) {
        const uint32_t p = a[i] & 0xFFFFFF, q = b[i] & 0xFFFFFF;
        if (!p && !q) continue;
        ++covered;
        bool near = true;
        for (int c = 0; c < 24; c += 8)
            near = near && std::abs(static_cast<int>(p >> c & 255) -
                                    static_cast<int>(q >> c & 255)) <= tolerance;
        same += near;
    }
    return covered ? 100.0 * same / covered : 100;
}

bool agree(const char* what, double ours, double theirs) {
    const double off = theirs > 0 ? (ours - theirs) / theirs * 100 : 100;
    const bool ok = off <= 1 && off >= -1;
    std::printf("  %-30s ours %9.0f  llvmpipe %9.0f  %+6.2f %%%s\n", what, ours, theirs, off,
                ok ? "" : "  DISAGREE");
    return ok;
}

// Milliseconds per frame of one 120-frame sequence.
double sequenceMs(const std::function<void(int)>& frame) {
    const uint64_t started = platform::stopwatchMicroseconds();
    for (int k = 0; k < kFrames; ++k)
        frame(k);
    return static_cast<double>(platform::stopwatchMicroseconds() - started) / 1000 / kFrames;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void writePicture(const std::string& path, const uint32_t* pixels) {
    std::vector<uint8_t> rgb(static_cast<size_t>(kW) * kH * 3);
    for (size_t i = 0; i < static_cast<size_t>(kW) * kH; ++i)
        for (int c = 0; c < 3; ++c)
            rgb[3 * i + c] = static_cast<uint8_t>(pixels[i] >> (16 - 8 * c));
    if (!picture::writePng(path, rgb.data(), kW, kH))
        std::fprintf(stderr, "peer_osmesa: cannot write %s\n", path.c_str());
}

} // namespace

int main(int argc, char** argv) {
    int rounds = 7;
    bool countsOnly = false;
    std::string pictures;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--rounds" && i + 1 < argc)
            rounds = std::clamp(std::atoi(argv[++i]), 1, 1000);
        else if (a == "--counts")
            countsOnly = true;
        else if (a == "--pictures" && i + 1 < argc)
            pictures = argv[++i];
        else {
            std::fprintf(stderr, "usage: peer_osmesa [--rounds N] [--counts] [--pictures DIR]\n");
            return 2;
        }
    }
    GlPeer gl;
    if (!gl.open()) {
        std::fprintf(stderr, "peer_osmesa: no OSMesa context\n");
        return 1;
    }
    std::printf("llvmpipe: %s, LP_NUM_THREADS=%s\n", gl.renderer().c_str(),
                std::getenv("LP_NUM_THREADS"));
    Torus torus;
    Flares flares;

    double fragments = 0, passing = 0, distinct = 0, glFragments = 0, glPassing = 0, glDistinct = 0,
           flareFragments = 0, glFlareFragments = 0;
    torus.count(fragments, passing, distinct);
    bool ok = gl.torusCounts(glFragments, glPassing, glDistinct);
    flareFragments = flares.fragments();
    ok = gl.flareFragments(glFlareFragments) && ok;
    if (!ok) std::printf("a pixel took 255 fragments or more: the llvmpipe counts are short\n");
    std::printf("fragments per frame (notes: 69800, 68175, 66552; 1536000)\n");
    ok = agree("torus, every fragment", fragments, glFragments) && ok;
    ok = agree("torus, passing the depth test", passing, glPassing) && ok;
    ok = agree("torus, distinct pixels", distinct, glDistinct) && ok;
    ok = agree("flares", flareFragments, glFlareFragments) && ok;

    struct Workload {
        const char* name;
        const char* file;
        double notes; // llvmpipe's median in the workloads' notes
        std::function<void()> setUp;
        std::function<void(int)> theirs, ours;
        const uint32_t* oursPixels;
    };
    const Workload workloads[] = {
        {"torus PMAPZ", "pmapz", 0.805, [&] { gl.torusMode(kPmapZ); },
         [&](int k) { gl.torusFrame(k); }, [&](int k) { torus.frame(k, kPmapZ); },
         torus.target.pixels},
        {"torus PMAPTRANSADD", "pmaptransadd", 0.735, [&] { gl.torusMode(kPmapTransAdd); },
         [&](int k) { gl.torusFrame(k); }, [&](int k) { torus.frame(k, kPmapTransAdd); },
         torus.target.pixels},
        {"torus GOURAUDZ", "gouraudz", 0.785, [&] { gl.torusMode(kGouraudZ); },
         [&](int k) { gl.torusFrame(k); }, [&](int k) { torus.frame(k, kGouraudZ); },
         torus.target.pixels},
        {"flares", "flares", 14.25, [&] { gl.flaresMode(); }, [&](int k) { gl.flaresFrame(k); },
         [&](int k) { flares.frame(k); }, flares.target.pixels},
    };

    // Both draw the same pictures: the share of covered pixels alike within 24 levels in every
    // channel, the worst of every tenth frame (texel and shade rounding differ a little).
    std::printf("pictures alike (worst frame)\n");
    for (const Workload& w : workloads) {
        w.setUp();
        double worst = 100;
        for (int k = 0; k < kFrames; k += 10) {
            w.theirs(k);
            w.ours(k);
            worst = std::min(worst, alike(gl.buffer.data(), w.oursPixels, 24));
            if (k == 30 && !pictures.empty()) {
                writePicture(pictures + "/llvmpipe_" + w.file + ".png", gl.buffer.data());
                writePicture(pictures + "/ours_" + w.file + ".png", w.oursPixels);
            }
        }
        const bool fine = worst >= 90;
        std::printf("  %-30s %6.2f %%%s\n", w.name, worst, fine ? "" : "  DIFFERENT");
        ok = ok && fine;
    }
    if (countsOnly) return ok ? 0 : 1;

    // Each round one sequence of each renderer, one after the other, so that whatever else the
    // machine does falls on both alike; medians over the rounds.
    std::printf("ms per frame, median of %d rounds of one 120-frame sequence each, one thread\n",
                rounds);
    for (const Workload& w : workloads) {
        w.setUp();
        sequenceMs(w.theirs);
        sequenceMs(w.ours);
        std::vector<double> theirs, ours;
        for (int r = 0; r < rounds; ++r) {
            theirs.push_back(sequenceMs(w.theirs));
            ours.push_back(sequenceMs(w.ours));
        }
        const double t = median(theirs), o = median(ours);
        std::printf("%-19s llvmpipe %7.3f ms (notes %6.3f)   ours %7.3f ms   ours %s by %.2fx\n",
                    w.name, t, w.notes, o, t >= o ? "faster" : "slower", t >= o ? t / o : o / t);
    }
    return ok ? 0 : 1;
}
