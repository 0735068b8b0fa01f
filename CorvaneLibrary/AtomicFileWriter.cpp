#include "CorvaneLibrary/AtomicFileWriter.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {

namespace {

std::string describeErrno(const std::string& what, const std::filesystem::path& path) {
    return what + " " + path.string() + ": " + std::strerror(errno);
}

bool writeAll(int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The rename itself is only durable once the folder entry is on disk.
void syncFolder(const std::filesystem::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

constexpr std::string_view temporaryMark = ".tmp-";
constexpr std::size_t temporarySuffixLength = 6; // mkstemp's XXXXXX

std::string temporaryPrefix(const std::filesystem::path& file) {
    return "." + file.filename().string() + std::string(temporaryMark);
}

// A temporary file, created and locked. One a clean-up removed before the lock
// was taken has lost its name by then: another is made in its place. Where the
// file system has no locks the file is written all the same.
int createLockedTemporary(const std::filesystem::path& folder, const std::filesystem::path& file,
                          std::filesystem::path& temporary) {
    const std::string pattern = (folder / (temporaryPrefix(file) + "XXXXXX")).string();
    for (;;) {
        std::string name = pattern;
        // Not inherited: a child outliving this process would hold the lock.
        const int fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd < 0) return -1;
        int locked = 0;
        do locked = ::flock(fd, LOCK_EX);
        while (locked != 0 && errno == EINTR);
        struct stat status {};
        if (locked != 0 || ::fstat(fd, &status) != 0 || status.st_nlink > 0) {
            temporary = name;
            return fd;
        }
        ::close(fd);
    }
}

} // namespace

bool AtomicFileWriter::isTemporaryName(const std::filesystem::path& file, std::string_view name) {
    const std::string prefix = temporaryPrefix(file);
    if (name.size() != prefix.size() + temporarySuffixLength || !name.starts_with(prefix)) return false;
    for (const char c : name.substr(prefix.size()))
        if (!(c >= 'a' && c <= 'z') && !(c >= 'A' && c <= 'Z') && !(c >= '0' && c <= '9')) return false;
    return true;
}

bool AtomicFileWriter::systemRename(const std::filesystem::path& from, const std::filesystem::path& to,
                                    std::string& error) {
    if (::rename(from.c_str(), to.c_str()) != 0) {
        error = describeErrno("cannot rename onto", to);
        return false;
    }
    return true;
}

std::optional<std::string> AtomicFileWriter::write(const std::filesystem::path& file, std::string_view bytes,
                                                   const RenameFunction& rename) {
    const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) return "cannot create folder " + folder.string() + ": " + ec.message();

    std::filesystem::path temporary;
    const int fd = createLockedTemporary(folder, file, temporary);
    if (fd < 0) return describeErrno("cannot create temporary file in", folder);

    // Removed while still locked, so that no clean-up takes it for abandoned.
    auto fail = [&](std::string message) -> std::optional<std::string> {
        ::unlink(temporary.c_str());
        ::close(fd);
        return message;
    };
    if (!writeAll(fd, bytes)) return fail(describeErrno("cannot write", temporary));
    if (::fsync(fd) != 0) return fail(describeErrno("cannot flush", temporary));

    std::string error;
    const bool renamed = rename ? rename(temporary, file, error) : systemRename(temporary, file, error);
    if (!renamed) return fail(error.empty() ? "cannot rename onto " + file.string() : error);
    // The lock is let go only once the temporary name is gone; the bytes are
    // already on the disk, so closing has nothing left to fail at.
    ::close(fd);
    syncFolder(folder);
    return std::nullopt;
}

} // namespace corvane
