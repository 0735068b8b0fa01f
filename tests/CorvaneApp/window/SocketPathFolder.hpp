#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <filesystem>
#include <string>

// A private folder in `parent` whose socket named `socketName` has a path of
// exactly `bytes` bytes.
inline std::filesystem::path socketPathFolder(const std::filesystem::path& parent, const std::string& socketName,
                                              std::size_t bytes)
{
    const std::size_t around = parent.string().size() + 1 + 1 + socketName.size();
    const auto folder = parent / std::string(bytes - around, 'r');
    std::filesystem::create_directory(folder);
    ::chmod(folder.c_str(), 0700);
    return folder;
}
