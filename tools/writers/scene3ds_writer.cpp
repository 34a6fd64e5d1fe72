#include "tools/writers/scene3ds_writer.h"

#include <lib3ds/camera.h>
#include <lib3ds/file.h>
#include <lib3ds/light.h>
#include <lib3ds/material.h>
#include <lib3ds/mesh.h>
#include <lib3ds/node.h>
#include <lib3ds/tracks.h>

#include <cstring>

namespace writers {

namespace {

void copyName(char* out, const std::string& name) {
    std::strncpy(out, name.c_str(), 63);
    out[63] = '\0';
}

void copy(Lib3dsVector out, const Vec3& v) {
    out[0] = v[0], out[1] = v[1], out[2] = v[2];
}

void setTcb(Lib3dsTcb& tcb, const Key3ds& k) {
    tcb.frame = static_cast<Lib3dsIntd>(k.frame);
    tcb.tens = k.tension, tcb.cont = k.continuity, tcb.bias = k.bias;
    tcb.ease_to = k.easeTo, tcb.ease_from = k.easeFrom;
    tcb.flags = static_cast<Lib3dsWord>(
        (k.tension != 0 ? LIB3DS_USE_TENSION : 0) |
        (k.continuity != 0 ? LIB3DS_USE_CONTINUITY : 0) | (k.bias != 0 ? LIB3DS_USE_BIAS : 0) |
        (k.easeTo != 0 ? LIB3DS_USE_EASE_TO : 0) | (k.easeFrom != 0 ? LIB3DS_USE_EASE_FROM : 0));
}

void vectorTrack(Lib3dsLin3Track& track, const std::vector<VectorKey3ds>& keys) {
    for (const VectorKey3ds& k : keys) {
        Lib3dsLin3Key* key = lib3ds_lin3_key_new();
        setTcb(key->tcb, k);
        copy(key->value, k.value);
        lib3ds_lin3_track_insert(&track, key);
    }
}

void floatTrack(Lib3dsLin1Track& track, const std::vector<FloatKey3ds>& keys) {
    for (const FloatKey3ds& k : keys) {
        Lib3dsLin1Key* key = lib3ds_lin1_key_new();
        setTcb(key->tcb, k);
        key->value = k.value;
        lib3ds_lin1_track_insert(&track, key);
    }
}

void rotationTrack(Lib3dsQuatTrack& track, const std::vector<RotationKey3ds>& keys) {
    for (const RotationKey3ds& k : keys) {
        Lib3dsQuatKey* key = lib3ds_quat_key_new();
        setTcb(key->tcb, k);
        key->angle = k.angle;
        copy(key->axis, k.axis);
        lib3ds_quat_track_insert(&track, key);
    }
}

Lib3dsNode* makeNode(const Node3ds& n) {
    using T = Node3ds::Type;
    Lib3dsNode* node = nullptr;
    switch (n.type) {
    case T::Object:
    case T::Dummy: {
        node = lib3ds_node_new_object();
        Lib3dsObjectData& d = node->data.object;
        copy(d.pivot, n.pivot);
        if (n.type == T::Dummy) copyName(d.instance, n.instance);
        vectorTrack(d.pos_track, n.position);
        rotationTrack(d.rot_track, n.rotation);
        vectorTrack(d.scl_track, n.scale);
        break;
    }
    case T::Camera:
        node = lib3ds_node_new_camera();
        vectorTrack(node->data.camera.pos_track, n.position);
        floatTrack(node->data.camera.fov_track, n.fov);
        floatTrack(node->data.camera.roll_track, n.roll);
        break;
    case T::CameraTarget:
    case T::LightTarget:
        node = lib3ds_node_new_target();
        if (n.type == T::LightTarget) node->type = LIB3DS_SPOT_NODE;
        vectorTrack(node->data.target.pos_track, n.position);
        break;
    case T::OmniLight:
        node = lib3ds_node_new_light();
        vectorTrack(node->data.light.pos_track, n.position);
        break;
    case T::SpotLight:
        node = lib3ds_node_new_light();
        vectorTrack(node->data.light.pos_track, n.position);
        break;
    }
    node->node_id = n.id;
    node->parent_id = n.parent;
    copyName(node->name, n.type == T::Dummy ? "$$$DUMMY" : n.name);
    return node;
}

} // namespace

bool writeScene3ds(const std::string& path, const Scene3dsFile& scene) {
    Lib3dsFile* file = lib3ds_file_new();
    if (!file) return false;
    for (const Material3ds& m : scene.materials) {
        Lib3dsMaterial* material = lib3ds_material_new();
        copyName(material->name, m.name);
        if (!m.textureFile.empty()) {
            copyName(material->texture1_map.name, m.textureFile);
            material->texture1_map.percent = 1.0f;
        }
        lib3ds_file_insert_material(file, material);
    }
    for (const Mesh3ds& m : scene.meshes) {
        Lib3dsMesh* mesh = lib3ds_mesh_new(m.name.c_str());
        lib3ds_mesh_new_point_list(mesh, static_cast<Lib3dsDword>(m.vertices.size()));
        for (size_t i = 0; i < m.vertices.size(); ++i)
            copy(mesh->pointL[i].pos, m.vertices[i]);
        lib3ds_mesh_new_face_list(mesh, static_cast<Lib3dsDword>(m.faces.size()));
        for (size_t i = 0; i < m.faces.size(); ++i) {
            for (int k = 0; k < 3; ++k)
                mesh->faceL[i].points[k] = m.faces[i][static_cast<size_t>(k)];
            mesh->faceL[i].flags = 7; // all three edges visible
            copyName(mesh->faceL[i].material, m.material);
        }
        if (!m.mapping.empty()) {
            lib3ds_mesh_new_texel_list(mesh, static_cast<Lib3dsDword>(m.mapping.size()));
            for (size_t i = 0; i < m.mapping.size(); ++i)
                mesh->texelL[i][0] = m.mapping[i][0], mesh->texelL[i][1] = m.mapping[i][1];
        }
        for (int a = 0; a < 4; ++a)
            for (int k = 0; k < 3; ++k)
                mesh->matrix[a][k] = m.axes[static_cast<size_t>(a)][static_cast<size_t>(k)];
        mesh->matrix[3][3] = 1.0f;
        lib3ds_file_insert_mesh(file, mesh);
    }
    for (const Light3ds& l : scene.lights) {
        Lib3dsLight* light = lib3ds_light_new(l.name.c_str());
        copy(light->position, l.position);
        copy(light->color, l.colour);
        light->spot_light = l.spot;
        copy(light->spot, l.target);
        light->hot_spot = l.hotspot, light->fall_off = l.falloff;
        light->inner_range = l.innerRange, light->outer_range = l.outerRange,
        light->multiplier = l.multiplier;
        lib3ds_file_insert_light(file, light);
    }
    for (const Camera3ds& c : scene.cameras) {
        Lib3dsCamera* camera = lib3ds_camera_new(c.name.c_str());
        copy(camera->position, c.position);
        copy(camera->target, c.target);
        camera->roll = c.bank;
        camera->fov = 2400.0f / c.lens;
        lib3ds_file_insert_camera(file, camera);
    }
    file->segment_from = static_cast<Lib3dsIntd>(scene.startFrame);
    file->segment_to = static_cast<Lib3dsIntd>(scene.endFrame);
    file->frames = static_cast<Lib3dsIntd>(scene.endFrame - scene.startFrame);
    // Parents first: lib3ds hangs a node under the node with its parent id.
    for (const Node3ds& n : scene.nodes)
        lib3ds_file_insert_node(file, makeNode(n));
    const bool ok = lib3ds_file_save(file, path.c_str()) != 0;
    lib3ds_file_free(file);
    return ok;
}

} // namespace writers
