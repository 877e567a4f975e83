#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace vorlund::test {

// A fresh folder of the test's own, removed afterwards.
class TempDir : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() /
               (std::string("vorlund-") + info->test_suite_name() + "-" + info->name() + "-" +
                std::to_string(std::random_device{}()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    // Writes Text to Name in the folder; returns its path.
    std::string Write(const std::string& Name, const std::string& Text) const {
        const auto path = (dir_ / Name).string();
        std::ofstream(path, std::ios::binary) << Text;
        return path;
    }

    static std::string Read(const std::filesystem::path& Path) {
        std::ifstream in(Path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    std::filesystem::path dir_;
};

} // namespace vorlund::test
