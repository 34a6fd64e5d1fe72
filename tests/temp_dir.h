#pragma once
// A fresh folder for a test's files, made the current folder while the test runs.
#include <unistd.h>

#include <filesystem>
#include <string>

namespace testing_files {

class TempDir {
  public:
    explicit TempDir(const std::string& name)
        : path_(std::filesystem::temp_directory_path() /
                (name + "_" + std::to_string(::getpid()))) {
        std::error_code ec;
        previous_ = std::filesystem::current_path(ec);
        if (ec) previous_ = std::filesystem::temp_directory_path();
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
        std::filesystem::current_path(path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::current_path(previous_, ec);
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_, previous_;
};

} // namespace testing_files
