#pragma once
// A small production folder for tests that start the program: the sync files and a one-second
// soundtrack beside data, written fresh in a temporary folder, with the launcher's files (its
// scene, pictures, font, textures, palettes and the information text) and parts 1 and 8's from the
// generated production.
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "tools/writers/image_writers.h"
#include "tools/writers/mp3_writer.h"
#include "tools/writers/sync_writer.h"

namespace testing_files {

class TestProduction {
  public:
    explicit TestProduction(const std::string& name, bool withSoundtrack = true)
        : root_(std::filesystem::temp_directory_path() /
                (name + "_" + std::to_string(::getpid()))) {
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(root_ / "data" / "other");
        for (const char* sync : {"s0", "s3", "s4", "s7"})
            writers::writeBytes((root_ / "data/other" / sync).string(),
                                writers::encodeSyncFile({{{{writers::syncTime(0.5), 255, 4}}}}));
        if (withSoundtrack) writers::writeBytes((root_ / "vantrel.mp3").string(), tone(1.0));
        const std::filesystem::path generated(PRODUCTION_DIR);
        for (const char* folder : {"dlg", "texture", "palette", "3D", "3d", "image"})
            std::filesystem::copy(generated / "data" / folder, root_ / "data" / folder,
                                  std::filesystem::copy_options::recursive);
        for (const char* stream : {"sp0", "sp1", "sp2"})
            std::filesystem::copy(generated / "data/other" / stream, root_ / "data/other" / stream);
        std::filesystem::copy(generated / "corvane.nfo", root_ / "corvane.nfo");
    }
    // A run of the program leaves the current folder in data: step out before removing it.
    ~TestProduction() {
        std::error_code ec;
        std::filesystem::current_path(std::filesystem::temp_directory_path(), ec);
        std::filesystem::remove_all(root_, ec);
    }
    std::string data() const { return (root_ / "data").string(); }
    const std::filesystem::path& root() const { return root_; }

    // A 440 Hz tone of the given length, 44100 Hz stereo, as MP3.
    static writers::Bytes tone(double seconds, int rate = 44100, int channels = 2) {
        std::vector<int16_t> pcm(static_cast<size_t>(seconds * rate) *
                                 static_cast<size_t>(channels));
        for (size_t i = 0; i < pcm.size(); ++i)
            pcm[i] = static_cast<int16_t>(
                8000 * std::sin(2 * M_PI * 440.0 * static_cast<double>(i / channels) / rate));
        return writers::encodeMp3(pcm, rate, channels, 192);
    }

  private:
    std::filesystem::path root_;
};

} // namespace testing_files
