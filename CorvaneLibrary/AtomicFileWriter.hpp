#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// Replaces a file's content so that a crash at any moment leaves either the
// old or the new content on disk, never a mixture: the bytes go to a temporary
// file in the same folder, are flushed to the disk, and the temporary file is
// renamed over the target.
class AtomicFileWriter {
public:
    // The final rename step; replaceable so that tests can make it fail.
    using RenameFunction = std::function<bool(const std::filesystem::path& from,
                                              const std::filesystem::path& to,
                                              std::string& error)>;

    // Writes `bytes` to `file`, creating missing parent folders. Answers an
    // English description of the failure (for logs), or nothing on success.
    static std::optional<std::string> write(const std::filesystem::path& file,
                                            std::string_view bytes,
                                            const RenameFunction& rename = {});

    static bool systemRename(const std::filesystem::path& from, const std::filesystem::path& to,
                             std::string& error);
};

} // namespace corvane
