// demotool scene: a 3DS file as the production's reader takes it, optionally placed at a
// frame, as text or JSON; or as lib3ds reads it, to compare the two.
#include <lib3ds/camera.h>
#include <lib3ds/file.h>
#include <lib3ds/light.h>
#include <lib3ds/material.h>
#include <lib3ds/mesh.h>
#include <lib3ds/node.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "picture/file_bytes.h"
#include "scene3d/camera.h"
#include "scene3d/scene3ds_reader.h"

using namespace scene3d;

namespace {

std::string quoted(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        if (static_cast<unsigned char>(c) < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string keyCounts(const TrackSet& t) {
    return std::to_string(t.position.keys.size()) + "/" + std::to_string(t.rotation.keys.size()) +
           "/" + std::to_string(t.scale.keys.size()) + "/" + std::to_string(t.fov.keys.size()) +
           "/" + std::to_string(t.roll.keys.size());
}

void summary(const Scene3ds& scene, const std::string& file, bool placed) {
    std::printf("%s: %zu meshes, %zu dummies, %zu lights, %zu cameras, %zu materials, %d frames\n",
                file.c_str(), scene.meshes.size(), scene.dummies.size(), scene.lights.size(),
                scene.cameras.size(), scene.materialNames.size(), scene.frameCount);
    for (const auto& m : scene.meshes) {
        std::printf("  mesh %-20s %6zu vertices %6zu faces %6zu mapping  material '%s'  flags %#x  "
                    "node %d parent %d  keys "
                    "p/r/s/f/r %s\n",
                    m->name.c_str(), m->vertices.size(), m->faces.size(), m->mapping.size(),
                    m->materialName.c_str(), m->flags, m->nodeId, m->parentId,
                    keyCounts(m->tracks).c_str());
        if (placed)
            std::printf("       at (%g, %g, %g) scale (%g, %g, %g)\n", m->worldMatrix[12],
                        m->worldMatrix[13], m->worldMatrix[14], m->scale[0], m->scale[1],
                        m->scale[2]);
    }
    for (const auto& d : scene.dummies)
        std::printf("  dummy %-19s node %d parent %d  keys %s\n", d->name.c_str(), d->nodeId,
                    d->parentId, keyCounts(d->tracks).c_str());
    for (size_t i = 0; i < scene.materialNames.size(); ++i)
        std::printf("  material %-16s map '%s'\n", scene.materialNames[i].c_str(),
                    scene.materialMapNames[i].c_str());
    for (const auto& l : scene.lights)
        std::printf(
            "  light %-19s %s at (%g, %g, %g) colour %d %d %d  range %g .. %g  multiplier %g\n",
            l->name.c_str(), l->spot ? "spot" : "omni", l->position.x, l->position.y, l->position.z,
            l->red, l->green, l->blue, l->innerRange, l->outerRange, l->multiplier);
    for (const auto& c : scene.cameras)
        std::printf("  camera %-18s lens %g bank %g fov %g  eye (%g, %g, %g) target (%g, %g, %g)  "
                    "keys %s / target %s\n",
                    c->name.c_str(), c->lens, c->bank, c->fov, c->eye.x, c->eye.y, c->eye.z,
                    c->target.x, c->target.y, c->target.z, keyCounts(c->positionTracks).c_str(),
                    keyCounts(c->targetTracks).c_str());
}

void jsonTracks(const TrackSet& t) {
    auto track = [](const char* name, const Track& tr, size_t components, bool last) {
        std::printf("\"%s\": [", name);
        for (size_t k = 0; k < tr.keys.size(); ++k) {
            const TrackKey& key = tr.keys[k];
            std::printf("%s{\"frame\": %d, \"tension\": %g, \"continuity\": %g, \"bias\": %g, "
                        "\"easeTo\": %g, \"easeFrom\": %g, "
                        "\"value\": [",
                        k ? ", " : "", key.frame, key.tension, key.continuity, key.bias, key.easeTo,
                        key.easeFrom);
            for (size_t c = 0; c < components; ++c)
                std::printf("%s%g", c ? ", " : "", key.value[c]);
            std::printf("]}");
        }
        std::printf("]%s", last ? "" : ", ");
    };
    std::printf("{");
    track("position", t.position, 3, false);
    track("rotation", t.rotation, 4, false);
    track("scale", t.scale, 3, false);
    track("fov", t.fov, 1, false);
    track("roll", t.roll, 1, true);
    std::printf("}");
}

void json(const Scene3ds& scene, const std::string& file) {
    std::printf("{\"fileName\": %s, \"frameCount\": %d, \"meshes\": [", quoted(file).c_str(),
                scene.frameCount);
    auto mesh = [&](const Mesh& m, bool first) {
        std::printf("%s{\"name\": %s, \"materialName\": %s, \"flags\": %u, \"nodeId\": %d, "
                    "\"parentId\": %d, \"vertices\": [",
                    first ? "" : ", ", quoted(m.name).c_str(), quoted(m.materialName).c_str(),
                    m.flags, m.nodeId, m.parentId);
        for (size_t i = 0; i < m.vertices.size(); ++i)
            std::printf("%s[%g, %g, %g]", i ? ", " : "", m.vertices[i].x, m.vertices[i].y,
                        m.vertices[i].z);
        std::printf("], \"faces\": [");
        for (size_t i = 0; i < m.faces.size(); ++i)
            std::printf("%s[%d, %d, %d]", i ? ", " : "", m.faces[i].a, m.faces[i].b, m.faces[i].c);
        std::printf("], \"mapping\": [");
        for (size_t i = 0; i < m.mapping.size(); ++i)
            std::printf("%s[%g, %g]", i ? ", " : "", m.mapping[i][0], m.mapping[i][1]);
        std::printf("], \"tracks\": ");
        jsonTracks(m.tracks);
        std::printf("}");
    };
    for (size_t i = 0; i < scene.meshes.size(); ++i)
        mesh(*scene.meshes[i], i == 0);
    std::printf("], \"dummies\": [");
    for (size_t i = 0; i < scene.dummies.size(); ++i)
        mesh(*scene.dummies[i], i == 0);
    std::printf("], \"materials\": [");
    for (size_t i = 0; i < scene.materialNames.size(); ++i)
        std::printf("%s{\"name\": %s, \"map\": %s}", i ? ", " : "",
                    quoted(scene.materialNames[i]).c_str(),
                    quoted(scene.materialMapNames[i]).c_str());
    std::printf("], \"lights\": [");
    for (size_t i = 0; i < scene.lights.size(); ++i) {
        const SceneLight& l = *scene.lights[i];
        std::printf("%s{\"name\": %s, \"spot\": %s, \"position\": [%g, %g, %g], \"target\": [%g, "
                    "%g, %g], \"red\": %d, \"green\": %d, "
                    "\"blue\": %d, \"hotspot\": %g, \"falloff\": %g, \"innerRange\": %g, "
                    "\"outerRange\": %g, \"multiplier\": %g, "
                    "\"positionTracks\": ",
                    i ? ", " : "", quoted(l.name).c_str(), l.spot ? "true" : "false", l.position.x,
                    l.position.y, l.position.z, l.target.x, l.target.y, l.target.z, l.red, l.green,
                    l.blue, l.hotspot, l.falloff, l.innerRange, l.outerRange, l.multiplier);
        jsonTracks(l.positionTracks);
        std::printf(", \"targetTracks\": ");
        jsonTracks(l.targetTracks);
        std::printf("}");
    }
    std::printf("], \"cameras\": [");
    for (size_t i = 0; i < scene.cameras.size(); ++i) {
        const SceneCamera& c = *scene.cameras[i];
        std::printf("%s{\"name\": %s, \"eye\": [%g, %g, %g], \"target\": [%g, %g, %g], \"bank\": "
                    "%g, \"lens\": %g, \"fov\": %g, "
                    "\"positionTracks\": ",
                    i ? ", " : "", quoted(c.name).c_str(), c.eye.x, c.eye.y, c.eye.z, c.target.x,
                    c.target.y, c.target.z, c.bank, c.lens, c.fov);
        jsonTracks(c.positionTracks);
        std::printf(", \"targetTracks\": ");
        jsonTracks(c.targetTracks);
        std::printf("}");
    }
    std::printf("]}\n");
}

// The same file as lib3ds reads it, in the summary's terms (lib3ds keeps the file's Z up).
int lib3dsSummary(const std::string& path) {
    Lib3dsFile* f = lib3ds_file_load(path.c_str());
    if (!f) {
        std::fprintf(stderr, "%s: lib3ds cannot read it\n", path.c_str());
        return 1;
    }
    int meshes = 0, lights = 0, cameras = 0, materials = 0;
    for (Lib3dsMesh* m = f->meshes; m; m = m->next)
        ++meshes;
    for (Lib3dsLight* l = f->lights; l; l = l->next)
        ++lights;
    for (Lib3dsCamera* c = f->cameras; c; c = c->next)
        ++cameras;
    for (Lib3dsMaterial* m = f->materials; m; m = m->next)
        ++materials;
    std::printf("%s (lib3ds): %d meshes, %d lights, %d cameras, %d materials, %d frames\n",
                path.c_str(), meshes, lights, cameras, materials, f->segment_to - f->segment_from);
    for (Lib3dsMesh* m = f->meshes; m; m = m->next)
        std::printf("  mesh %-20s %6u vertices %6u faces %6u mapping  material '%s'\n", m->name,
                    m->points, m->faces, m->texels,
                    m->faces ? m->faceL[m->faces - 1].material : "");
    std::function<void(Lib3dsNode*)> nodes = [&](Lib3dsNode* n) {
        for (; n; n = n->next) {
            std::printf("  node %-20s id %d parent %d\n", n->name, n->node_id, n->parent_id);
            nodes(n->childs);
        }
    };
    nodes(f->nodes);
    for (Lib3dsMaterial* m = f->materials; m; m = m->next)
        std::printf("  material %-16s map '%s'\n", m->name, m->texture1_map.name);
    for (Lib3dsLight* l = f->lights; l; l = l->next)
        std::printf("  light %-19s %s colour %g %g %g  range %g .. %g\n", l->name,
                    l->spot_light ? "spot" : "omni", l->color[0], l->color[1], l->color[2],
                    l->inner_range, l->outer_range);
    for (Lib3dsCamera* c = f->cameras; c; c = c->next)
        std::printf("  camera %-18s lens %g bank %g\n", c->name, 2400.0f / c->fov, c->roll);
    lib3ds_file_free(f);
    return 0;
}

} // namespace

int sceneCommand(const std::vector<std::string>& args) {
    std::string path;
    bool asJson = false, viaLib3ds = false, atFrame = false;
    float frame = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--json")
            asJson = true;
        else if (args[i] == "--lib3ds")
            viaLib3ds = true;
        else if (args[i] == "--frame" && i + 1 < args.size())
            atFrame = true, frame = std::strtof(args[++i].c_str(), nullptr);
        else if (path.empty() && args[i].rfind("--", 0) != 0)
            path = args[i];
        else
            return std::fprintf(stderr,
                                "usage: demotool scene FILE [--frame F] [--json] [--lib3ds]\n"),
                   2;
    }
    if (path.empty())
        return std::fprintf(stderr, "usage: demotool scene FILE [--frame F] [--json] [--lib3ds]\n"),
               2;
    if (viaLib3ds) return lib3dsSummary(path);
    std::vector<uint8_t> bytes;
    if (!picture::readFileBytes(path, bytes)) {
        std::fprintf(stderr, "%s: File doesn't exist !\n", path.c_str());
        return 1;
    }
    Scene3ds scene;
    LightCarry carry;
    std::string problem;
    if (!parseScene3ds(bytes.data(), bytes.size(), scene, carry, problem)) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), problem.c_str());
        return 1;
    }
    for (auto& c : scene.cameras)
        setupCameraFromLens(*c, 512, 256);
    if (atFrame) updateScene(scene, frame);
    if (asJson)
        json(scene, path);
    else
        summary(scene, path, atFrame);
    return 0;
}
