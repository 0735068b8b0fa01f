#include "CorvaneLibrary/StaleTemporaryFiles.hpp"

#include "CorvaneLibrary/AtomicFileWriter.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <system_error>

namespace corvane {

namespace {

bool removeIfAbandoned(const std::filesystem::path& candidate) {
    // Neither a link followed nor a pipe waited on: such a name was never the writer's.
    const int fd = ::open(candidate.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    bool removed = false;
    struct stat opened {};
    if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_uid == ::geteuid() &&
        ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        // The name may have gone to a finished write's file since it was opened.
        struct stat named {};
        if (::lstat(candidate.c_str(), &named) == 0 && named.st_dev == opened.st_dev &&
            named.st_ino == opened.st_ino)
            removed = ::unlink(candidate.c_str()) == 0;
    }
    ::close(fd);
    return removed;
}

} // namespace

std::vector<std::filesystem::path> StaleTemporaryFiles::removeBeside(const std::filesystem::path& file) {
    const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
    std::vector<std::filesystem::path> removed;
    std::error_code ec;
    for (std::filesystem::directory_iterator entry(folder, ec), end; !ec && entry != end; entry.increment(ec)) {
        const auto& path = entry->path();
        if (AtomicFileWriter::isTemporaryName(file, path.filename().string()) && removeIfAbandoned(path))
            removed.push_back(path);
    }
    return removed;
}

} // namespace corvane
