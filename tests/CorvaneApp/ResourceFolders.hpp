#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

// A private temporary folder in which the tests lay out resource bundles.
class ResourceFolders {
public:
    ResourceFolders()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "brelmo-resources-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        root_ = std::filesystem::canonical(pattern);
    }
    ~ResourceFolders()
    {
        std::error_code error;
        std::filesystem::remove_all(root_, error);
    }
    ResourceFolders(const ResourceFolders&) = delete;
    ResourceFolders& operator=(const ResourceFolders&) = delete;

    const std::filesystem::path& root() const { return root_; }

    // "<root>/<directory>/Brelmo_CorvaneApp.bundle", created.
    std::filesystem::path bundle(const std::string& directory) const
    {
        const auto path = root_ / directory / "Brelmo_CorvaneApp.bundle";
        std::filesystem::create_directories(path);
        return path;
    }

    // Creates the file and its folders; answers its path.
    static std::filesystem::path file(const std::filesystem::path& path, const std::string& content = "data")
    {
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

private:
    std::filesystem::path root_;
};
