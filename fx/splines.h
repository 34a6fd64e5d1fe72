#pragma once
// Paths through control points: the uniform cubic B-spline of the particle paths, sky spirals
// and comet trails, and the Catmull-Rom curve of the fountains, rails and streams.
#include <vector>

#include "scene3d/math3d.h"

namespace fx {

using scene3d::Point3f;

// Sample a of a spline with k samples per segment: segment a div k at t = (a mod k) / k, the
// weighted sum of control points s .. s + 3. The caller keeps a within (m - 3) k.
Point3f bSplinePoint(const Point3f* control, int a, int samplesPerSegment);

// The segment of the B-spline over p[0] .. p[3] at t in [0, 1).
Point3f bSplineSegmentPoint(const Point3f* p, float t);

// The Catmull-Rom curve from p1 (t = 0) to p2 (t = 1), its tangents (p2 - p0) / 2 and
// (p3 - p1) / 2, through the cubic Hermite weights.
Point3f catmullRomPoint(const Point3f& p0, const Point3f& p1, const Point3f& p2, const Point3f& p3,
                        float t);

// Every sample: (m - 3) k points for m control points (none for fewer than 4).
std::vector<Point3f> sampleBSpline(const std::vector<Point3f>& control, int samplesPerSegment);

} // namespace fx
