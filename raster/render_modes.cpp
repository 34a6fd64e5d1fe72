#include "raster/render_modes.h"

#include <algorithm>

#include "platform/message_box.h"
#include "raster/flat_fillers.h"
#include "raster/gouraud_fillers.h"
#include "raster/texture_fillers.h"

namespace raster {

namespace {

// Adapters from the fillers' own signatures to the two a row holds.
template <void (*F)(const Target&, const ScreenVertex*, int, uint32_t)>
void flat(const Target& t, const ScreenVertex* v, int n, const FaceInk& ink) {
    F(t, v, n, ink.colour);
}
template <void (*F)(const Target&, const ScreenVertex*, int, const uint32_t*)>
void gouraud(const Target& t, const ScreenVertex* v, int n, const FaceInk& ink) {
    F(t, v, n, ink.palette);
}
template <void (*F)(const Target&, const uint32_t*, const ScreenVertex*, int)>
void mapped(const Target& t, const ScreenVertex* v, int n, const FaceInk& ink) {
    F(t, ink.texture, v, n);
}
template <void (*F)(const Target&, const uint32_t*, const uint32_t*, const ScreenVertex*, int)>
void shaded(const Target& t, const ScreenVertex* v, int n, const FaceInk& ink) {
    F(t, ink.texture, ink.greyRamp, v, n);
}

void gouraudTriangle(const Target& t, const ScreenVertex* v, const Gradients& g,
                     const FaceInk& ink) {
    fillGouraudTriangle(t, v, ink.palette, g[0]);
}
void gouraudZTriangle(const Target& t, const ScreenVertex* v, const Gradients& g,
                      const FaceInk& ink) {
    fillGouraudZTriangle(t, v, ink.palette, g[0], g[1]);
}
void mapTriangle(const Target& t, const ScreenVertex* v, const Gradients& g, const FaceInk& ink) {
    fillMapTriangle(t, ink.texture, v, {g[0], g[1]});
}
void mapZTriangle(const Target& t, const ScreenVertex* v, const Gradients& g, const FaceInk& ink) {
    fillMapZTriangle(t, ink.texture, v, {g[0], g[1], g[2]});
}
void pmapTriangle(const Target& t, const ScreenVertex* v, const Gradients& g, const FaceInk& ink) {
    fillPmapTriangle(t, ink.texture, v, {g[0], g[1], g[2]});
}
void shadeTriangle(const Target& t, const ScreenVertex* v, const Gradients& g, const FaceInk& ink) {
    fillPmapZShadePsubTriangle(t, ink.texture, ink.greyRamp, v, {g[0], g[1], g[2], g[3]});
}

void nothing(const Target&, const ScreenVertex*, int, const FaceInk&) {}

constexpr bool T = true, F = false;
using B = Blend;
using C = Cull;
using Fc = FaceColour;
using Fm = Family;

// id, name, family, depth test, depth write, blend, culling, drawn after the opaque meshes,
// textured, sort offered, face colour, filler, triangle filler.
constexpr ModeTraits kRows[] = {
    {25, "MAP", Fm::Map, F, F, B::Copy, C::Always, F, T, T, Fc::None, mapped<fillMap>, mapTriangle},
    {26, "MAPTRANSADD", Fm::Map, F, F, B::Add, C::WhenFlagged, T, T, F, Fc::None,
     mapped<fillMapTransAdd>, nullptr},
    {27, "MAPTRANSDIV", Fm::Map, F, F, B::Div, C::WhenFlagged, T, T, T, Fc::None,
     mapped<fillMapTransDiv>, nullptr},
    {30, "MAPZ", Fm::MapZ, T, T, B::Copy, C::Always, F, T, F, Fc::None, mapped<fillMapZ>,
     mapZTriangle},
    {31, "MAPZTRANSADD", Fm::MapZ, T, F, B::Add, C::WhenFlagged, T, T, F, Fc::None,
     mapped<fillMapZTransAdd>, nullptr},
    {32, "MAPZTRANSDIV", Fm::MapZ, T, F, B::Div, C::WhenFlagged, T, T, T, Fc::None,
     mapped<fillMapZTransDiv>, nullptr},
    {35, "PMAP", Fm::Pmap, F, F, B::Copy, C::Always, F, T, T, Fc::None, mapped<fillPmap>,
     pmapTriangle},
    {36, "PMAPTRANSADD", Fm::Pmap, F, F, B::Add, C::WhenFlagged, T, T, F, Fc::None,
     mapped<fillPmapTransAdd>, nullptr},
    {37, "PMAPTRANSDIV", Fm::Pmap, F, F, B::Div, C::WhenFlagged, T, T, T, Fc::None,
     mapped<fillPmapTransDiv>, nullptr},
    {40, "PMAPZ", Fm::PmapZ, T, T, B::Copy, C::Always, F, T, F, Fc::None, mapped<fillPmapZ>,
     nullptr},
    {41, "PMAPZTRANSADD", Fm::PmapZ, T, F, B::Add, C::WhenFlagged, T, T, F, Fc::None,
     mapped<fillPmapZTransAdd>, nullptr},
    {42, "PMAPZTRANSDIV", Fm::PmapZ, T, F, B::Div, C::WhenFlagged, T, T, T, Fc::None,
     mapped<fillPmapZTransDiv>, nullptr},
    {45, "PMAPZ_SHADE_PSUB", Fm::Shade, T, T, B::Copy, C::Always, F, T, F, Fc::None,
     shaded<fillPmapZShadePsub>, shadeTriangle},
    {46, "PMAPZTRANSADD_SHADE_PSUB", Fm::Shade, T, F, B::Add, C::WhenFlagged, T, T, F, Fc::None,
     shaded<fillPmapZTransAddShadePsub>, nullptr},
    {47, "PMAPZTRANSDIV_SHADE_PSUB", Fm::Shade, T, F, B::Div, C::WhenFlagged, T, T, T, Fc::None,
     shaded<fillPmapZTransDivShadePsub>, nullptr},
    {1, "POINT_IMG8", Fm::Points, T, F, B::Add, C::Never, T, F, F, Fc::None, nothing, nullptr},
    {11, "LINE_AA", Fm::Lines, F, F, B::Copy, C::Never, T, F, F, Fc::None, nothing, nullptr},
    {12, "LINE_AAZ", Fm::LinesZ, T, F, B::Copy, C::Never, T, F, F, Fc::None, nothing, nullptr},
    {70, "FLAT", Fm::Flat, F, F, B::Copy, C::Always, F, F, T, Fc::Lit, flat<fillFlat>, nullptr},
    {71, "FLATTRANSADD", Fm::Flat, F, F, B::Add, C::WhenFlagged, T, F, F, Fc::LitFirstVertex,
     flat<fillFlatTransAdd>, nullptr},
    {72, "FLATTRANSDIV", Fm::Flat, F, F, B::Div, C::WhenFlagged, T, F, T, Fc::LitFirstVertex,
     flat<fillFlatTransDiv>, nullptr},
    {73, "FLATZ", Fm::FlatZ, T, T, B::Copy, C::Always, F, F, F, Fc::LitOrConstant, flat<fillFlatZ>,
     nullptr},
    {74, "FLATZTRANSADD", Fm::FlatZ, T, F, B::Add, C::WhenFlagged, T, F, F, Fc::Lit,
     flat<fillFlatZTransAdd>, nullptr},
    {75, "FLATZTRANSDIV", Fm::FlatZ, T, F, B::Div, C::WhenFlagged, T, F, T, Fc::Lit,
     flat<fillFlatZTransDiv>, nullptr},
    {80, "GOURAUD", Fm::Gouraud, F, F, B::Copy, C::Always, F, F, T, Fc::None, gouraud<fillGouraud>,
     gouraudTriangle},
    {81, "GOURAUDTRANSADD", Fm::Gouraud, F, F, B::Add, C::WhenFlagged, T, F, F, Fc::None,
     gouraud<fillGouraudTransAdd>, nullptr},
    {82, "GOURAUDTRANSDIV", Fm::Gouraud, F, F, B::Div, C::WhenFlagged, T, F, T, Fc::None,
     gouraud<fillGouraudTransDiv>, nullptr},
    {83, "GOURAUDZ", Fm::GouraudZ, T, T, B::Copy, C::Always, F, F, F, Fc::None,
     gouraud<fillGouraudZ>, gouraudZTriangle},
    {84, "GOURAUDZTRANSADD", Fm::GouraudZ, T, F, B::Add, C::WhenFlagged, T, F, F, Fc::None,
     gouraud<fillGouraudZTransAdd>, nullptr},
    {85, "GOURAUDZTRANSDIV", Fm::GouraudZ, T, F, B::Div, C::WhenFlagged, T, F, T, Fc::None,
     gouraud<fillGouraudZTransDiv>, nullptr},
    {kFlatFadeAdd, nullptr, Fm::Flat, F, F, B::Add, C::Never, F, F, F, Fc::DirectionalFaded,
     flat<fillFlatTransAdd>, nullptr},
    {kFlatDirectional, nullptr, Fm::Flat, F, F, B::Copy, C::Always, F, F, T, Fc::Directional,
     flat<fillFlat>, nullptr},
    {kHiddenMode, nullptr, Fm::Hidden, F, F, B::Copy, C::Never, F, F, F, Fc::None, nothing,
     nullptr},
};

constexpr size_t kNamed = 30;
static_assert(std::size(kRows) == kNamed + 3);

} // namespace

std::span<const ModeTraits> renderModes() {
    return kRows;
}

const ModeTraits* modeTraits(int32_t id) {
    for (const ModeTraits& m : kRows)
        if (m.id == id) return &m;
    return nullptr;
}

int32_t lookupRenderMode(std::string_view name) {
    for (size_t i = 0; i < kNamed; ++i)
        if (name == kRows[i].name) return kRows[i].id;
    return -1;
}

int32_t findRenderMode(const std::string& name) {
    const int32_t id = lookupRenderMode(name);
    if (id < 0) {
        platform::messageBox(name, "mode not found");
        platform::fatalExit(-1);
    }
    return id;
}

bool isTextureMode(int32_t id) {
    const ModeTraits* m = modeTraits(id);
    return m && m->textured;
}

bool drawnAfterOpaque(int32_t id) {
    const ModeTraits* m = modeTraits(id);
    return m && m->drawnAfterOpaque;
}

} // namespace raster
