#include "scene3d/scene_prep.h"

#include <algorithm>

#include "platform/message_box.h"
#include "platform/random.h"
#include "scene3d/camera.h"
#include "scene3d/scene3ds_reader.h"

namespace scene3d {

void bindMaterials(Scene3ds& scene) {
    scene.materialImages.assign(scene.materialNames.size(), nullptr);
    for (size_t i = 0; i < scene.materialNames.size(); ++i) {
        auto image = std::make_unique<picture::LoadedImage32>();
        if (image->loadFrom("texture", scene.materialMapNames[i]) != picture::kLoaded) {
            // One random colour: red, green and blue from the low bytes of three calls.
            const uint32_t r = static_cast<uint32_t>(platform::nextRandom()) & 0xFF;
            const uint32_t g = static_cast<uint32_t>(platform::nextRandom()) & 0xFF;
            const uint32_t b = static_cast<uint32_t>(platform::nextRandom()) & 0xFF;
            image = std::make_unique<picture::LoadedImage32>();
            image->fileName = scene.materialMapNames[i];
            image->create(256, 256);
            std::fill_n(image->pixels, image->pixelCount(), r << 16 | g << 8 | b);
        }
        image->buildTiledCopy(); // only a 256 x 256 picture gets one
        scene.materialImages[i] = image.get();
        scene.ownedImages.push_back(std::move(image));
    }
    for (auto& m : scene.meshes) {
        if (!(m->flags & kHasFaces) || !(m->flags & kHasMapping)) continue;
        size_t match = scene.materialNames.size();
        for (size_t i = 0; i < scene.materialNames.size() && match == scene.materialNames.size();
             ++i)
            if (!m->materialName.empty() && scene.materialNames[i] == m->materialName) match = i;
        if (match < scene.materialNames.size()) {
            m->flags |= kTextureBound;
            m->texture = m->texture2 = m->texture3 = scene.materialImages[match];
        } else {
            m->flags &= ~kHasMapping;
            platform::messageBox("material list", "meshs[i]->name");
        }
    }
}

void prepareScene(Scene3ds& scene, const std::string& path, const ScenePreparation& how) {
    loadScene3ds(path, scene);
    prepareLoadedScene(scene, how);
}

void prepareLoadedScene(Scene3ds& scene, const ScenePreparation& how) {
    if (!how.camerasOnly) {
        scene.auxBuffer = ZeroedBuffer<uint8_t>(kSceneBufferBytes);
        scene.depthBuffer = DepthBuffer(kSceneBufferBytes / 4);
        // The part the frames use is touched now, not in the first frame.
        clearDepth(scene, kFrameDepthWords);
        scene.factor = 1.0f;
        for (auto& m : scene.meshes) {
            m->auxBuffer = &scene.auxBuffer;
            m->depthBuffer = &scene.depthBuffer;
            computeBounds(*m);
            computeCentre(*m);
            if (how.perFaceData) {
                m->faceData.assign(m->faces.size(), {});
                if (how.zeroShade)
                    for (FaceData& f : m->faceData)
                        f.shade = 0;
            }
            if (m->flags & kHasFaces) {
                computeFaceNormals(*m);
                computeVertexNormals(*m);
                buildEdges(*m);
            }
            m->renderMode = 11, m->ambient = 30, m->diffuse = 225, m->colour = 0xFFFFFF;
            m->shadeTable = how.shadeTable;
            m->pointSprite = nullptr, m->pointSpriteDistance = 1.0f;
            m->flags |= kSortFaces | kCullBackFaces;
            m->flags &= ~(kRejectWhole | kEnvironmentMap | kPartPlacement | kHeadlight);
            if (scene.lights.empty()) m->flags |= kHeadlight;
        }
        for (auto& c : scene.cameras)
            c->lightStart = 500, c->lightEnd = 800, c->lightHotspot = 40, c->lightFalloff = 60,
            c->spotMode = 0, c->spotSide = 0;
        if (how.bindMaterials) bindMaterials(scene);
    }
    for (auto& c : scene.cameras)
        setupCameraFromLens(*c, 512, 256);
}

} // namespace scene3d
