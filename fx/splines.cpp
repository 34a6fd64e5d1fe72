#include "fx/splines.h"

namespace fx {

Point3f bSplinePoint(const Point3f* c, int a, int k) {
    return bSplineSegmentPoint(c + a / k, static_cast<float>(a % k) / static_cast<float>(k));
}

Point3f bSplineSegmentPoint(const Point3f* p, float t) {
    const float t2 = t * t, t3 = t2 * t;
    const float b0 = (1 - t) * (1 - t) * (1 - t) / 6, b1 = (3 * t3 - 6 * t2 + 4) / 6,
                b2 = (-3 * t3 + 3 * t2 + 3 * t + 1) / 6, b3 = t3 / 6;
    return {b0 * p[0].x + b1 * p[1].x + b2 * p[2].x + b3 * p[3].x,
            b0 * p[0].y + b1 * p[1].y + b2 * p[2].y + b3 * p[3].y,
            b0 * p[0].z + b1 * p[1].z + b2 * p[2].z + b3 * p[3].z};
}

Point3f catmullRomPoint(const Point3f& p0, const Point3f& p1, const Point3f& p2, const Point3f& p3,
                        float t) {
    const float t2 = t * t, t3 = t2 * t;
    const float h00 = 2 * t3 - 3 * t2 + 1, h10 = t3 - 2 * t2 + t, h01 = 3 * t2 - 2 * t3,
                h11 = t3 - t2;
    auto mix = [&](float a0, float a1, float a2, float a3) {
        return h00 * a1 + h10 * (a2 - a0) / 2 + h01 * a2 + h11 * (a3 - a1) / 2;
    };
    return {mix(p0.x, p1.x, p2.x, p3.x), mix(p0.y, p1.y, p2.y, p3.y), mix(p0.z, p1.z, p2.z, p3.z)};
}

std::vector<Point3f> sampleBSpline(const std::vector<Point3f>& control, int k) {
    std::vector<Point3f> out;
    if (control.size() < 4 || k <= 0) return out;
    const int count = static_cast<int>(control.size() - 3) * k;
    out.reserve(static_cast<size_t>(count));
    for (int a = 0; a < count; ++a)
        out.push_back(bSplinePoint(control.data(), a, k));
    return out;
}

} // namespace fx
