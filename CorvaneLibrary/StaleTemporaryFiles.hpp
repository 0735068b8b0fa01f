#pragma once

#include <filesystem>
#include <vector>

namespace corvane {

// Temporary files that AtomicFileWriter left beside a file when its process
// died during a write. A writer holds its temporary file locked until the file
// has taken the target's place, so one that can be locked has no writer left;
// a temporary another running process is writing is never taken.
class StaleTemporaryFiles {
public:
    // Removes those beside `file` (only its own, this user's, plain files);
    // answers the ones removed.
    static std::vector<std::filesystem::path> removeBeside(const std::filesystem::path& file);
};

} // namespace corvane
