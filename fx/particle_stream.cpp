#include "fx/particle_stream.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "draw2d/draw2d.h"
#include "fx/splines.h"
#include "picture/file_bytes.h"
#include "platform/message_box.h"
#include "platform/random.h"

namespace fx {

using scene3d::Point3f;

namespace {

struct TextLine {
    std::string text;
    int number = 0; // in the file, from 1
};

// The lines that are not comments. A line too long for the reader's buffer is reported
// rather than split into two values.
bool valueLines(const std::string& text, std::vector<TextLine>& out, int& lastLine, int& badLine,
                std::string& problem) {
    size_t at = 0;
    int number = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() > kMaxStreamLine) {
            badLine = number,
            problem = "longer than " + std::to_string(kMaxStreamLine) + " characters";
            return false;
        }
        if (!line.empty() && line[0] == '*') continue;
        out.push_back({std::move(line), number});
    }
    lastLine = number;
    return true;
}

class Reader {
  public:
    Reader(const std::vector<TextLine>& lines, int lastLine, int& badLine, std::string& problem)
        : lines_(lines), lastLine_(lastLine), badLine_(badLine), problem_(problem) {}

    size_t remaining() const { return lines_.size() - next_; }
    int lineNumber() const { return next_ > 0 ? lines_[next_ - 1].number : 1; }

    bool fail(const std::string& what) {
        badLine_ = lineNumber(), problem_ = what;
        return false;
    }

    // The value after the label: the text after the line's first space.
    bool value(const char* what, std::string& out) {
        if (next_ >= lines_.size()) {
            badLine_ = lastLine_ + 1, problem_ = std::string("the file ends before ") + what;
            return false;
        }
        const std::string& line = lines_[next_++].text;
        const size_t space = line.find(' ');
        if (space == std::string::npos) return fail(std::string("expected a label and ") + what);
        // Labels are free words, but words: bytes outside printable ASCII are damage.
        for (size_t i = 0; i < space; ++i)
            if (line[i] < 0x21 || line[i] > 0x7E) return fail("the label is not text");
        out = line.substr(space + 1);
        return true;
    }

    // count numbers from the start of the value; finite, and not past the bounds given.
    bool numbers(const char* what, float* v, int count, float low, float high) {
        std::string s;
        if (!value(what, s)) return false;
        const char* p = s.c_str();
        for (int i = 0; i < count; ++i) {
            char* end = nullptr;
            v[i] = std::strtof(p, &end);
            if (end == p || !std::isfinite(v[i])) return fail(std::string("expected ") + what);
            if (v[i] < low || v[i] > high) return fail(std::string(what) + " out of range");
            p = end;
        }
        // Words may follow the numbers, but a number must end at a space: "56" is a count,
        // "56x" is damage.
        if (*p != '\0' && *p != ' ' && *p != '\t') return fail(std::string("expected ") + what);
        return true;
    }
    bool number(const char* what, float& v, float low, float high) {
        return numbers(what, &v, 1, low, high);
    }
    // A number truncated to an integer.
    bool integer(const char* what, int& v, int low, int high) {
        float f = 0;
        if (!number(what, f, static_cast<float>(low), static_cast<float>(high))) return false;
        v = static_cast<int>(f);
        return true;
    }
    bool word(const char* what) {
        std::string s;
        if (!value(what, s)) return false;
        if (s.find_first_not_of(" \t") == std::string::npos)
            return fail(std::string("expected ") + what);
        return true;
    }
    // A count of the lines that follow it, which must be there.
    bool count(const char* what, int& n) {
        if (!integer(what, n, 0, 1 << 30)) return false;
        if (static_cast<size_t>(n) > remaining())
            return fail(std::string(what) + " " + std::to_string(n) +
                        " runs past the file's end (" + std::to_string(remaining()) +
                        " lines follow)");
        return true;
    }

  private:
    const std::vector<TextLine>& lines_;
    size_t next_ = 0;
    int lastLine_;
    int& badLine_;
    std::string& problem_;
};

// rand() mod n, with a range of nothing drawing 0.
int drawBelow(int n) {
    const int r = platform::nextRandom();
    return n > 0 ? r % n : 0;
}

int hundredths(float spread) {
    return static_cast<int>(spread * 100);
}

} // namespace

bool parseStreamSettings(const std::string& text, StreamSettings& out, int& badLine,
                         std::string& problem) {
    std::vector<TextLine> lines;
    int last = 0;
    if (!valueLines(text, lines, last, badLine, problem)) return false;
    Reader r(lines, last, badLine, problem);
    constexpr float kBig = 1.0e6f;
    StreamSettings s;
    if (!r.integer("a pool size", s.poolSize, 1, kMaxStreamPool)) return false;
    if (!r.integer("an emit minimum", s.emitMinimum, 0, 1000000)) return false;
    if (!r.integer("an emit range", s.emitRange, 0, 1000000)) return false;
    if (!r.integer("fade-in points", s.fadeInPoints, 0, static_cast<int>(kMaxPathPoints)))
        return false;
    if (!r.integer("fade-out points", s.fadeOutPoints, 0, static_cast<int>(kMaxPathPoints)))
        return false;
    if (!r.number("a speed", s.speedBase, 0, kBig)) return false;
    if (!r.number("a speed spread", s.speedSpread, 0, kBig)) return false;
    if (!r.number("a size", s.sizeBase, -kBig, kBig)) return false;
    if (!r.number("a size spread", s.sizeSpread, 0, kBig)) return false;
    if (!r.number("a depth factor", s.depthFactor, -kBig, kBig)) return false;
    if (!r.word("a sprite set")) return false;
    int sprites = 0;
    if (!r.count("a sprite count", sprites)) return false;
    for (int i = 0; i < sprites; ++i)
        if (!r.word("a sprite name")) return false;
    int points = 0;
    if (!r.count("a control point count", points)) return false;
    const int countLine = r.lineNumber();
    for (int i = 0; i < points; ++i) {
        float v[3];
        if (!r.numbers("a control point (x y z)", v, 3, -kBig, kBig)) return false;
        s.control.push_back({v[0], v[1], v[2]});
    }
    if (!r.integer("samples per segment", s.samplesPerSegment, 1, kMaxStreamSamples)) return false;
    const int samplesLine = r.lineNumber();
    if (!r.integer("a closed flag", s.closedFlag, -kMaxStreamPool, kMaxStreamPool)) return false;
    if (s.closedFlag != 0 && s.closedFlag != 1)
        return r.fail("the closed flag is neither 0 (closed) nor 1 (open)");
    if (!r.integer("a curve kind", s.curveKind, -kMaxStreamPool, kMaxStreamPool)) return false;
    if (s.curveKind != 0 && s.curveKind != 1)
        return r.fail("the curve kind is neither 0 (B-spline) nor 1 (Catmull-Rom)");
    const size_t runs = s.control.size() + (s.closedFlag == 0 ? 3 : 0);
    if (runs < 4 || (s.closedFlag == 0 && s.control.size() < 3)) {
        badLine = countLine, problem = "too few control points for one segment (4 open, 3 closed)";
        return false;
    }
    if ((runs - 3) * static_cast<size_t>(s.samplesPerSegment + 1) > kMaxPathPoints) {
        badLine = samplesLine,
        problem = "the path would have more than " + std::to_string(kMaxPathPoints) + " points";
        return false;
    }
    out = std::move(s);
    return true;
}

std::vector<Point3f> generatePath(const StreamSettings& s) {
    std::vector<Point3f> c = s.control;
    if (s.closedFlag == 0 && c.size() >= 3) c.insert(c.end(), {c[0], c[1], c[2]});
    std::vector<Point3f> path;
    if (s.samplesPerSegment <= 0) return path;
    const float step = 1.0f / static_cast<float>(s.samplesPerSegment);
    for (size_t i = 0; i + 3 < c.size(); ++i)
        for (float t = 0; t < 1; t += step)
            path.push_back(s.curveKind == 0
                               ? bSplineSegmentPoint(&c[i], t)
                               : catmullRomPoint(c[i], c[i + 1], c[i + 2], c[i + 3], t));
    return path;
}

void ParticleStream::setUp(const StreamSettings& s) {
    settings = s;
    path = generatePath(s);
    pool.reset(s.poolSize);
    frameCounter = 0, nextEmission = 0;
}

void ParticleStream::update() {
    pool.update([](StreamParticle& p) {
        p.position += p.speed;
        if (p.position >= p.pathLength) p.position -= p.pathLength;
        // A speed longer than the path itself.
        if (p.position >= p.pathLength) p.position = std::fmod(p.position, p.pathLength);
        return true;
    });
    if (++frameCounter <= nextEmission) return;
    frameCounter = 0;
    const StreamSettings& s = settings;
    nextEmission = s.emitMinimum + drawBelow(s.emitRange);
    if (path.empty()) return;
    if (StreamParticle* p = pool.spawn()) {
        p->position = 0;
        p->scale = s.sizeBase + static_cast<float>(drawBelow(hundredths(s.sizeSpread))) * 0.01f;
        p->speed = s.speedBase + static_cast<float>(drawBelow(hundredths(s.speedSpread))) * 0.01f;
        p->pathLength = static_cast<float>(path.size());
    }
}

int ParticleStream::alphaAt(int index) const {
    const int length = static_cast<int>(path.size()), in = settings.fadeInPoints,
              out = settings.fadeOutPoints;
    if (index < in) return index * 255 / in;
    if (index >= length - out) return std::max(0, length - 1 - index) * 255 / out;
    return 255;
}

void ParticleStream::draw(picture::Image32& target, const picture::Image32& flare) const {
    if (path.empty()) return;
    const int last = static_cast<int>(path.size()) - 1;
    pool.forEach([&](const StreamParticle& p) {
        const int i = std::clamp(static_cast<int>(p.position), 0, last);
        const Point3f& at = path[static_cast<size_t>(i)];
        const float scale = p.scale - at.z * settings.depthFactor;
        draw2d::spriteBilAlphaAdd(target, flare, at.x, at.y, scale, scale, alphaAt(i));
    });
}

void readParticleStream(const std::string& path, ParticleStream& stream) {
    std::vector<uint8_t> bytes;
    if (!picture::readFileBytes(path, bytes)) {
        const std::string text = "Can't open file " + path + " !";
        platform::messageBox(text, text);
        platform::fatalExit(-1);
    }
    StreamSettings s;
    int line = 0;
    std::string problem;
    if (!parseStreamSettings(std::string(bytes.begin(), bytes.end()), s, line, problem)) {
        platform::messageBox("Particle stream",
                             path + " line " + std::to_string(line) + ": " + problem);
        platform::fatalExit(-1);
    }
    stream.setUp(s);
}

} // namespace fx
