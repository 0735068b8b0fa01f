#pragma once

// A temporary folder of a test's own, removed with everything in it.

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

class TestFolder {
public:
    explicit TestFolder(const std::string& prefix = "brelmo-test")
        : path_(std::filesystem::temp_directory_path() /
                (prefix + "-" + std::to_string(::getpid()) + "-" + std::to_string(counter()++)))
    {
        std::filesystem::create_directories(path_);
    }
    ~TestFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

    std::filesystem::path write(const std::string& name, const std::vector<std::uint8_t>& bytes) const
    {
        const auto file = path_ / name;
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return file;
    }

private:
    static int& counter()
    {
        static int value = 0;
        return value;
    }
    std::filesystem::path path_;
};
