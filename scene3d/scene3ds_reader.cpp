#include "scene3d/scene3ds_reader.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "picture/file_bytes.h"
#include "platform/message_box.h"

namespace scene3d {

namespace {

// A refusal unwinds the chunk walk through this flag; no exceptions.
struct Reader {
    Reader(const uint8_t* d, size_t n, Scene3ds& s, LightCarry& c)
        : data(d), size(n), scene(s), carry(c) {}
    const uint8_t* data;
    size_t size;
    Scene3ds& scene;
    LightCarry& carry;
    std::string problem;

    std::string objectName;
    int nodeType = 0;
    int nodeId = -1;
    TrackSet* tracks = nullptr; // the node's, or none
    Mesh* nodeMesh = nullptr;   // the mesh the node bound, for its pivot
    Mesh* dummy = nullptr;

    bool fail(const std::string& why) {
        if (problem.empty()) problem = why;
        return false;
    }
    bool ok() const { return problem.empty(); }

    // Little-endian reads inside [at, end).
    bool u16(size_t& at, size_t end, uint32_t& v) {
        if (at > end || end - at < 2) return fail("a chunk is too short for its data");
        v = static_cast<uint32_t>(data[at] | data[at + 1] << 8);
        at += 2;
        return true;
    }
    bool u32(size_t& at, size_t end, uint32_t& v) {
        if (at > end || end - at < 4) return fail("a chunk is too short for its data");
        v = picture::le32(data + at);
        at += 4;
        return true;
    }
    bool f32(size_t& at, size_t end, float& v) {
        uint32_t bits = 0;
        if (!u32(at, end, bits)) return false;
        std::memcpy(&v, &bits, 4);
        return true;
    }
    // A point of the file, Y and Z exchanged.
    bool point(size_t& at, size_t end, Point3f& p) {
        float x = 0, y = 0, z = 0;
        if (!f32(at, end, x) || !f32(at, end, y) || !f32(at, end, z)) return false;
        p = {x, z, y};
        return true;
    }
    // At most 80 bytes with the terminator, which must lie inside the chunk.
    bool string(size_t& at, size_t end, std::string& s) {
        s.clear();
        for (size_t k = 0; k < 80; ++k) {
            if (at >= end) return fail("a name runs past its chunk");
            const char c = static_cast<char>(data[at++]);
            if (c == '\0') return true;
            s.push_back(c);
        }
        return true; // 80 bytes without a terminator: the name is cut there, as the format's reader
                     // does
    }

    // Walks the children in [at, end): each child header, its end checked against the parent.
    template <typename Handler> bool children(size_t at, size_t end, Handler handler) {
        while (ok() && at < end) {
            if (end - at < 6) return fail("a chunk header runs past its parent");
            uint32_t id = 0, length = 0;
            size_t p = at;
            u16(p, end, id);
            u32(p, end, length);
            if (length < 6) return fail("a chunk is shorter than its header");
            if (length > end - at) {
                char text[64];
                std::snprintf(text, sizeof text, "chunk %04X runs past its parent", id);
                return fail(text);
            }
            handler(id, p, at + length);
            at += length;
        }
        return ok();
    }

    void main(size_t at, size_t end) {
        children(at, end, [&](uint32_t id, size_t p, size_t e) {
            if (id == 0x3D3D) editor(p, e);
            if (id == 0xB000) keyframer(p, e);
        });
    }

    void editor(size_t at, size_t end) {
        children(at, end, [&](uint32_t id, size_t p, size_t e) {
            if (id == 0x4000) {
                if (!string(p, e, objectName)) return;
                namedObject(p, e);
            } else if (id == 0xAFFF) {
                scene.materialNames.emplace_back();
                scene.materialMapNames.emplace_back();
                material(p, e);
            }
        });
    }

    void material(size_t at, size_t end) {
        children(at, end, [&](uint32_t id, size_t p, size_t e) {
            if (id == 0xA000) string(p, e, scene.materialNames.back());
            if (id == 0xA200)
                children(p, e, [&](uint32_t id2, size_t p2, size_t e2) {
                    if (id2 == 0xA300) string(p2, e2, scene.materialMapNames.back());
                });
        });
    }

    void namedObject(size_t at, size_t end) {
        children(at, end, [&](uint32_t id, size_t p, size_t e) {
            if (id == 0x4100) triangleMesh(p, e);
            if (id == 0x4600) light(p, e);
            if (id == 0x4700) camera(p, e);
        });
    }

    void triangleMesh(size_t at, size_t end) {
        auto owned = std::make_unique<Mesh>();
        Mesh& m = *owned;
        scene.meshes.push_back(std::move(owned));
        m.name = objectName;
        m.tracks = defaultTrackSet();
        children(at, end, [&](uint32_t id, size_t p, size_t e) {
            uint32_t n = 0;
            switch (id) {
            case 0x4110:
                if (!u16(p, e, n)) return;
                if ((e - p) / 12 < n) return void(fail("the vertex list is longer than its chunk"));
                m.vertices.resize(n);
                for (Point3f& v : m.vertices)
                    point(p, e, v);
                allocateFrameArrays(m);
                break;
            case 0x4120:
                if (!u16(p, e, n)) return;
                if ((e - p) / 8 < n) return void(fail("the face list is longer than its chunk"));
                m.faces.resize(n);
                for (MeshFace& f : m.faces) {
                    uint32_t a = 0, b = 0, c = 0, flags = 0;
                    u16(p, e, a), u16(p, e, b), u16(p, e, c), u16(p, e, flags);
                    f.a = static_cast<int32_t>(a), f.b = static_cast<int32_t>(b),
                    f.c = static_cast<int32_t>(c);
                }
                m.flags |= kHasFaces;
                allocateFrameArrays(m);
                // The material groups: the whole mesh takes the last one's material.
                children(p, e, [&](uint32_t id2, size_t p2, size_t e2) {
                    if (id2 == 0x4130) string(p2, e2, m.materialName);
                });
                break;
            case 0x4140:
                if (!u16(p, e, n)) return;
                if ((e - p) / 8 < n) return void(fail("the mapping list is longer than its chunk"));
                m.mapping.resize(n);
                for (auto& uv : m.mapping) {
                    float u = 0, v = 0;
                    f32(p, e, u), f32(p, e, v);
                    uv = {u * 255.0f, 255.0f - v * 255.0f}; // texel units, v turned downward
                }
                m.flags |= kHasMapping;
                break;
            case 0x4160:
                localAxes(m, p, e);
                break;
            default:
                break;
            }
        });
        // Faces are checked against the vertex list the mesh ends with, whatever order the
        // lists came in: a later vertex list may be shorter than the one the faces were read
        // against.
        for (const MeshFace& f : m.faces)
            if (static_cast<size_t>(f.a) >= m.vertices.size() ||
                static_cast<size_t>(f.b) >= m.vertices.size() ||
                static_cast<size_t>(f.c) >= m.vertices.size())
                return void(fail("a face names a vertex beyond the vertex count"));
        allocateFrameArrays(m);
        // One mapping pair per vertex, whatever the file gave, so nothing indexes past it.
        if (m.flags & kHasMapping) m.mapping.resize(m.vertices.size(), {0.0f, 0.0f});
    }

    // The axes go, swapped, into the rotation part's columns: X into 0, the file's Z into 1,
    // its Y into 2. Inverted, they take every vertex already read into the mesh's own frame.
    void localAxes(Mesh& m, size_t p, size_t e) {
        Point3f x, y, z, origin;
        if (!point(p, e, x) || !point(p, e, y) || !point(p, e, z) || !point(p, e, origin)) return;
        Matrix4 axes;
        setIdentity(axes);
        axes[0] = x.x, axes[1] = x.y, axes[2] = x.z;
        axes[4] = z.x, axes[5] = z.y, axes[6] = z.z;
        axes[8] = y.x, axes[9] = y.y, axes[10] = y.z;
        invert3x3(axes);
        for (Point3f& v : m.vertices) {
            const Point3f d{v.x - origin.x, v.y - origin.y, v.z - origin.z};
            v = {axes[0] * d.x + axes[4] * d.y + axes[8] * d.z,
                 axes[1] * d.x + axes[5] * d.y + axes[9] * d.z,
                 axes[2] * d.x + axes[6] * d.y + axes[10] * d.z};
        }
    }

    void light(size_t at, size_t end) {
        auto owned = std::make_unique<SceneLight>();
        SceneLight& l = *owned;
        scene.lights.push_back(std::move(owned));
        l.name = objectName;
        l.positionTracks = defaultTrackSet();
        l.targetTracks = defaultTrackSet();
        if (!point(at, end, l.position)) return;
        children(at, end, [&](uint32_t id, size_t p, size_t e) {
            switch (id) {
            case 0x0010:
                f32(p, e, carry.red), f32(p, e, carry.green), f32(p, e, carry.blue);
                break;
            case 0x4610:
                point(p, e, l.target), f32(p, e, l.hotspot), f32(p, e, l.falloff);
                l.spot = true;
                break;
            case 0x4659:
                f32(p, e, carry.innerRange);
                break;
            case 0x465A:
                f32(p, e, carry.outerRange);
                break;
            case 0x465B:
                f32(p, e, carry.multiplier);
                break;
            default:
                break;
            }
        });
        // Truncated toward zero; a value outside 0 .. 1 (which no int could hold times 255 at the
        // extremes) is kept to the range.
        auto level = [](float v) {
            return v > 0.0f ? static_cast<int32_t>(std::fmin(v, 1.0f) * 255.0f) : 0;
        };
        l.red = level(carry.red), l.green = level(carry.green), l.blue = level(carry.blue);
        l.innerRange = carry.innerRange, l.outerRange = carry.outerRange,
        l.multiplier = carry.multiplier;
    }

    void camera(size_t at, size_t end) {
        auto owned = std::make_unique<SceneCamera>();
        SceneCamera& c = *owned;
        scene.cameras.push_back(std::move(owned));
        c.name = objectName;
        c.positionTracks = defaultTrackSet();
        c.targetTracks = defaultTrackSet();
        point(at, end, c.eye) && point(at, end, c.target) && f32(at, end, c.bank) &&
            f32(at, end, c.lens);
    }

    void keyframer(size_t at, size_t end) {
        children(at, end, [&](uint32_t id, size_t p, size_t e) {
            if (id == 0xB008) {
                uint32_t start = 0, stop = 0;
                if (u32(p, e, start) && u32(p, e, stop))
                    scene.frameCount = static_cast<int32_t>(stop - start);
                return;
            }
            static const std::vector<std::pair<uint32_t, int>> kNodes = {
                {0xB002, 1}, {0xB003, 2}, {0xB004, 3}, {0xB005, 4}, {0xB007, 5}, {0xB006, 6}};
            nodeType = 0;
            for (auto [nid, type] : kNodes)
                if (id == nid) nodeType = type;
            if (nodeType) node(p, e);
        });
    }

    void node(size_t at, size_t end) {
        tracks = nullptr, nodeMesh = nullptr;
        children(at, end, [&](uint32_t id, size_t p, size_t e) {
            uint32_t v = 0;
            switch (id) {
            case 0xB030:
                if (u16(p, e, v)) nodeId = static_cast<int>(v);
                break;
            case 0xB010:
                nodeHeader(p, e);
                break;
            case 0xB011:
                if (dummy) string(p, e, dummy->name);
                break;
            case 0xB013: {
                Point3f pivot;
                if (!tracks || !point(p, e, pivot)) break;
                if (nodeMesh)
                    for (Point3f& vert : nodeMesh->vertices)
                        vert.x -= pivot.x, vert.y -= pivot.y, vert.z -= pivot.z;
                break;
            }
            case 0xB020:
                track(p, e, kPositionTrack);
                break;
            case 0xB021:
                track(p, e, kRotationTrack);
                break;
            case 0xB022:
                track(p, e, kScaleTrack);
                break;
            case 0xB023:
                track(p, e, kFovTrack);
                break;
            case 0xB024:
                track(p, e, kRollTrack);
                break;
            default:
                break;
            }
        });
    }

    void nodeHeader(size_t p, size_t e) {
        std::string name;
        uint32_t flags1 = 0, flags2 = 0, parent = 0;
        if (!string(p, e, name) || !u16(p, e, flags1) || !u16(p, e, flags2) || !u16(p, e, parent))
            return;
        dummy = nullptr;
        if (name == "$$$DUMMY") {
            auto owned = std::make_unique<Mesh>();
            dummy = owned.get();
            dummy->name = objectName;
            dummy->tracks = defaultTrackSet();
            dummy->nodeId = nodeId;
            dummy->parentId = static_cast<int32_t>(parent);
            scene.dummies.push_back(std::move(owned));
            tracks = &dummy->tracks;
            return;
        }
        tracks = nullptr;
        if (Mesh* m = findMesh(scene, name)) {
            m->nodeId = nodeId;
            m->parentId = static_cast<int32_t>(parent);
        }
        for (const auto& l : scene.lights)
            if (l->name == name) {
                if (nodeType == 4 || nodeType == 5) tracks = &l->positionTracks;
                if (nodeType == 6) tracks = &l->targetTracks;
            }
        for (const auto& m : scene.meshes)
            if (m->name == name) tracks = &m->tracks, nodeMesh = m.get();
        for (const auto& c : scene.cameras)
            if (c->name == name) {
                if (nodeType == 2) tracks = &c->positionTracks;
                if (nodeType == 3) tracks = &c->targetTracks;
            }
        if (tracks) *tracks = defaultTrackSet();
    }

    void track(size_t p, size_t e, int kind) {
        if (!tracks) return;
        uint32_t count = 0;
        if (e - p < 14) return void(fail("a track chunk is too short for its header"));
        p += 10;
        u32(p, e, count);
        // Every key is at least its 6-byte header and one float.
        if ((e - p) / 10 < count) return void(fail("a track's keys run past its chunk"));
        Track& t = tracks->byKind(kind);
        t.resize(count);
        Quaternion absolute{0, 0, 0, 1};
        for (uint32_t i = 0; i < count && ok(); ++i) {
            TrackKey& k = t.keys[i];
            uint32_t frame = 0, word = 0;
            if (!u16(p, e, frame) || !u32(p, e, word)) return;
            k.frame = static_cast<int>(frame);
            // One float per set bit, low bits first: 16 tension ... 20 ease from; the floats of
            // the other bits (the frame's high half) are read and dropped.
            for (int bit = 0; bit < 32; ++bit) {
                if (!(word & (1u << bit))) continue;
                float v = 0;
                if (!f32(p, e, v)) return;
                if (bit == 16) k.tension = v;
                if (bit == 17) k.continuity = v;
                if (bit == 18) k.bias = v;
                if (bit == 19) k.easeTo = v;
                if (bit == 20) k.easeFrom = v;
            }
            if (kind == kPositionTrack || kind == kScaleTrack) {
                Point3f v;
                if (!point(p, e, v)) return;
                k.value = {v.x, v.y, v.z, 0};
            } else if (kind == kRotationTrack) {
                float angle = 0, ax = 0, ay = 0, az = 0;
                if (!f32(p, e, angle) || !f32(p, e, ax) || !f32(p, e, ay) || !f32(p, e, az)) return;
                // The axis negated and swapped; keys relative to the previous one.
                Quaternion q;
                quaternionFromAxisAngle(q, {-ax, -az, -ay}, angle);
                if (i == 0)
                    absolute = q;
                else
                    quaternionProduct(absolute, absolute, q);
                k.value = {absolute.x, absolute.y, absolute.z, absolute.w};
            } else {
                float v = 0;
                if (!f32(p, e, v)) return;
                k.value = {v, 0, 0, 0};
            }
        }
        if (ok()) computeTangents(t);
    }
};

} // namespace

LightCarry& loaderLightCarry() {
    static LightCarry carry;
    return carry;
}

bool parseScene3ds(const uint8_t* data, size_t size, Scene3ds& scene, LightCarry& carry,
                   std::string& problem) {
    Reader r(data, size, scene, carry);
    if (size < 6 || (data[0] | data[1] << 8) != 0x4D4D) {
        problem = "not a 3DS file: it does not begin with the main chunk";
        return false;
    }
    const uint32_t length = picture::le32(data + 2);
    if (length < 6 || length > size) {
        problem = "the main chunk runs past the end of the file";
        return false;
    }
    r.main(6, length);
    problem = r.problem;
    return r.ok();
}

void loadScene3ds(const std::string& path, Scene3ds& scene) {
    scene.fileName = path;
    std::vector<uint8_t> bytes;
    if (!picture::readFileBytes(path, bytes)) {
        platform::messageBox(path, "File doesn't exist !");
        platform::fatalExit(1);
    }
    std::string problem;
    if (!parseScene3ds(bytes.data(), bytes.size(), scene, loaderLightCarry(), problem)) {
        platform::messageBox(path, problem);
        platform::fatalExit(1);
    }
}

} // namespace scene3d
