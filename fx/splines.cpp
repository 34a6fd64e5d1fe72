#include "fx/splines.h"

namespace fx {

Point3f bSplinePoint(const Point3f* c, int a, int k) {
    const int s = a / k;
    const float t = static_cast<float>(a % k) / static_cast<float>(k), t2 = t * t, t3 = t2 * t;
    const float b0 = (1 - t) * (1 - t) * (1 - t) / 6, b1 = (3 * t3 - 6 * t2 + 4) / 6, b2 = (-3 * t3 + 3 * t2 + 3 * t + 1) / 6,
                b3 = t3 / 6;
    const Point3f* p = c + s;
    return {b0 * p[0].x + b1 * p[1].x + b2 * p[2].x + b3 * p[3].x, b0 * p[0].y + b1 * p[1].y + b2 * p[2].y + b3 * p[3].y,
            b0 * p[0].z + b1 * p[1].z + b2 * p[2].z + b3 * p[3].z};
}

std::vector<Point3f> sampleBSpline(const std::vector<Point3f>& control, int k) {
    std::vector<Point3f> out;
    if (control.size() < 4 || k <= 0) return out;
    const int count = static_cast<int>(control.size() - 3) * k;
    out.reserve(static_cast<size_t>(count));
    for (int a = 0; a < count; ++a) out.push_back(bSplinePoint(control.data(), a, k));
    return out;
}

} // namespace fx
