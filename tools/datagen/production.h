#pragma once
// The folder the generator writes: the production's data beside its executable.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace datagen {

class Production {
  public:
    explicit Production(std::filesystem::path root) : root_(std::move(root)) {}
    // Writes a file below the root ("data/other/s0", "vantrel.mp3"); false, with a line on
    // stderr, when it cannot.
    bool write(const std::string& relative, const std::vector<uint8_t>& bytes);
    bool writeText(const std::string& relative, const std::string& text);
    const std::filesystem::path& root() const { return root_; }
    bool ok() const { return ok_; }

  private:
    std::filesystem::path root_;
    bool ok_ = true;
};

// One builder per folder or scene: each writes its own files.
void writeLoadingPictures(Production& p);
void writeInformationText(Production& p);
void writeLauncherData(Production& p);
void writePart1Data(Production& p);
void writePart2Data(Production& p);
// Its textures, palettes and flare (called by writePart2Data).
void writePart2Pictures(Production& p);
void writePart4Data(Production& p);
void writePart7Data(Production& p);
void writePart8Data(Production& p);
void writePart5Data(Production& p);
void writePart6Data(Production& p);

} // namespace datagen
