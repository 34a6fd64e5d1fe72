#include "raster/lighting.h"

#include <algorithm>
#include <cmath>

namespace raster {

namespace {

constexpr float radians(float degrees) {
    return degrees * 0.0055555557f * 3.1415927f;
}

float dot(const Point3f& a, const Point3f& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

uint32_t paletteAt(const Mesh& mesh, int32_t i) {
    if (!mesh.shadeTable) return 0;
    return (*mesh.shadeTable)[static_cast<size_t>(i < 0 ? 0 : i > 255 ? 255 : i)];
}

} // namespace

LightSource sceneLightSource(const SceneLight& light) {
    LightSource s;
    s.position = light.cameraPosition, s.axis = light.cameraSpotAxis;
    s.spot = light.spot;
    s.hotspot = light.hotspot, s.falloff = light.falloff;
    s.inner = light.innerRange, s.outer = light.outerRange;
    return s;
}

LightSource headlightSource(const SceneCamera& camera) {
    LightSource s;
    s.axis = camera.viewDirection;
    s.spot = camera.spotMode != 0;
    s.spotSide = camera.spotMode != 0 && camera.spotSide != 0;
    s.hotspot = camera.lightHotspot, s.falloff = camera.lightFalloff;
    s.inner = camera.lightStart, s.outer = camera.lightEnd;
    return s;
}

float contribution(const LightSource& l, const Point3f& p, const Point3f& n, float k) {
    const Point3f r{p.x - l.position.x, p.y - l.position.y, p.z - l.position.z};
    const float d = std::sqrt(dot(r, r));
    if (!(d < l.outer) || d == 0) return 0; // a light at the point itself gives no direction
    const Point3f dir{r.x / d, r.y / d, r.z / d};
    const float c = dot(n, dir);
    float base = c >= 0 ? k * c : 0;
    if (d >= l.inner) base *= 1 - (d - l.inner) / (l.outer - l.inner);
    if (!l.spot) return base;
    const float cosine = dot(dir, l.axis);
    const float theta = std::acos(cosine > 1 ? 1 : cosine < -1 ? -1 : cosine);
    const float hot = radians(l.hotspot), fall = radians(l.falloff);
    if (theta >= fall) return 0;
    if (l.spotSide || theta >= hot) return base * (1 - (theta - hot) / (fall - hot));
    return base;
}

int32_t truncToInt(float v) {
    if (!(v == v)) return 0;
    if (v >= 2147483520.0f) return INT32_MAX;
    if (v <= -2147483648.0f) return INT32_MIN;
    return static_cast<int32_t>(v);
}

uint32_t faceColour(const Mesh& mesh, const SceneCamera& camera, const scene3d::MeshFace& face,
                    bool headlight, LightFrom from) {
    const Point3f& p = from == LightFrom::ObjectCentre
                           ? mesh.lightVector
                           : mesh.cameraVertices[static_cast<size_t>(face.a)];
    const Point3f& n = mesh.cameraFaceNormals[static_cast<size_t>(face.index)];
    const auto k = static_cast<float>(mesh.diffuse);
    int32_t i = mesh.ambient;
    if (headlight) {
        i = truncToInt(static_cast<float>(mesh.ambient) +
                       contribution(headlightSource(camera), p, n, k));
    } else {
        // Truncated after every light, as the running value is an integer.
        for (const SceneLight* light : mesh.meshLights)
            if (light)
                i = truncToInt(static_cast<float>(i) +
                               contribution(sceneLightSource(*light), p, n, k));
    }
    return paletteAt(mesh, i);
}

void vertexShade(Mesh& mesh, const SceneCamera& camera, bool headlight, ShadeKind kind) {
    const auto k = static_cast<float>(mesh.diffuse), a = static_cast<float>(mesh.ambient);
    const size_t count = std::min(
        {mesh.faceData.size(), mesh.cameraVertices.size(), mesh.cameraVertexNormals.size()});
    const LightSource head = headlightSource(camera);
    for (size_t v = 0; v < count; ++v) {
        const Point3f& p = mesh.cameraVertices[v];
        const Point3f& n = mesh.cameraVertexNormals[v];
        // A running value in single precision, each light added (or subtracted) in turn.
        const float sign = kind == ShadeKind::GouraudLevel ? 1.0f : -1.0f;
        float value = kind == ShadeKind::GouraudLevel ? a : 255.0f - a;
        if (headlight) {
            value += sign * contribution(head, p, n, k);
        } else {
            for (const SceneLight* l : mesh.meshLights)
                if (l) value += sign * contribution(sceneLightSource(*l), p, n, k);
        }
        if (kind == ShadeKind::GouraudLevel && value > 255.0f) value = 255.0f;
        if (kind == ShadeKind::ShadeSubtract && value < 0.0f) value = 0.0f;
        mesh.faceData[v].shade = value;
    }
}

int32_t directionalShade(const Mesh& mesh, const scene3d::MeshFace& face) {
    if (mesh.meshLights.empty() || !mesh.meshLights[0]) return mesh.ambient;
    const float c = dot(mesh.cameraFaceNormals[static_cast<size_t>(face.index)],
                        mesh.meshLights[0]->towardLight);
    if (c < 0) return mesh.ambient;
    return truncToInt(static_cast<float>(mesh.ambient) + static_cast<float>(mesh.diffuse) * c);
}

} // namespace raster
