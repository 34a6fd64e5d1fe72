#pragma once
// 3DS scenes written through lib3ds, an independent implementation of the format, for the
// data generator and the reader's cross-checks. Coordinates are the file's (Z up).
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace writers {

using Vec3 = std::array<float, 3>;

struct Material3ds {
    std::string name;
    std::string textureFile; // empty: no texture map
};

struct Mesh3ds {
    std::string name;
    std::vector<Vec3> vertices;
    std::vector<std::array<uint16_t, 3>> faces;
    std::vector<std::array<float, 2>> mapping; // one (u, v) per vertex, or none
    std::string material;                      // every face's material
    // Local axes: X, Y, Z axis and origin; identity by default.
    std::array<Vec3, 4> axes{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, 0}}};
};

struct Light3ds {
    std::string name;
    Vec3 position{};
    Vec3 colour{1, 1, 1}; // 0 .. 1
    bool spot = false;
    Vec3 target{};
    float hotspot = 30, falloff = 45; // degrees
    float innerRange = 0, outerRange = 1000, multiplier = 1;
};

struct Camera3ds {
    std::string name;
    Vec3 position{}, target{};
    float bank = 0;  // degrees
    float lens = 50; // millimetres (the file keeps the field of view, 2400 / lens)
};

// A key with its TCB and ease parameters; a parameter that is 0 is not written.
struct Key3ds {
    uint32_t frame = 0;
    float tension = 0, continuity = 0, bias = 0, easeTo = 0, easeFrom = 0;
};
struct VectorKey3ds : Key3ds {
    Vec3 value{};
};
struct RotationKey3ds : Key3ds {
    float angle = 0; // radians, relative to the previous key
    Vec3 axis{0, 0, 1};
};
struct FloatKey3ds : Key3ds {
    float value = 0;
};

struct Node3ds {
    enum class Type { Object, Dummy, Camera, CameraTarget, OmniLight, SpotLight, LightTarget };
    Type type = Type::Object;
    uint16_t id = 0;
    uint16_t parent = 65535; // none
    std::string name;        // the object's; dummies are written as "$$$DUMMY"
    std::string instance;    // a dummy's own name
    Vec3 pivot{};
    std::vector<VectorKey3ds> position, scale;
    std::vector<RotationKey3ds> rotation;
    std::vector<FloatKey3ds> fov, roll; // degrees
};

struct Scene3dsFile {
    std::vector<Material3ds> materials;
    std::vector<Mesh3ds> meshes;
    std::vector<Light3ds> lights;
    std::vector<Camera3ds> cameras;
    uint32_t startFrame = 0, endFrame = 100;
    std::vector<Node3ds> nodes;
};

// False when lib3ds cannot write the file.
bool writeScene3ds(const std::string& path, const Scene3dsFile& scene);

} // namespace writers
