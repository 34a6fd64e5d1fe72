#pragma once
// The camera: projection factors, frustum and view; meshes into camera space and onto the
// screen; culling by bounding box; faces in painter's order. Camera space looks along +z,
// +y up on the screen, the origin of the screen at the top-left corner of the view.
#include <cstddef>

#include "scene3d/scene.h"

namespace scene3d {

// The field of view of a lens in degrees: the table's value for the lenses it names exactly,
// else 15 / lens * 160 (a lens of 0 counts as 0.00001).
float fovFromLens(float lens);

void setupCameraFromLens(SceneCamera& camera, float width, float height);
void setupCamera(SceneCamera& camera, float eyeX, float eyeY, float eyeZ, float fov, float width,
                 float height);
// Projection factors, frustum, view angles, view rotation, from the current fov, eye and target.
void refreshCamera(SceneCamera& camera);
void updateProjection(SceneCamera& camera);
void buildFrustum(SceneCamera& camera);
void updateViewAngles(SceneCamera& camera);
void buildViewRotation(SceneCamera& camera);
void buildViewMatrix(SceneCamera& camera);

// A part's camera step, in two halves around its own motion of eye and target:
// begin: eyeView and targetView through the old view matrix, viewDirection between them,
// then the frustum (after any override of the projection factors);
// finish: view angles, view rotation (kept in viewRotation), view matrix.
void beginCameraStep(SceneCamera& camera);
void finishCameraStep(SceneCamera& camera);

void placeMesh(Mesh& mesh);
void toCameraSpace(Mesh& mesh, const SceneCamera& camera);
void turnFaceNormals(Mesh& mesh);
void turnVertexNormals(Mesh& mesh);
// Points with z below 1 are marked off-screen; those within 1 of the camera plane are moved
// onto it (written back).
void projectVertices(Point3f* points, ProjectedVertex* projected, size_t count,
                     const SceneCamera& camera);
void projectPoint(ProjectedVertex& out, Point3f& point, const SceneCamera& camera);

void transformBox(Mesh& mesh, const SceneCamera& camera);
// False when all eight corners lie outside one of the near and side planes.
bool boxVisible(const Mesh& mesh, const SceneCamera& camera);

// Farthest first by the mean camera-space z of each face's corners.
void sortFacesByDepth(int32_t* drawList, MeshFace* faces, const Point3f* cameraVertices,
                      size_t count);

// Placement at frame t from the tracks: a mesh or dummy, and a whole scene.
void updateMesh(Mesh& mesh, float t);
void updateScene(Scene3ds& scene, float t);

} // namespace scene3d
