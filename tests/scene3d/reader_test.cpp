#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "picture/file_bytes.h"
#include "scene3d/scene3ds_reader.h"
#include "tests/temp_dir.h"
#include "tools/writers/scene3ds_writer.h"

using namespace scene3d;

namespace {

// Hand-made chunks: an id, leading bytes, then children.
struct Chunk {
    uint16_t id;
    std::vector<uint8_t> data;
    std::vector<Chunk> children;
    std::vector<uint8_t> bytes() const {
        std::vector<uint8_t> body = data;
        for (const Chunk& c : children) {
            const auto b = c.bytes();
            body.insert(body.end(), b.begin(), b.end());
        }
        std::vector<uint8_t> out = {static_cast<uint8_t>(id), static_cast<uint8_t>(id >> 8)};
        const uint32_t len = static_cast<uint32_t>(body.size() + 6);
        for (int k = 0; k < 4; ++k)
            out.push_back(static_cast<uint8_t>(len >> (8 * k)));
        out.insert(out.end(), body.begin(), body.end());
        return out;
    }
};

struct Bytes {
    std::vector<uint8_t> b;
    Bytes& u16(uint32_t v) {
        return b.push_back(static_cast<uint8_t>(v)), b.push_back(static_cast<uint8_t>(v >> 8)),
               *this;
    }
    Bytes& u32(uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
    Bytes& f(float v) {
        uint32_t w;
        std::memcpy(&w, &v, 4);
        return u32(w);
    }
    Bytes& s(const std::string& text) {
        b.insert(b.end(), text.begin(), text.end());
        b.push_back(0);
        return *this;
    }
    operator std::vector<uint8_t>() const { return b; }
};

bool parse(const Chunk& main, Scene3ds& scene, std::string& problem, LightCarry& carry) {
    const auto b = main.bytes();
    return parseScene3ds(b.data(), b.size(), scene, carry, problem);
}

Chunk object(const std::string& name, std::vector<Chunk> children) {
    return {0x4000, Bytes().s(name), std::move(children)};
}

Chunk triangleMesh(std::vector<Chunk> extra = {}) {
    std::vector<Chunk> c = {
        {0x4110, Bytes().u16(3).f(1).f(2).f(3).f(0).f(0).f(0).f(1).f(0).f(0), {}},
        {0x4120,
         Bytes().u16(1).u16(0).u16(1).u16(2).u16(7),
         {{0x4130, Bytes().s("first").u16(1).u16(0), {}},
          {0x4130, Bytes().s("second").u16(0), {}}}},
        {0x4140, Bytes().u16(3).f(0.25f).f(0.75f).f(0).f(0).f(1).f(1), {}}};
    c.insert(c.end(), extra.begin(), extra.end());
    return {0x4100, {}, c};
}

} // namespace

TEST(Scene3dsReader, GeometryIsSwappedAndMappedIntoTexels) {
    Scene3ds scene;
    std::string problem;
    LightCarry carry;
    ASSERT_TRUE(parse({0x4D4D, {}, {{0x3D3D, {}, {object("thing", {triangleMesh()})}}}}, scene,
                      problem, carry))
        << problem;
    ASSERT_EQ(scene.meshes.size(), 1u);
    const Mesh& m = *scene.meshes[0];
    EXPECT_EQ(m.name, "thing");
    EXPECT_FLOAT_EQ(m.vertices[0].x, 1);
    EXPECT_FLOAT_EQ(m.vertices[0].y, 3);
    EXPECT_FLOAT_EQ(m.vertices[0].z, 2);
    EXPECT_FLOAT_EQ(m.mapping[0][0], 63.75f);
    EXPECT_FLOAT_EQ(m.mapping[0][1], 63.75f);
    EXPECT_EQ(m.materialName, "second"); // the last group's material
    EXPECT_TRUE(m.flags & kHasFaces);
    EXPECT_TRUE(m.flags & kHasMapping);
    EXPECT_EQ(m.faces[0].c, 2);
    // No keyframer: the default tracks stay.
    ASSERT_EQ(m.tracks.position.keys.size(), 1u);
    EXPECT_EQ(m.tracks.scale.keys[0].value[0], 1.0f);
}

TEST(Scene3dsReader, LightsCarryTheirValuesToTheNextLight) {
    Scene3ds scene;
    std::string problem;
    LightCarry carry;
    const Chunk first = object(
        "a", {{0x4600,
               Bytes().f(1).f(2).f(3),
               {{0x0010, Bytes().f(1.0f).f(0.5f).f(0.25f), {}}, {0x465A, Bytes().f(300), {}}}}});
    const Chunk second = object(
        "b",
        {{0x4600, Bytes().f(0).f(0).f(0), {{0x4610, Bytes().f(0).f(0).f(9).f(20).f(40), {}}}}});
    ASSERT_TRUE(parse({0x4D4D, {}, {{0x3D3D, {}, {first, second}}}}, scene, problem, carry))
        << problem;
    ASSERT_EQ(scene.lights.size(), 2u);
    EXPECT_EQ(scene.lights[0]->red, 255);
    EXPECT_EQ(scene.lights[0]->green, 127);
    EXPECT_EQ(scene.lights[1]->green, 127); // no colour chunk: the previous light's
    EXPECT_FLOAT_EQ(scene.lights[1]->outerRange, 300);
    EXPECT_TRUE(scene.lights[1]->spot);
    EXPECT_FLOAT_EQ(scene.lights[1]->target.y, 9); // swapped
    EXPECT_FLOAT_EQ(scene.lights[1]->falloff, 40);
    // Colours outside 0 .. 1 are kept to the range.
    Scene3ds odd;
    ASSERT_TRUE(parse({0x4D4D,
                       {},
                       {{0x3D3D,
                         {},
                         {object("x", {{0x4600,
                                        Bytes().f(0).f(0).f(0),
                                        {{0x0010, Bytes().f(1e30f).f(-5).f(0.5f), {}}}}})}}}},
                      odd, problem, carry));
    EXPECT_EQ(odd.lights[0]->red, 255);
    EXPECT_EQ(odd.lights[0]->green, 0);
    EXPECT_EQ(odd.lights[0]->blue, 127);
    carry.red = 1.0f, carry.green = 0.5f, carry.blue = 0.25f;
    // And across files.
    Scene3ds next;
    ASSERT_TRUE(
        parse({0x4D4D, {}, {{0x3D3D, {}, {object("c", {{0x4600, Bytes().f(0).f(0).f(0), {}}})}}}},
              next, problem, carry));
    EXPECT_EQ(next.lights[0]->red, 255);
}

TEST(Scene3dsReader, KeysReadTheirFlagFloatsAndRotationsAccumulate) {
    Scene3ds scene;
    std::string problem;
    LightCarry carry;
    const float half = 1.5707964f;
    Bytes rot;
    rot.u16(0).u32(0).u32(0).u32(2);          // 10 bytes of track header, then the key count
    rot.u16(0).u32(0).f(half).f(0).f(0).f(1); // 90 degrees about the file's Z
    rot.u16(10).u32((1u << 16) | (1u << 20)).f(0.5f).f(0.25f).f(half).f(0).f(0).f(1); // tension,
                                                                                      // ease from
    const Chunk node = {0xB002,
                        {},
                        {{0xB030, Bytes().u16(0), {}},
                         {0xB010, Bytes().s("thing").u16(0).u16(0).u16(65535), {}},
                         {0xB021, rot, {}}}};
    ASSERT_TRUE(parse(
        {0x4D4D, {}, {{0x3D3D, {}, {object("thing", {triangleMesh()})}}, {0xB000, {}, {node}}}},
        scene, problem, carry))
        << problem;
    const Track& r = scene.meshes[0]->tracks.rotation;
    ASSERT_EQ(r.keys.size(), 2u);
    EXPECT_FLOAT_EQ(r.keys[1].tension, 0.5f);
    EXPECT_FLOAT_EQ(r.keys[1].easeFrom, 0.25f);
    EXPECT_EQ(r.keys[1].frame, 10);
    // The file's Z axis, negated and swapped, is -Y here: 90 then 180 degrees about it.
    EXPECT_NEAR(r.keys[0].value[1], -std::sin(half / 2), 1e-6f);
    EXPECT_NEAR(r.keys[0].value[3], std::cos(half / 2), 1e-6f);
    EXPECT_NEAR(r.keys[1].value[1], -1.0f, 1e-6f);
    EXPECT_NEAR(r.keys[1].value[3], 0.0f, 1e-6f);
    EXPECT_EQ(scene.meshes[0]->nodeId, 0);
}

TEST(Scene3dsReader, DamagedFilesAreRefused) {
    LightCarry carry;
    auto refused = [&](const Chunk& main) {
        Scene3ds scene;
        std::string problem;
        EXPECT_FALSE(parse(main, scene, problem, carry));
        return problem;
    };
    // A vertex list that claims more vertices than it holds.
    EXPECT_EQ(
        refused(
            {0x4D4D,
             {},
             {{0x3D3D, {}, {object("m", {{0x4100, {}, {{0x4110, Bytes().u16(99).f(1), {}}}}})}}}}),
        "the vertex list is longer than its chunk");
    // A face naming a vertex that does not exist.
    EXPECT_EQ(
        refused(
            {0x4D4D,
             {},
             {{0x3D3D,
               {},
               {object(
                   "m",
                   {{0x4100, {}, {{0x4120, Bytes().u16(1).u16(0).u16(1).u16(5).u16(0), {}}}}})}}}}),
        "a face names a vertex beyond the vertex count");
    // A name without its terminator.
    Chunk unnamed = {0x4000, {'a', 'b'}, {}};
    EXPECT_EQ(refused({0x4D4D, {}, {{0x3D3D, {}, {unnamed}}}}), "a name runs past its chunk");
    // Keys past their chunk.
    const Chunk node = {0xB002,
                        {},
                        {{0xB010, Bytes().s("m").u16(0).u16(0).u16(65535), {}},
                         {0xB020, Bytes().u16(0).u32(0).u32(0).u32(1000), {}}}};
    EXPECT_EQ(
        refused(
            {0x4D4D, {}, {{0x3D3D, {}, {object("m", {triangleMesh()})}}, {0xB000, {}, {node}}}}),
        "a track's keys run past its chunk");
    // A child longer than its parent.
    auto bytes = Chunk{0x4D4D, {}, {{0x3D3D, {}, {object("m", {triangleMesh()})}}}}.bytes();
    bytes[8] = 0xFF; // the editor chunk's length
    Scene3ds scene;
    std::string problem;
    EXPECT_FALSE(parseScene3ds(bytes.data(), bytes.size(), scene, carry, problem));
    EXPECT_EQ(problem, "chunk 3D3D runs past its parent");
    // Not a 3DS file, or too short for a header: refused, not read as an empty scene.
    for (const std::vector<uint8_t>& other :
         {std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}, std::vector<uint8_t>{0x4D, 0x4D, 6, 0},
          std::vector<uint8_t>{}}) {
        Scene3ds empty;
        EXPECT_FALSE(parseScene3ds(other.data(), other.size(), empty, carry, problem));
        EXPECT_EQ(problem, "not a 3DS file: it does not begin with the main chunk");
    }
}

// A vertex list after the face list that holds fewer vertices than the faces name: the faces
// were read against the first list, so the check must come when the mesh is complete. (Read
// as it came, scene preparation's vertex normals wrote past the vertex arrays.)
Chunk shrinkingMesh() {
    return {0x4100,
            {},
            {{0x4110, Bytes().u16(3).f(0).f(0).f(0).f(1).f(0).f(0).f(0).f(1).f(0), {}},
             {0x4120, Bytes().u16(1).u16(0).u16(1).u16(2).u16(0), {}},
             {0x4110, Bytes().u16(1).f(5).f(5).f(5), {}}}};
}

TEST(Scene3dsReader, FacesAreCheckedAgainstTheLastVertexList) {
    LightCarry carry;
    Scene3ds scene;
    std::string problem;
    EXPECT_FALSE(parse({0x4D4D, {}, {{0x3D3D, {}, {object("m", {shrinkingMesh()})}}}}, scene,
                       problem, carry));
    EXPECT_EQ(problem, "a face names a vertex beyond the vertex count");
    // Faces before a vertex list that holds them are sound, whatever the order.
    Scene3ds later;
    const Chunk facesFirst = {
        0x4100,
        {},
        {{0x4120, Bytes().u16(1).u16(0).u16(1).u16(2).u16(0), {}},
         {0x4110, Bytes().u16(3).f(0).f(0).f(0).f(1).f(0).f(0).f(0).f(1).f(0), {}}}};
    ASSERT_TRUE(
        parse({0x4D4D, {}, {{0x3D3D, {}, {object("m", {facesFirst})}}}}, later, problem, carry))
        << problem;
    const Mesh& m = *later.meshes[0];
    EXPECT_EQ(m.vertices.size(), 3u);
    EXPECT_EQ(m.projected.size(), 3u);
    EXPECT_EQ(m.faceNormals.size(), 1u);
}

TEST(Scene3dsReaderDeathTest, AShrinkingVertexListEndsTheProgramNamingTheFile) {
    testing_files::TempDir dir("reader_shrinking");
    const auto bytes = Chunk{0x4D4D, {}, {{0x3D3D, {}, {object("m", {shrinkingMesh()})}}}}.bytes();
    FILE* f = std::fopen("bad.3ds", "wb");
    ASSERT_TRUE(f);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    Scene3ds scene;
    EXPECT_EXIT(loadScene3ds("bad.3ds", scene), testing::ExitedWithCode(1),
                "bad.3ds: a face names a vertex beyond the vertex count");
}

TEST(Scene3dsReaderDeathTest, MissingFilesEndTheProgramWithCodeOne) {
    testing_files::TempDir dir("reader_missing");
    Scene3ds scene;
    EXPECT_EXIT(loadScene3ds("3D/none.3ds", scene), testing::ExitedWithCode(1),
                "3D/none.3ds: File doesn't exist !");
}

TEST(Scene3dsReader, ReadsWhatLib3dsWrote) {
    testing_files::TempDir dir("reader_lib3ds");
    using namespace writers;
    Scene3dsFile f;
    f.materials = {{"brick", "brick.jpg"}};
    Mesh3ds mesh;
    mesh.name = "box";
    mesh.vertices = {{0, 0, 0}, {2, 0, 0}, {2, 4, 0}, {0, 4, 6}};
    mesh.faces = {{0, 1, 2}, {0, 2, 3}};
    mesh.mapping = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    mesh.material = "brick";
    f.meshes = {mesh};
    f.lights = {{"lamp", {5, 6, 7}, {1, 0, 0.5f}, true, {1, 2, 3}, 25, 50, 10, 400, 2}};
    f.cameras = {{"cam", {0, -10, 2}, {0, 0, 0}, 5, 35}};
    f.endFrame = 1400;
    Node3ds box;
    box.id = 0, box.name = "box", box.pivot = {1, 2, 3};
    box.position = {{{0}, {0, 0, 0}}, {{100, 0.5f}, {10, 20, 30}}};
    box.scale = {{{0}, {2, 2, 2}}};
    box.rotation = {{{0}, 0, {0, 0, 1}}};
    Node3ds dummy;
    dummy.type = Node3ds::Type::Dummy, dummy.id = 1, dummy.instance = "hinge",
    dummy.position = {{{0}, {1, 1, 1}}};
    Node3ds cam;
    cam.type = Node3ds::Type::Camera, cam.id = 2, cam.name = "cam",
    cam.position = {{{0}, {0, -10, 2}}};
    cam.fov = {{{0}, 60}}, cam.roll = {{{0}, 5}};
    f.nodes = {box, dummy, cam};
    ASSERT_TRUE(writeScene3ds("s.3ds", f));
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(picture::readFileBytes("s.3ds", bytes));
    Scene3ds scene;
    std::string problem;
    LightCarry carry;
    ASSERT_TRUE(parseScene3ds(bytes.data(), bytes.size(), scene, carry, problem)) << problem;
    ASSERT_EQ(scene.meshes.size(), 1u);
    const Mesh& m = *scene.meshes[0];
    ASSERT_EQ(m.vertices.size(), 4u);
    // Swapped, then moved by the pivot (1, 2, 3), which is swapped too: (1, 3, 2).
    EXPECT_FLOAT_EQ(m.vertices[3].x, -1);
    EXPECT_FLOAT_EQ(m.vertices[3].y, 3);
    EXPECT_FLOAT_EQ(m.vertices[3].z, 2);
    EXPECT_EQ(m.materialName, "brick");
    EXPECT_FLOAT_EQ(m.mapping[2][1], 0.0f);
    ASSERT_EQ(scene.materialNames.size(), 1u);
    EXPECT_EQ(scene.materialMapNames[0], "brick.jpg");
    EXPECT_EQ(scene.frameCount, 1400);
    ASSERT_EQ(m.tracks.position.keys.size(), 2u);
    EXPECT_FLOAT_EQ(m.tracks.position.keys[1].value[1], 30); // swapped
    EXPECT_FLOAT_EQ(m.tracks.position.keys[1].tension, 0.5f);
    EXPECT_FLOAT_EQ(m.tracks.scale.keys[0].value[2], 2);
    ASSERT_EQ(scene.dummies.size(), 1u);
    EXPECT_EQ(scene.dummies[0]->name, "hinge");
    EXPECT_EQ(scene.dummies[0]->nodeId, 1);
    ASSERT_EQ(scene.lights.size(), 1u);
    EXPECT_EQ(scene.lights[0]->red, 255);
    EXPECT_EQ(scene.lights[0]->blue, 127);
    EXPECT_FLOAT_EQ(scene.lights[0]->position.y, 7);
    EXPECT_FLOAT_EQ(scene.lights[0]->outerRange, 400);
    EXPECT_FLOAT_EQ(scene.lights[0]->multiplier, 2);
    ASSERT_EQ(scene.cameras.size(), 1u);
    EXPECT_NEAR(scene.cameras[0]->lens, 35, 1e-3);
    EXPECT_FLOAT_EQ(scene.cameras[0]->bank, 5);
    EXPECT_FLOAT_EQ(scene.cameras[0]->eye.y, 2);
    EXPECT_FLOAT_EQ(scene.cameras[0]->positionTracks.fov.keys[0].value[0], 60);
    EXPECT_FLOAT_EQ(scene.cameras[0]->positionTracks.roll.keys[0].value[0], 5);
}
