// The 3DS writer: a scene with every kind of object, read back by lib3ds and walked chunk by
// chunk for the chunks the production's reader takes.
#include <gtest/gtest.h>

#include <lib3ds/camera.h>
#include <lib3ds/file.h>
#include <lib3ds/light.h>
#include <lib3ds/material.h>
#include <lib3ds/mesh.h>
#include <lib3ds/node.h>

#include <cstring>
#include <map>
#include <set>

#include "picture/file_bytes.h"
#include "tests/temp_dir.h"
#include "tools/writers/scene3ds_writer.h"

using namespace writers;

namespace {

Scene3dsFile sampleScene() {
    Scene3dsFile s;
    s.materials = {{"brick", "brick.jpg"}, {"plain", ""}};
    Mesh3ds box;
    box.name = "box";
    box.vertices = {{0, 0, 0}, {1, 0, 0}, {1, 2, 0}, {0, 2, 3}};
    box.faces = {{0, 1, 2}, {0, 2, 3}};
    box.mapping = {{0, 0}, {1, 0}, {1, 1}, {0.25f, 0.75f}};
    box.material = "brick";
    s.meshes = {box};
    Light3ds omni{"lamp", {5, 5, 5}, {1, 0.5f, 0}, false, {}, 30, 45, 10, 200, 1.5f};
    Light3ds spot{"spot", {0, 0, 9}, {0, 0, 1}, true, {0, 0, 0}, 20, 35, 0, 300, 1};
    s.lights = {omni, spot};
    s.cameras = {{"cam", {0, -10, 2}, {0, 0, 0}, 5, 35}};
    s.startFrame = 0, s.endFrame = 1400;
    Node3ds boxNode;
    boxNode.id = 0, boxNode.name = "box", boxNode.pivot = {1, 2, 3};
    boxNode.position = {{{0}, {0, 0, 0}}, {{100, 0.5f, 0, 0, 0, 0.25f}, {10, 0, 0}}};
    boxNode.rotation = {{{0}, 0.0f, {0, 0, 1}}, {{50}, 1.5707964f, {0, 0, 1}}};
    boxNode.scale = {{{0}, {1, 1, 1}}};
    Node3ds dummy;
    dummy.type = Node3ds::Type::Dummy, dummy.id = 1, dummy.instance = "pivot",
    dummy.position = {{{0}, {1, 1, 1}}};
    Node3ds child = boxNode;
    child.id = 2, child.parent = 1, child.name = "box";
    Node3ds cam;
    cam.type = Node3ds::Type::Camera, cam.id = 3, cam.name = "cam";
    cam.position = {{{0}, {0, -10, 2}}, {{1400}, {0, -20, 4}}};
    cam.fov = {{{0}, 60.0f}};
    cam.roll = {{{0}, 5.0f}};
    Node3ds target;
    target.type = Node3ds::Type::CameraTarget, target.id = 4, target.name = "cam",
    target.position = {{{0}, {0, 0, 0}}};
    Node3ds lampNode;
    lampNode.type = Node3ds::Type::OmniLight, lampNode.id = 5, lampNode.name = "lamp",
    lampNode.position = {{{0}, {5, 5, 5}}};
    Node3ds spotNode;
    spotNode.type = Node3ds::Type::SpotLight, spotNode.id = 6, spotNode.name = "spot",
    spotNode.position = {{{0}, {0, 0, 9}}};
    Node3ds spotTarget;
    spotTarget.type = Node3ds::Type::LightTarget, spotTarget.id = 7, spotTarget.name = "spot",
    spotTarget.position = {{{0}, {0, 0, 0}}};
    s.nodes = {boxNode, dummy, child, cam, target, lampNode, spotNode, spotTarget};
    return s;
}

// Chunk ids by their parent's id, walked from the file's bytes.
void walk(const std::vector<uint8_t>& d, size_t from, size_t to, uint16_t parent,
          std::map<uint16_t, std::set<uint16_t>>& seen) {
    static const std::map<uint16_t, size_t> leading = {
        {0x4000, 0}, {0x4100, 0}, {0x4120, 0}, {0x4600, 12}, {0xAFFF, 0},
        {0xA200, 0}, {0x3D3D, 0}, {0x4D4D, 0}, {0xB000, 0},  {0xB002, 0},
        {0xB003, 0}, {0xB004, 0}, {0xB005, 0}, {0xB006, 0},  {0xB007, 0}};
    size_t at = from;
    while (at + 6 <= to) {
        const uint16_t id = static_cast<uint16_t>(d[at] | d[at + 1] << 8);
        const uint32_t len = picture::le32(&d[at + 2]);
        ASSERT_GE(len, 6u);
        ASSERT_LE(at + len, to) << std::hex << id;
        seen[parent].insert(id);
        auto it = leading.find(id);
        if (it != leading.end()) {
            size_t start = at + 6 + it->second;
            if (id == 0x4000) // the object name
                while (d[start - 0] != 0)
                    ++start;
            if (id == 0x4000) ++start;
            if (id == 0x4120) start += 2 + 8 * static_cast<size_t>(d[at + 6] | d[at + 7] << 8);
            walk(d, start, at + len, id, seen);
        }
        at += len;
    }
}

} // namespace

TEST(Scene3dsWriter, LibReadsBackWhatWasWritten) {
    testing_files::TempDir dir("scene3ds");
    ASSERT_TRUE(writeScene3ds("s.3ds", sampleScene()));
    Lib3dsFile* f = lib3ds_file_load("s.3ds");
    ASSERT_NE(f, nullptr);
    ASSERT_NE(f->meshes, nullptr);
    EXPECT_STREQ(f->meshes->name, "box");
    EXPECT_EQ(f->meshes->points, 4u);
    EXPECT_FLOAT_EQ(f->meshes->pointL[3].pos[2], 3.0f);
    EXPECT_FLOAT_EQ(f->meshes->texelL[3][1], 0.75f);
    EXPECT_STREQ(f->meshes->faceL[1].material, "brick");
    EXPECT_STREQ(f->materials->name, "brick");
    EXPECT_STREQ(f->materials->texture1_map.name, "brick.jpg");
    EXPECT_NEAR(f->cameras->fov, 2400.0f / 35.0f, 1e-3);
    EXPECT_EQ(f->segment_to, 1400);
    Lib3dsNode* box = lib3ds_file_node_by_id(f, 0);
    ASSERT_NE(box, nullptr);
    EXPECT_FLOAT_EQ(box->data.object.pivot[1], 2.0f);
    ASSERT_NE(box->data.object.pos_track.keyL, nullptr);
    const Lib3dsLin3Key* second = box->data.object.pos_track.keyL->next;
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->tcb.frame, 100);
    EXPECT_FLOAT_EQ(second->tcb.tens, 0.5f);
    EXPECT_FLOAT_EQ(second->tcb.ease_from, 0.25f);
    Lib3dsNode* child = lib3ds_file_node_by_id(f, 2);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->parent_id, 1);
    lib3ds_file_free(f);
}

TEST(Scene3dsWriter, EveryChunkTheProductionReadsIsThere) {
    testing_files::TempDir dir("scene3ds_chunks");
    ASSERT_TRUE(writeScene3ds("s.3ds", sampleScene()));
    std::vector<uint8_t> d;
    ASSERT_TRUE(picture::readFileBytes("s.3ds", d));
    ASSERT_EQ(d[0] | d[1] << 8, 0x4D4D);
    std::map<uint16_t, std::set<uint16_t>> seen;
    walk(d, 0, d.size(), 0, seen);
    const std::map<uint16_t, std::vector<uint16_t>> want = {
        {0x4D4D, {0x3D3D, 0xB000}},
        {0x3D3D, {0x4000, 0xAFFF}},
        {0x4000, {0x4100, 0x4600, 0x4700}},
        {0x4100, {0x4110, 0x4120, 0x4140, 0x4160}},
        {0x4120, {0x4130}},
        {0x4600, {0x0010, 0x4610, 0x4659, 0x465A, 0x465B}},
        {0xAFFF, {0xA000, 0xA200}},
        {0xA200, {0xA300}},
        {0xB000, {0xB008, 0xB002, 0xB003, 0xB004, 0xB005, 0xB006}},
        {0xB002, {0xB030, 0xB010, 0xB011, 0xB013, 0xB020, 0xB021, 0xB022}},
        {0xB003, {0xB030, 0xB010, 0xB020, 0xB023, 0xB024}},
    };
    for (const auto& [parent, children] : want)
        for (uint16_t c : children)
            EXPECT_TRUE(seen[parent].count(c)) << std::hex << c << " under " << parent;
}

#include <sstream>

#include "tools/writers/stream_writer.h"

TEST(StreamWriter, OneLabelledValueALineAfterTheComments) {
    ParticleStreamFile s;
    s.controlPoints = {{1, 2, 3}, {-4.5f, 0, 100}, {0, 0, 0}, {7, 8, 9}};
    s.sprites = {"a.jpg", "b.jpg"};
    std::istringstream in(encodeParticleStream(s, "test"));
    std::vector<std::string> values;
    for (std::string line; std::getline(in, line);) {
        ASSERT_LT(line.size(), 100u);
        if (line[0] == '*') continue;
        const size_t space = line.find(' ');
        ASSERT_NE(space, std::string::npos) << line;
        values.push_back(line.substr(space + 1));
    }
    // Lines 0 .. 10, the sprite count and its 2 lines, the point count and its 4, then 3.
    ASSERT_EQ(values.size(), 11u + 1 + 2 + 1 + 4 + 3);
    EXPECT_EQ(values[0], "200");
    EXPECT_EQ(values[11], "2");
    EXPECT_EQ(values[14], "4");
    EXPECT_EQ(values[16], "-4.500 0.000 100.000");
    EXPECT_EQ(values[19], "16");
    EXPECT_EQ(values[21], "1");
}

#include "scene3d/scene3ds_reader.h"

TEST(Scene3dsWriter, TheProductionsReaderAndLib3dsAgreeOnTheSameFile) {
    testing_files::TempDir dir("scene3ds_agree");
    ASSERT_TRUE(writeScene3ds("s.3ds", sampleScene()));
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(picture::readFileBytes("s.3ds", bytes));
    scene3d::Scene3ds ours;
    scene3d::LightCarry carry;
    std::string problem;
    ASSERT_TRUE(scene3d::parseScene3ds(bytes.data(), bytes.size(), ours, carry, problem))
        << problem;
    Lib3dsFile* lib = lib3ds_file_load("s.3ds");
    ASSERT_NE(lib, nullptr);
    size_t meshes = 0, lights = 0, cameras = 0, materials = 0;
    for (Lib3dsMesh* m = lib->meshes; m; m = m->next, ++meshes) {
        const scene3d::Mesh* mine = scene3d::findMesh(ours, m->name);
        ASSERT_NE(mine, nullptr) << m->name;
        EXPECT_EQ(mine->vertices.size(), m->points);
        EXPECT_EQ(mine->faces.size(), m->faces);
        EXPECT_EQ(mine->mapping.size(), m->texels);
        for (size_t i = 0; i < m->faces; ++i)
            EXPECT_EQ(mine->faces[i].c, m->faceL[i].points[2]);
    }
    for (Lib3dsLight* l = lib->lights; l; l = l->next) {
        ASSERT_LT(lights, ours.lights.size());
        const scene3d::SceneLight& mine = *ours.lights[lights++];
        EXPECT_EQ(mine.name, l->name);
        EXPECT_EQ(mine.spot, l->spot_light != 0);
        EXPECT_FLOAT_EQ(mine.position.y, l->position[2]); // Y and Z exchanged
        EXPECT_FLOAT_EQ(mine.outerRange, l->outer_range);
    }
    for (Lib3dsCamera* c = lib->cameras; c; c = c->next, ++cameras)
        EXPECT_NEAR(ours.cameras[cameras]->lens, 2400.0f / c->fov, 1e-3);
    for (Lib3dsMaterial* m = lib->materials; m; m = m->next, ++materials) {
        ASSERT_LT(materials, ours.materialNames.size());
        EXPECT_EQ(ours.materialNames[materials], m->name);
        EXPECT_EQ(ours.materialMapNames[materials], m->texture1_map.name);
    }
    EXPECT_EQ(meshes, ours.meshes.size());
    EXPECT_EQ(lights, ours.lights.size());
    EXPECT_EQ(cameras, ours.cameras.size());
    EXPECT_EQ(materials, ours.materialNames.size());
    EXPECT_EQ(ours.frameCount, lib->segment_to - lib->segment_from);
    // Node ids and parents: the dummy and the mesh bound under it.
    ASSERT_EQ(ours.dummies.size(), 1u);
    EXPECT_EQ(ours.dummies[0]->nodeId, lib3ds_file_node_by_id(lib, 1)->node_id);
    EXPECT_EQ(ours.dummies[0]->name, "pivot");
    lib3ds_file_free(lib);
}
