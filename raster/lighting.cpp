#include "raster/lighting.h"

#include <emmintrin.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

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

namespace {

// Four points and normals at once, lane by lane the same operations in the same order as
// contribution(), so every lane is bit for bit its result. Only the arc cosine is taken lane
// by lane, from the same library function.
struct Lanes {
    __m128 x, y, z;
};

__m128 select(__m128 mask, __m128 a, __m128 b) {
    return _mm_or_ps(_mm_and_ps(mask, a), _mm_andnot_ps(mask, b));
}

__m128 dot4(const Lanes& a, const Lanes& b) {
    return _mm_add_ps(_mm_add_ps(_mm_mul_ps(a.x, b.x), _mm_mul_ps(a.y, b.y)), _mm_mul_ps(a.z, b.z));
}

__m128 contribution4(const LightSource& l, const Lanes& p, const Lanes& n, float k) {
    const __m128 one = _mm_set1_ps(1), zero = _mm_setzero_ps();
    const Lanes r{_mm_sub_ps(p.x, _mm_set1_ps(l.position.x)),
                  _mm_sub_ps(p.y, _mm_set1_ps(l.position.y)),
                  _mm_sub_ps(p.z, _mm_set1_ps(l.position.z))};
    const __m128 d = _mm_sqrt_ps(dot4(r, r));
    const __m128 outer = _mm_set1_ps(l.outer), inner = _mm_set1_ps(l.inner);
    const __m128 lit = _mm_and_ps(_mm_cmplt_ps(d, outer), _mm_cmpneq_ps(d, zero));
    if (_mm_movemask_ps(lit) == 0) return zero;
    const Lanes dir{_mm_div_ps(r.x, d), _mm_div_ps(r.y, d), _mm_div_ps(r.z, d)};
    const __m128 c = dot4(n, dir);
    __m128 base = _mm_and_ps(_mm_cmpge_ps(c, zero), _mm_mul_ps(_mm_set1_ps(k), c));
    const __m128 fade = _mm_sub_ps(one, _mm_div_ps(_mm_sub_ps(d, inner), _mm_sub_ps(outer, inner)));
    base = select(_mm_cmpge_ps(d, inner), _mm_mul_ps(base, fade), base);
    if (l.spot) {
        const __m128 cosine =
            dot4(dir, {_mm_set1_ps(l.axis.x), _mm_set1_ps(l.axis.y), _mm_set1_ps(l.axis.z)});
        alignas(16) float cs[4], th[4];
        _mm_store_ps(cs, cosine);
        for (int i = 0; i < 4; ++i)
            th[i] = std::acos(cs[i] > 1 ? 1 : cs[i] < -1 ? -1 : cs[i]);
        const __m128 theta = _mm_load_ps(th);
        const __m128 hot = _mm_set1_ps(radians(l.hotspot)), fall = _mm_set1_ps(radians(l.falloff));
        const __m128 edge = _mm_mul_ps(
            base, _mm_sub_ps(one, _mm_div_ps(_mm_sub_ps(theta, hot), _mm_sub_ps(fall, hot))));
        const __m128 inEdge =
            l.spotSide ? _mm_castsi128_ps(_mm_set1_epi32(-1)) : _mm_cmpge_ps(theta, hot);
        base = select(inEdge, edge, base);
        base = _mm_andnot_ps(_mm_cmpge_ps(theta, fall), base);
    }
    return _mm_and_ps(lit, base);
}

// The mesh's own lights as sources; none when the headlight lights it instead.
std::vector<LightSource> meshLightSources(const Mesh& mesh, bool headlight) {
    std::vector<LightSource> lights;
    if (!headlight)
        for (const SceneLight* l : mesh.meshLights)
            if (l) lights.push_back(sceneLightSource(*l));
    return lights;
}

// truncToInt() lane by lane.
__m128i truncToInt4(__m128 v) {
    const __m128i t = _mm_cvttps_epi32(v); // INT32_MIN for NaN and out of range
    const __m128 high = _mm_cmpge_ps(v, _mm_set1_ps(2147483520.0f));
    const __m128i capped = _mm_castps_si128(
        select(high, _mm_castsi128_ps(_mm_set1_epi32(INT32_MAX)), _mm_castsi128_ps(t)));
    return _mm_andnot_si128(_mm_castps_si128(_mm_cmpunord_ps(v, v)), capped);
}

} // namespace

void faceColours(const Mesh& mesh, const SceneCamera& camera, std::span<const int32_t> list,
                 bool headlight, LightFrom from, uint32_t* out) {
    const auto k = static_cast<float>(mesh.diffuse);
    const LightSource head = headlightSource(camera);
    const std::vector<LightSource> lights = meshLightSources(mesh, headlight);
    for (size_t first = 0; first < list.size(); first += 4) {
        const size_t lanes = std::min<size_t>(4, list.size() - first);
        std::array<const scene3d::MeshFace*, 4> face{};
        for (size_t i = 0; i < 4; ++i) // idle lanes repeat the first face
            face[i] = &mesh.faces[static_cast<size_t>(list[first + (i < lanes ? i : 0)])];
        auto lane = [&](auto pick) {
            return _mm_setr_ps(pick(*face[0]), pick(*face[1]), pick(*face[2]), pick(*face[3]));
        };
        auto at = [&](const scene3d::MeshFace& f) -> const Point3f& {
            return from == LightFrom::ObjectCentre ? mesh.lightVector
                                                   : mesh.cameraVertices[static_cast<size_t>(f.a)];
        };
        auto normal = [&](const scene3d::MeshFace& f) -> const Point3f& {
            return mesh.cameraFaceNormals[static_cast<size_t>(f.index)];
        };
        const Lanes p{lane([&](const auto& f) { return at(f).x; }),
                      lane([&](const auto& f) { return at(f).y; }),
                      lane([&](const auto& f) { return at(f).z; })};
        const Lanes n{lane([&](const auto& f) { return normal(f).x; }),
                      lane([&](const auto& f) { return normal(f).y; }),
                      lane([&](const auto& f) { return normal(f).z; })};
        __m128i level = _mm_set1_epi32(mesh.ambient);
        if (headlight) {
            level = truncToInt4(_mm_add_ps(_mm_cvtepi32_ps(level), contribution4(head, p, n, k)));
        } else {
            for (const LightSource& l : lights)
                level = truncToInt4(_mm_add_ps(_mm_cvtepi32_ps(level), contribution4(l, p, n, k)));
        }
        alignas(16) int32_t levels[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(levels), level);
        for (size_t i = 0; i < lanes; ++i)
            out[first + i] = paletteAt(mesh, levels[i]);
    }
}

void vertexShade(Mesh& mesh, const SceneCamera& camera, bool headlight, ShadeKind kind,
                 std::span<const int32_t> which) {
    const auto k = static_cast<float>(mesh.diffuse), a = static_cast<float>(mesh.ambient);
    const size_t count = std::min(
        {mesh.faceData.size(), mesh.cameraVertices.size(), mesh.cameraVertexNormals.size()});
    const LightSource head = headlightSource(camera);
    const std::vector<LightSource> lights = meshLightSources(mesh, headlight);
    // A running value in single precision, each light added (or subtracted) in turn.
    const __m128 sign = _mm_set1_ps(kind == ShadeKind::GouraudLevel ? 1.0f : -1.0f);
    const __m128 start = _mm_set1_ps(kind == ShadeKind::GouraudLevel ? a : 255.0f - a);
    std::array<size_t, 4> at{};
    size_t lanes = 0;
    auto flush = [&] {
        for (size_t i = lanes; i < 4; ++i)
            at[i] = at[0]; // idle lanes repeat the first vertex
        auto lane = [&](const std::vector<Point3f>& v, float Point3f::*c) {
            return _mm_setr_ps(v[at[0]].*c, v[at[1]].*c, v[at[2]].*c, v[at[3]].*c);
        };
        const std::vector<Point3f>&pv = mesh.cameraVertices, &nv = mesh.cameraVertexNormals;
        const Lanes p{lane(pv, &Point3f::x), lane(pv, &Point3f::y), lane(pv, &Point3f::z)};
        const Lanes n{lane(nv, &Point3f::x), lane(nv, &Point3f::y), lane(nv, &Point3f::z)};
        __m128 value = start;
        if (headlight) {
            value = _mm_add_ps(value, _mm_mul_ps(sign, contribution4(head, p, n, k)));
        } else {
            for (const LightSource& l : lights)
                value = _mm_add_ps(value, _mm_mul_ps(sign, contribution4(l, p, n, k)));
        }
        if (kind == ShadeKind::GouraudLevel)
            value = select(_mm_cmpgt_ps(value, _mm_set1_ps(255)), _mm_set1_ps(255), value);
        else
            value = _mm_andnot_ps(_mm_cmplt_ps(value, _mm_setzero_ps()), value);
        alignas(16) float out[4];
        _mm_store_ps(out, value);
        for (size_t i = 0; i < lanes; ++i)
            mesh.faceData[at[i]].shade = out[i];
        lanes = 0;
    };
    for (const int32_t v : which) {
        if (v < 0 || static_cast<size_t>(v) >= count) continue;
        at[lanes++] = static_cast<size_t>(v);
        if (lanes == 4) flush();
    }
    if (lanes) flush();
}

void vertexShade(Mesh& mesh, const SceneCamera& camera, bool headlight, ShadeKind kind) {
    std::vector<int32_t> all(mesh.cameraVertices.size());
    for (size_t v = 0; v < all.size(); ++v)
        all[v] = static_cast<int32_t>(v);
    vertexShade(mesh, camera, headlight, kind, all);
}

int32_t directionalShade(const Mesh& mesh, const scene3d::MeshFace& face) {
    if (mesh.meshLights.empty() || !mesh.meshLights[0]) return mesh.ambient;
    const float c = dot(mesh.cameraFaceNormals[static_cast<size_t>(face.index)],
                        mesh.meshLights[0]->towardLight);
    if (c < 0) return mesh.ambient;
    return truncToInt(static_cast<float>(mesh.ambient) + static_cast<float>(mesh.diffuse) * c);
}

} // namespace raster
