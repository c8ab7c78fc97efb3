// A fresh folder under the system's temporary folder for one test, removed with everything
// in it when the test ends. Tests build title folders in it from real files.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>

namespace stagehand::testing {

class TempFolder {
  public:
    TempFolder() {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        const std::string name = test != nullptr ? test->name() : "folder";
        path_ = std::filesystem::temp_directory_path() /
                ("stagehand-" + name + "-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }

    // Writes bytes to a file below the folder, making the folders on the way.
    std::filesystem::path Write(const std::filesystem::path& relative,
                                std::string_view bytes = "x") const {
        const std::filesystem::path file = path_ / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
        return file;
    }

    std::filesystem::path MakeFolder(const std::filesystem::path& relative) const {
        std::filesystem::create_directories(path_ / relative);
        return path_ / relative;
    }

  private:
    std::filesystem::path path_;
};

}  // namespace stagehand::testing
