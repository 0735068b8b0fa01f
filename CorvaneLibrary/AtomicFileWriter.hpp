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
// renamed over the target. The writer holds a lock on its temporary file until
// then: one left by a writer that died can be told apart, and removed, by
// StaleTemporaryFiles.
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

    // Whether `name` is that of a temporary file `write` makes beside `file`:
    // "." + the file's name + ".tmp-" + six letters or digits.
    static bool isTemporaryName(const std::filesystem::path& file, std::string_view name);

    static bool systemRename(const std::filesystem::path& from, const std::filesystem::path& to,
                             std::string& error);
};

} // namespace corvane
