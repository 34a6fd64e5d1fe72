#include "fx/scene_description.h"

#include <cerrno>
#include <cstdlib>
#include <type_traits>

#include "picture/file_bytes.h"
#include "platform/message_box.h"
#include "raster/render_modes.h"

namespace fx {

namespace {

constexpr size_t kLineBuffer = 255; // characters a line holds; a longer one goes on in the next

// The file's lines as the production reads them: each keeps its newline when it fits, a line
// longer than the buffer is split. CR LF counts as LF, as text mode reads it.
std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        line.push_back(c);
        if (c == '\n' || line.size() == kLineBuffer) lines.push_back(std::move(line)), line.clear();
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

// "%d" and "%f" from where the last number ended, skipping blanks; false when none is there.
bool readInt(const char*& p, int32_t& out) {
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(p, &end, 10);
    if (end == p) return false;
    out = static_cast<int32_t>(v);
    p = end;
    return true;
}

bool readFloat(const char*& p, float& out) {
    char* end = nullptr;
    const float v = std::strtof(p, &end);
    if (end == p) return false;
    out = v;
    p = end;
    return true;
}

std::string firstWord(const std::string& s) {
    size_t b = 0;
    while (b < s.size() && (s[b] == ' ' || s[b] == '\t' || s[b] == '\n' || s[b] == '\r'))
        ++b;
    size_t e = b;
    while (e < s.size() && !(s[e] == ' ' || s[e] == '\t' || s[e] == '\n' || s[e] == '\r'))
        ++e;
    return s.substr(b, e - b);
}

// The line less its last character: the newline, or the last of a split line.
std::string lessLast(const std::string& s) {
    return s.empty() ? s : s.substr(0, s.size() - 1);
}

} // namespace

bool parseSceneDescription(const std::string& text, size_t meshCount, size_t cameraCount,
                           SceneDescription& out, int& badLine, std::string& problem) {
    const std::vector<std::string> lines = linesOf(text);
    size_t next = 9; // the header
    auto line = [&](const char* what, std::string& s) {
        if (next >= lines.size()) {
            badLine = static_cast<int>(next) + 1,
            problem = std::string("the file ends before ") + what;
            return false;
        }
        s = lines[next++];
        return true;
    };
    auto numbers = [&](const char* what, auto... targets) {
        std::string s;
        if (!line(what, s)) return false;
        const char* p = s.c_str();
        bool ok = true;
        auto one = [&](auto* t) {
            if (!ok) return;
            if constexpr (std::is_same_v<std::remove_pointer_t<decltype(t)>, float>)
                ok = readFloat(p, *t);
            else
                ok = readInt(p, *t);
        };
        (one(targets), ...);
        if (!ok) badLine = static_cast<int>(next), problem = std::string("expected ") + what;
        return ok;
    };
    out = SceneDescription{};
    for (size_t m = 0; m < meshCount; ++m) {
        MeshDescription d;
        std::string s;
        if (!line("a render mode", s)) return false;
        d.mode = firstWord(s);
        if (d.mode.empty())
            return badLine = static_cast<int>(next), problem = "expected a render mode", false;
        // Refused here, with the file and line, rather than by the mode lookup's own box.
        if (raster::lookupRenderMode(d.mode) < 0)
            return badLine = static_cast<int>(next),
                   problem = "unknown render mode \"" + d.mode + "\"", false;
        if (!numbers("a colour", &d.colour)) return false;
        if (!line("a texture name", s)) return false;
        d.texture = lessLast(s);
        if (d.texture.empty())
            return badLine = static_cast<int>(next), problem = "expected a texture name or noOne",
                   false;
        if (!line("a palette name", s)) return false;
        d.palette = firstWord(lessLast(s));
        if (d.palette.empty())
            return badLine = static_cast<int>(next), problem = "expected a palette name or noOne",
                   false;
        if (!numbers("ambient and diffuse levels", &d.ambient, &d.diffuse)) return false;
        if (!numbers("four switches", &d.switches[0], &d.switches[1], &d.switches[2],
                     &d.switches[3]))
            return false;
        out.meshes.push_back(d);
    }
    if (!numbers("the scene's factor", &out.factor)) return false;
    for (size_t c = 0; c < cameraCount; ++c) {
        CameraDescription d;
        if (!numbers("four light values", &d.lightStart, &d.lightEnd, &d.lightHotspot,
                     &d.lightFalloff))
            return false;
        if (!numbers("spot mode and spot side", &d.spotMode, &d.spotSide)) return false;
        out.cameras.push_back(d);
    }
    return true;
}

void applySceneDescription(const SceneDescription& d, scene3d::Scene3ds& scene,
                           picture::ResourceLists& lists) {
    constexpr std::array<uint32_t, 4> kBits = {0x2, 0x1, 0x20, 0x40};
    for (size_t i = 0; i < d.meshes.size() && i < scene.meshes.size(); ++i) {
        const MeshDescription& md = d.meshes[i];
        scene3d::Mesh& m = *scene.meshes[i];
        m.renderMode = raster::findRenderMode(md.mode);
        m.colour = static_cast<uint32_t>(md.colour);
        if (md.texture != "noOne") {
            picture::addTexture(lists, md.texture);
            m.texture = picture::findTexture(lists, md.texture);
        }
        if (md.palette != "noOne") {
            picture::addPalette(lists, md.palette);
            if (const picture::Palette* p = picture::findPalette(lists, md.palette))
                m.shadeTable = &p->table;
        }
        m.ambient = md.ambient, m.diffuse = md.diffuse;
        for (size_t k = 0; k < 4; ++k) {
            if (md.switches[k] & 1)
                m.flags |= kBits[k];
            else
                m.flags &= ~kBits[k];
        }
    }
    scene.factor = d.factor;
    for (size_t i = 0; i < d.cameras.size() && i < scene.cameras.size(); ++i) {
        const CameraDescription& cd = d.cameras[i];
        scene3d::SceneCamera& c = *scene.cameras[i];
        c.lightStart = cd.lightStart, c.lightEnd = cd.lightEnd, c.lightHotspot = cd.lightHotspot,
        c.lightFalloff = cd.lightFalloff;
        c.spotMode = cd.spotMode, c.spotSide = cd.spotSide;
    }
}

void readSceneDescription(const std::string& path, scene3d::Scene3ds& scene,
                          picture::ResourceLists& lists) {
    std::vector<uint8_t> bytes;
    if (!picture::readFileBytes(path, bytes)) {
        const std::string text = "Can't open file " + path + " !";
        platform::messageBox(text, text);
        platform::fatalExit(-1);
    }
    SceneDescription d;
    int line = 0;
    std::string problem;
    if (!parseSceneDescription(std::string(bytes.begin(), bytes.end()), scene.meshes.size(),
                               scene.cameras.size(), d, line, problem)) {
        platform::messageBox("Scene description",
                             path + " line " + std::to_string(line) + ": " + problem);
        platform::fatalExit(-1);
    }
    applySceneDescription(d, scene, lists);
}

} // namespace fx
