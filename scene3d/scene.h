#pragma once
// A loaded 3D scene and its objects: meshes (and the keyframer's dummies), lights, cameras
// and materials. The 3DS reader fills them, the animation moves them, the camera code and the
// rasterizer draw them.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "picture/image32.h"
#include "scene3d/math3d.h"
#include "scene3d/tracks.h"
#include "scene3d/zeroed_buffer.h"

namespace scene3d {

// The per-scene depth buffer (see kSceneBufferBytes).
using DepthBuffer = ZeroedBuffer<int32_t>;

// Mesh flags.
enum MeshFlag : uint32_t {
    kSortFaces = 0x1,
    kCullBackFaces = 0x2,
    kRejectWhole = 0x4,
    kEnvironmentMap = 0x20,
    kPartPlacement = 0x40, // the part's angles, scale and position on top of the track rotation
    kHasMapping = 0x100,
    kHasFaces = 0x200,
    kHeadlight = 0x1000,
    kTextureBound = 0x2000,
    kLightFromCentre = 0x10000,
    kConstantColour = 0x20000,
    kDrawnByScene = 0x40000,
};

struct MeshFace {
    int32_t index = 0; // its own, set when face normals are computed
    int32_t a = 0, b = 0, c = 0;
    int32_t raster0 = 0;
    float depthKey = 0; // written by sortFacesByDepth
};

struct ProjectedVertex {
    float x = 0, y = 0, invZ = 0;
    int32_t offScreen = 0;
};
static_assert(sizeof(ProjectedVertex) == 16);

struct FaceData {
    float u = 0, v = 0, shade = 0, spare = 0;
};
static_assert(sizeof(FaceData) == 16);

constexpr int kMaxVertexFaces = 100;

struct Mesh {
    Point3f position;
    std::array<float, 3> angles{};
    std::array<float, 3> scale{1, 1, 1};
    Matrix4 worldMatrix, rotationMatrix;
    Point3f centre, lightVector;
    float radius = 0;
    int32_t nodeId = -1, parentId = 65535;
    int32_t idColour = 0;
    std::vector<Point3f> vertices, cameraVertices;
    std::vector<FaceData> faceData;
    std::vector<Point3f> vertexNormals, cameraVertexNormals;
    // Per vertex: up to 100 faces that use it.
    std::vector<std::vector<int32_t>> vertexFaces;
    std::vector<MeshFace> faces;
    std::vector<int32_t> drawList;
    std::vector<Point3f> faceNormals, cameraFaceNormals;
    std::vector<ProjectedVertex> projected;
    std::vector<std::array<float, 2>> mapping; // texel units 0 .. 255
    std::vector<std::array<int32_t, 2>> edges;
    std::array<Point3f, 8> boxCorners{}, cameraBoxCorners{};
    TrackSet tracks;
    std::vector<const struct SceneLight*> meshLights; // up to 100, filled each frame
    int32_t renderMode = 11, ambient = 30, diffuse = 225;
    std::string materialName;
    const picture::LoadedImage32 *texture = nullptr, *texture2 = nullptr, *texture3 = nullptr;
    const picture::Image32* pointSprite = nullptr;
    float pointSpriteDistance = 1.0f;
    uint32_t colour = 0xFFFFFF, constantColour = 0;
    const std::array<uint32_t, 256>* shadeTable = nullptr;
    ZeroedBuffer<uint8_t>* auxBuffer = nullptr;
    DepthBuffer* depthBuffer = nullptr;
    std::string name;
    uint32_t flags = kDrawnByScene;

    size_t vertexCount() const { return vertices.size(); }
    size_t faceCount() const { return faces.size(); }
};

// The corner pairs of a bounding box's twelve edges.
constexpr std::array<std::array<int, 2>, 12> kBoxEdges = {{{0, 1},
                                                           {1, 2},
                                                           {2, 3},
                                                           {3, 0},
                                                           {4, 5},
                                                           {5, 6},
                                                           {6, 7},
                                                           {7, 4},
                                                           {0, 4},
                                                           {1, 5},
                                                           {2, 6},
                                                           {3, 7}}};

struct SceneLight {
    Point3f position, cameraPosition, target, cameraTarget, towardLight, cameraSpotAxis;
    TrackSet positionTracks, targetTracks;
    bool spot = false;
    int32_t red = 0, green = 0, blue = 0;
    float hotspot = 0, falloff = 0;
    float innerRange = 0, outerRange = 0, multiplier = 0;
    std::string name;
};

struct SceneCamera {
    Point3f eye;
    float scaleX = 0, scaleY = 0;
    Point3f target;
    float pitch = 0, yaw = 0, roll = 0;
    float fov = 0;  // horizontal, degrees
    float bank = 0; // radians as the view uses it
    float lens = 0; // millimetres
    float viewWidth = 0, viewHeight = 0;
    Point3f eyeView;
    std::array<Plane, 6> planes{};
    Matrix4 viewMatrix, viewRotation;
    TrackSet positionTracks, targetTracks;
    std::string name;
    float lightStart = 500, lightEnd = 800, lightHotspot = 40, lightFalloff = 60;
    Point3f targetView, viewDirection;
    int32_t spotMode = 0, spotSide = 0;
};

// Per-scene buffers handed to every mesh: 3 MiB each.
constexpr size_t kSceneBufferBytes = 3u << 20;
// The words of the depth buffer that the frames use (512 x 256) and clear each frame.
constexpr size_t kFrameDepthWords = 512 * 256;

struct Scene3ds {
    std::string fileName;
    int32_t frameCount = 0;
    float factor = 1.0f;
    std::vector<std::unique_ptr<Mesh>> meshes, dummies;
    std::vector<std::unique_ptr<SceneLight>> lights;
    std::vector<std::unique_ptr<SceneCamera>> cameras;
    std::vector<std::string> materialNames, materialMapNames;
    std::vector<const picture::LoadedImage32*> materialImages;
    std::vector<std::unique_ptr<picture::LoadedImage32>>
        ownedImages; // loaded and fallback pictures
    ZeroedBuffer<uint8_t> auxBuffer;
    DepthBuffer depthBuffer;
};

// Exact, case-sensitive, in order; dummies, lights and cameras are not searched.
Mesh* findMesh(const Scene3ds& scene, const std::string& name);

void computeBounds(Mesh& mesh);
void computeCentre(Mesh& mesh);
void computeFaceNormals(Mesh& mesh);
void computeVertexNormals(Mesh& mesh);
void recomputeFaceNormals(Mesh& mesh);
void recomputeVertexNormals(Mesh& mesh);
void buildEdges(Mesh& mesh);
void scaleVertices(Mesh& mesh, float sx, float sy, float sz);
void clearDepth(Scene3ds& scene, size_t count);
void buildCube(Mesh& mesh, float size);
void buildGrid(Mesh& mesh, int columns, int rows, float width, float depth);
void buildSphere(Mesh& mesh, float radius, int rings, int segments);

// Room for the per-frame arrays of a mesh with its vertices and faces.
void allocateFrameArrays(Mesh& mesh);

} // namespace scene3d
