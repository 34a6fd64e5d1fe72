#include <gtest/gtest.h>

#include <cmath>

#include "scene3d/camera.h"

using namespace scene3d;

namespace {

SceneCamera cameraWithFov(float fov) {
    SceneCamera c;
    c.viewWidth = 512, c.viewHeight = 256, c.fov = fov;
    c.eye = {0, 0, -10}, c.target = {0, 0, 0};
    refreshCamera(c);
    return c;
}

} // namespace

TEST(Camera, LensTableAndFormula) {
    EXPECT_FLOAT_EQ(fovFromLens(50), 46);
    EXPECT_FLOAT_EQ(fovFromLens(20), 94.285713f);
    EXPECT_FLOAT_EQ(fovFromLens(40), 60);
    EXPECT_FLOAT_EQ(fovFromLens(0), 15.0f / 0.00001f * 160.0f);
    SceneCamera c;
    c.lens = 35;
    setupCameraFromLens(c, 512, 256);
    EXPECT_FLOAT_EQ(c.fov, 63);
    EXPECT_FLOAT_EQ(c.viewWidth, 512);
}

TEST(Camera, ProjectionAndTheOffScreenRules) {
    SceneCamera c = cameraWithFov(90);
    EXPECT_NEAR(c.scaleX, 256, 1e-3);
    EXPECT_NEAR(c.scaleY, 256, 1e-3);
    Point3f pts[] = {{0, 0, 10}, {0, 0, 0.5f}, {0, 0, -0.5f}, {1, 0, -2}};
    ProjectedVertex out[4];
    projectVertices(pts, out, 4, c);
    EXPECT_FLOAT_EQ(out[0].x, 256);
    EXPECT_FLOAT_EQ(out[0].y, 128);
    EXPECT_FLOAT_EQ(out[0].invZ, 0.1f);
    EXPECT_EQ(out[0].offScreen, 0);
    EXPECT_NE(out[1].offScreen, 0);
    EXPECT_FLOAT_EQ(pts[1].z, 1); // moved onto the camera plane
    EXPECT_FLOAT_EQ(pts[2].z, 1);
    EXPECT_FLOAT_EQ(pts[3].z, -2); // far enough behind: kept, projected mirrored
    EXPECT_LT(out[3].x, 256);
    EXPECT_NE(out[3].offScreen, 0);
    // Screen x: 0.5 is off, 1 is on, the view width is off.
    auto xAt = [&](float x) {
        Point3f p{(x - 256) / 256 * 10, 0, 10};
        ProjectedVertex v;
        projectVertices(&p, &v, 1, c);
        return v;
    };
    EXPECT_NE(xAt(0.5f).offScreen, 0);
    EXPECT_EQ(xAt(1.0f).offScreen, 0);
    EXPECT_NE(xAt(512.0f).offScreen, 0);
    Point3f behind{0, 0, 0};
    ProjectedVertex b;
    projectPoint(b, behind, c);
    EXPECT_FLOAT_EQ(behind.z, 0.0000001f);
    EXPECT_NE(b.offScreen, 0);
}

TEST(Camera, ViewAnglesAndMatrix) {
    SceneCamera c;
    c.viewWidth = 512, c.viewHeight = 256, c.fov = 60;
    c.eye = {10, 0, 0}, c.target = {0, 0, 0};
    refreshCamera(c);
    EXPECT_FLOAT_EQ(c.yaw, -4.712389f);
    EXPECT_FLOAT_EQ(c.pitch, 0);
    buildViewMatrix(c);
    // The target lies straight ahead, 10 units along +z of camera space.
    Point3f t;
    transformPoint(c.viewMatrix, t, c.target);
    EXPECT_NEAR(t.x, 0, 1e-4);
    EXPECT_NEAR(t.y, 0, 1e-4);
    EXPECT_NEAR(t.z, 10, 1e-4);
    // Looking down at the target from above and behind.
    c.eye = {0, 10, -10};
    refreshCamera(c);
    buildViewMatrix(c);
    transformPoint(c.viewMatrix, t, c.target);
    EXPECT_NEAR(t.x, 0, 1e-4);
    EXPECT_NEAR(t.y, 0, 1e-4);
    EXPECT_NEAR(t.z, std::sqrt(200.0f), 1e-3);
    // Straight along z from either side (dx exactly 0).
    for (float z : {-10.0f, 10.0f}) {
        c.eye = {0, 0, z};
        refreshCamera(c);
        buildViewMatrix(c);
        transformPoint(c.viewMatrix, t, c.target);
        EXPECT_NEAR(t.z, 10, 1e-4) << z;
    }
}

TEST(Camera, BoxCullingAgainstTheNearAndSidePlanes) {
    SceneCamera c = cameraWithFov(60);
    setIdentity(c.viewMatrix); // camera space = world space
    Mesh m;
    buildCube(m, 2);
    setIdentity(m.worldMatrix);
    auto visibleAt = [&](float x, float z) {
        m.worldMatrix[12] = x, m.worldMatrix[14] = z;
        transformBox(m, c);
        return boxVisible(m, c);
    };
    EXPECT_TRUE(visibleAt(0, 10));
    EXPECT_FALSE(visibleAt(0, -5));   // wholly behind the near plane
    EXPECT_TRUE(visibleAt(0, 0.5f));  // straddling it
    EXPECT_FALSE(visibleAt(100, 10)); // off to the right
    // Straddling the right-hand plane: x/z at the edge of a 60 degree view is tan 30.
    EXPECT_TRUE(visibleAt(10 * std::tan(0.5236f), 10));
    EXPECT_TRUE(visibleAt(0, 50000)); // the far plane is not tested
}

TEST(Camera, PlacementAndPainterOrder) {
    Mesh m;
    m.vertices = {{0, 0, 0}};
    m.angles = {0, 0, 1.5707964f};
    m.position = {5, 0, 0};
    m.scale = {2, 2, 2};
    placeMesh(m);
    Point3f p;
    transformPoint(m.worldMatrix, p, {1, 0, 0});
    EXPECT_NEAR(p.x, 5, 1e-5); // scaled to 2, turned onto +y, moved by 5
    EXPECT_NEAR(p.y, 2, 1e-5);

    std::vector<Point3f> v = {{0, 0, 1}, {0, 0, 5}, {0, 0, 9}, {0, 0, 3}};
    std::vector<MeshFace> faces = {
        {0, 0, 0, 0, 0, 0}, {1, 1, 1, 1, 0, 0}, {2, 2, 2, 2, 0, 0}, {3, 3, 3, 3, 0, 0}};
    std::vector<int32_t> list = {0, 1, 2, 3};
    sortFacesByDepth(list.data(), faces.data(), v.data(), list.size());
    EXPECT_EQ(list, (std::vector<int32_t>{2, 1, 3, 0}));
    EXPECT_FLOAT_EQ(faces[2].depthKey, 9 * 3 * 0.33333334f);
}

namespace {
// The list sorted in place through the faces, as the production has always sorted it.
void referenceSort(int32_t* list, const MeshFace* faces, ptrdiff_t lo, ptrdiff_t hi) {
    while (lo < hi) {
        const float pivot = faces[list[(lo + hi) / 2]].depthKey;
        ptrdiff_t i = lo, j = hi;
        while (i <= j) {
            while (faces[list[i]].depthKey > pivot)
                ++i;
            while (faces[list[j]].depthKey < pivot)
                --j;
            if (i <= j) std::swap(list[i++], list[j--]);
        }
        if (j - lo < hi - i) {
            referenceSort(list, faces, lo, j);
            lo = i;
        } else {
            referenceSort(list, faces, i, hi);
            hi = j;
        }
    }
}
} // namespace

TEST(Camera, FaceSortKeepsTheOrderOfEqualKeys) {
    // Quicksort is not stable: faces of equal depth must still come out in the one order the
    // production's pictures were made with, and distinct keys (sorted another way) in order.
    uint32_t seed = 99;
    for (int round = 0; round < 60; ++round) {
        const size_t n = 1 + static_cast<size_t>(round) * 7 % 300;
        std::vector<Point3f> v(n);
        std::vector<MeshFace> faces(n);
        for (size_t i = 0; i < n; ++i) {
            seed = seed * 1664525u + 1013904223u;
            // Many ties, or (every third round) keys of both signs that are seldom equal.
            const float z = round % 3 == 0 ? static_cast<float>(static_cast<int32_t>(seed)) * 1e-6f
                                           : static_cast<float>((seed >> 16) % (1 + round % 9));
            v[i] = {0, 0, z};
            const auto k = static_cast<int32_t>(i);
            faces[i] = {k, k, k, k, 0, 0};
        }
        if (round == 3 && n > 2) v[1].z = 0.0f, v[2].z = -0.0f; // equal keys of two signs
        if (round == 6 && n > 2) v[2].z = std::nanf("");
        std::vector<int32_t> list(n);
        for (size_t i = 0; i < n; ++i)
            list[i] = static_cast<int32_t>((i * 37 + static_cast<size_t>(round)) % n);
        std::vector<int32_t> want = list;
        sortFacesByDepth(list.data(), faces.data(), v.data(), n);
        referenceSort(want.data(), faces.data(), 0, static_cast<ptrdiff_t>(n) - 1);
        EXPECT_EQ(list, want) << "round " << round;
    }
}

TEST(Camera, TrackPlacementAndPartControlledPlacement) {
    Mesh m;
    m.tracks = defaultTrackSet();
    m.tracks.position.keys[0].value = {1, 2, 3, 0};
    updateMesh(m, 0);
    EXPECT_FLOAT_EQ(m.worldMatrix[12], 1);
    EXPECT_FLOAT_EQ(m.worldMatrix[0], 1); // default rotation: identity; default scale 1
    m.flags |= kPartPlacement;
    updateMesh(m, 0);
    EXPECT_FLOAT_EQ(m.worldMatrix[12], 0); // the track rotation only
    // The part's placement on top: turned again on every call without a new updateMesh.
    m.vertices = {{1, 0, 0}};
    m.angles = {0, 0, 1.5707964f};
    m.position = {0, 0, 0};
    m.scale = {1, 1, 1};
    SceneCamera c;
    setIdentity(c.viewMatrix);
    toCameraSpace(m, c);
    EXPECT_NEAR(m.cameraVertices[0].y, 1, 1e-5);
    toCameraSpace(m, c);
    EXPECT_NEAR(m.cameraVertices[0].x, -1, 1e-5);
}

TEST(Camera, APartsFrameStep) {
    SceneCamera c = cameraWithFov(60);
    c.eye = {0, 0, -10}, c.target = {0, 0, 0};
    finishCameraStep(c);
    beginCameraStep(c);
    // Through the view just built: the eye at the origin, looking along +z.
    EXPECT_NEAR(c.eyeView.z, 0, 1e-5);
    EXPECT_NEAR(c.targetView.z, 10, 1e-5);
    EXPECT_NEAR(c.viewDirection.z, 1, 1e-6);
    c.eye = {10, 0, 0}; // the part moves the eye
    finishCameraStep(c);
    EXPECT_FLOAT_EQ(c.yaw, -4.712389f);
    Point3f t;
    transformPoint(c.viewRotation, t,
                   {-10, 0, 0}); // the rotation alone turns the direction to the target
    EXPECT_NEAR(t.z, 10, 1e-4);
    transformPoint(c.viewMatrix, t, c.target);
    EXPECT_NEAR(t.z, 10, 1e-4);
}
