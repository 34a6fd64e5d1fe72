#include "app/data_check.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>

#include "app/options.h"
#include "fx/scene_description.h"
#include "launcher/launcher.h"
#include "picture/file_bytes.h"
#include "picture/image32.h"
#include "picture/image8.h"
#include "picture/palette.h"
#include "platform/audio_stream.h"
#include "platform/message_box.h"
#include "scene3d/scene3ds_reader.h"
#include "scene3d/scene_prep.h"
#include "sound/demo_context.h"

namespace app {

namespace {

enum class Kind {
    Scene,
    Description,
    Picture32,
    Picture8,
    AnyPicture,
    Texture,
    Palette,
    Sync,
    Soundtrack,
    Text
};

struct Wanted {
    const char* file;
    Kind kind;
    bool fatal;
};

// The files the built screens and parts name, with what happens when one is unusable: the
// loaders end the program for most; the launcher's and the loading screen's pictures, part
// 1's flare and the information text are shown as far as they go.
constexpr Wanted kWanted[] = {
    {"../vantrel.mp3", Kind::Soundtrack, true},
    {"other/s0", Kind::Sync, true},
    {"other/s3", Kind::Sync, true},
    {"other/s4", Kind::Sync, true},
    {"other/s7", Kind::Sync, true},
    {"image/loading01.tga", Kind::Picture32, false},
    {"image/loading02.tga", Kind::Picture32, false},
    {"image/loading03.tga", Kind::Picture32, false},
    {"image/loadingText.tga", Kind::Picture32, false},
    {"dlg/dlg.3ds", Kind::Scene, true},
    {"dlg/dlg", Kind::Description, true},
    {"dlg/foreground.jpg", Kind::Picture32, false},
    {"dlg/bck.jpg", Kind::Picture32, false},
    {"dlg/bck.tga", Kind::Picture8, false},
    {"dlg/font.tga", Kind::Picture32, false},
    {"dlg/nfo01.jpg", Kind::Picture32, false},
    {"dlg/nfo02.jpg", Kind::Picture32, false},
    {"dlg/start01.jpg", Kind::Picture32, false},
    {"dlg/start02.jpg", Kind::Picture32, false},
    {"dlg/nfoBck.jpg", Kind::Picture32, false},
    {"dlg/scrollUp.jpg", Kind::Picture32, false},
    {"dlg/scrollDown.jpg", Kind::Picture32, false},
    {"dlg/exit.jpg", Kind::Picture32, false},
    {"../corvane.nfo", Kind::Text, false},
    {"image/flare32.jpg", Kind::Picture32, false},
    {"palette/blue.pal", Kind::Palette, true},
    {"3D/p1.3ds", Kind::Scene, true},
};

std::string lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

class Checker {
  public:
    std::vector<DataProblem> problems;
    int checked = 0;

    void check(const std::string& file, Kind kind, bool fatal) {
        if (!seen_.insert(file).second) return;
        ++checked;
        const std::string problem = problemOf(file, kind);
        if (!problem.empty()) problems.push_back({file, problem, fatal});
    }

    bool seen(const std::string& file) const { return seen_.count(file) != 0; }

  private:
    std::set<std::string> seen_;

    std::string problemOf(const std::string& file, Kind kind) {
        switch (kind) {
        case Kind::Soundtrack: {
            std::string error;
            return platform::openMp3Stream(file, false, error) ? std::string() : error;
        }
        case Kind::Sync: {
            const std::string p = sound::syncFileProblem(file);
            // The sync reader's text names the file itself.
            return p.rfind(file + ": ", 0) == 0 ? p.substr(file.size() + 2)
                   : p.empty()                  ? p
                                                : "file doesn't exist";
        }
        case Kind::Scene:
            return sceneProblem(file);
        case Kind::Description:
            return descriptionProblem(file);
        case Kind::Palette: {
            picture::ColourTable table{};
            const int r = picture::loadPaletteFile(file, table);
            return r == picture::kPaletteLoaded ? std::string() : picture::paletteProblem(r);
        }
        case Kind::Text: {
            std::vector<uint8_t> bytes;
            if (!picture::readFileBytes(file, bytes)) return "file doesn't exist";
            return launcher::viewerTextProblem(bytes.data(), bytes.size());
        }
        default:
            return pictureProblem(file, kind);
        }
    }

    std::string pictureProblem(const std::string& file, Kind kind) {
        std::vector<uint8_t> bytes;
        if (!picture::readFileBytes(file, bytes)) return "file doesn't exist";
        const std::string ext = picture::upperExtension(file);
        std::string message;
        picture::LoadResult r = picture::kExtensionNotSupported;
        picture::Image32 image;
        picture::Image8 indexed;
        if (kind == Kind::Picture8) {
            if (ext == "TGA") r = picture::readTga8(bytes.data(), bytes.size(), indexed);
            if (ext == "PCX") r = picture::readPcx(bytes.data(), bytes.size(), indexed);
        } else if (ext == "JPG") {
            r = picture::readJpeg(bytes.data(), bytes.size(), image, nullptr, &message);
        } else if (ext == "BMP") {
            r = picture::readBmp(bytes.data(), bytes.size(), image);
        } else if (ext == "TGA") {
            r = picture::readTga24(bytes.data(), bytes.size(), image);
            // A picture of the folder whose use is not known: either kind of TGA will do.
            if (kind == Kind::AnyPicture &&
                (r == picture::kModeNotSupported || r == picture::kNot24Bit))
                r = picture::readTga8(bytes.data(), bytes.size(), indexed);
        } else if (ext == "PCX" && kind == Kind::AnyPicture) {
            r = picture::readPcx(bytes.data(), bytes.size(), indexed);
        }
        if (r == picture::kLoaded && kind == Kind::Texture &&
            (image.width != 256 || image.height != 256))
            r = picture::kNotTexture;
        if (r == picture::kLoaded) return {};
        std::string text = picture::loadResultText(r);
        if (!message.empty()) text += " (" + message + ")";
        return text;
    }

    std::string sceneProblem(const std::string& file) {
        scene3d::Scene3ds scene;
        return readScene(file, scene);
    }

    std::string readScene(const std::string& file, scene3d::Scene3ds& scene) {
        std::vector<uint8_t> bytes;
        if (!picture::readFileBytes(file, bytes)) return "File doesn't exist !";
        scene3d::LightCarry carry;
        std::string problem;
        if (!scene3d::parseScene3ds(bytes.data(), bytes.size(), scene, carry, problem))
            return problem;
        scene3d::prepareLoadedScene(scene, {});
        return {};
    }

    // The description of the scene beside it, and the textures and palettes it names.
    std::string descriptionProblem(const std::string& file) {
        std::string scenePath;
        for (const char* ext : {".3ds", ".3DS"})
            if (std::filesystem::exists(file + ext)) scenePath = file + ext;
        scene3d::Scene3ds scene;
        if (scenePath.empty() || !readScene(scenePath, scene).empty())
            return "its scene is missing or refused";
        std::vector<uint8_t> bytes;
        if (!picture::readFileBytes(file, bytes)) return "Can't open file " + file + " !";
        fx::SceneDescription d;
        int line = 0;
        std::string problem;
        if (!fx::parseSceneDescription(std::string(bytes.begin(), bytes.end()), scene.meshes.size(),
                                       scene.cameras.size(), d, line, problem))
            return "line " + std::to_string(line) + ": " + problem;
        for (const fx::MeshDescription& m : d.meshes) {
            if (m.texture != "noOne") check("texture/" + m.texture, Kind::Texture, true);
            if (m.palette != "noOne") check("palette/" + m.palette, Kind::Palette, true);
        }
        return {};
    }
};

// What a file of the folder that no built part names is, by its place and name.
bool kindOf(const std::filesystem::path& rel, Kind& kind) {
    const std::string folder = rel.has_parent_path() ? lower(rel.parent_path().string()) : "";
    const std::string name = rel.filename().string();
    const std::string ext = lower(rel.extension().string());
    if (ext == ".3ds") return kind = Kind::Scene, true;
    if (ext.empty() && (std::filesystem::exists(rel.string() + ".3ds") ||
                        std::filesystem::exists(rel.string() + ".3DS")))
        return kind = Kind::Description, true;
    if (folder == "texture" && (ext == ".jpg" || ext == ".tga" || ext == ".bmp"))
        return kind = Kind::Texture, true;
    if (ext == ".jpg" || ext == ".tga" || ext == ".bmp" || ext == ".pcx")
        return kind = Kind::AnyPicture, true;
    if (ext == ".pal") return kind = Kind::Palette, true;
    if (folder == "other" && name.size() > 1 && name[0] == 's' &&
        std::all_of(name.begin() + 1, name.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return kind = Kind::Sync, true;
    return false;
}

// The data folder beside the executable, as a run finds it.
bool enterDataFolder(const std::string& dataDir) {
    if (!dataDir.empty()) return ::chdir(dataDir.c_str()) == 0;
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return !ec && ::chdir((exe.parent_path() / "data").c_str()) == 0;
}

} // namespace

std::vector<DataProblem> checkProductionData(int& checked) {
    Checker c;
    for (const Wanted& w : kWanted)
        c.check(w.file, w.kind, w.fatal);
    std::vector<std::string> others;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(".", ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        if (it->is_regular_file())
            others.push_back(std::filesystem::relative(it->path(), ".").string());
    std::sort(others.begin(), others.end());
    for (const std::string& file : others) {
        Kind kind;
        if (!c.seen(file) && kindOf(file, kind)) c.check(file, kind, true);
    }
    checked = c.checked;
    return c.problems;
}

bool dataCheckRequested(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) == "--check-data") return true;
    return false;
}

int runDataCheck(int argc, const char* const* argv) {
    Options options;
    std::string error;
    if (!parseOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "demo: %s (try --help)\n", error.c_str());
        return 2;
    }
    if (!enterDataFolder(options.dataDir)) {
        std::printf("data: the data folder cannot be entered\n");
        return 1;
    }
    platform::setMessageBoxQuiet(true); // every problem comes back as text instead
    int checked = 0;
    const std::vector<DataProblem> problems = checkProductionData(checked);
    for (const DataProblem& p : problems)
        std::printf("%s: %s (%s)\n", p.file.c_str(), p.problem.c_str(),
                    p.fatal ? "the show stops" : "the show plays on without it");
    std::printf("%d files checked: %s\n", checked,
                problems.empty() ? "all sound"
                                 : (std::to_string(problems.size()) + " with problems").c_str());
    return problems.empty() ? 0 : 1;
}

} // namespace app
