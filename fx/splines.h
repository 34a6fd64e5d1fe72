#pragma once
// Paths through control points: the uniform cubic B-spline the parts' particle paths, sky
// spirals and comet trails follow.
#include <vector>

#include "scene3d/math3d.h"

namespace fx {

using scene3d::Point3f;

// Sample a of a spline with k samples per segment: segment a div k at t = (a mod k) / k, the
// weighted sum of control points s .. s + 3. The caller keeps a within (m - 3) k.
Point3f bSplinePoint(const Point3f* control, int a, int samplesPerSegment);

// Every sample: (m - 3) k points for m control points (none for fewer than 4).
std::vector<Point3f> sampleBSpline(const std::vector<Point3f>& control, int samplesPerSegment);

} // namespace fx
