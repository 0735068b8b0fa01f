#include "CorvaneLibrary/AtomicFileWriter.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
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

} // namespace

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

    std::string pattern = (folder / ("." + file.filename().string() + ".tmp-XXXXXX")).string();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) return describeErrno("cannot create temporary file in", folder);
    const std::filesystem::path temporary(pattern);

    auto fail = [&](std::string message) -> std::optional<std::string> {
        ::unlink(temporary.c_str());
        return message;
    };
    if (!writeAll(fd, bytes)) {
        std::string message = describeErrno("cannot write", temporary);
        ::close(fd);
        return fail(message);
    }
    if (::fsync(fd) != 0) {
        std::string message = describeErrno("cannot flush", temporary);
        ::close(fd);
        return fail(message);
    }
    if (::close(fd) != 0) return fail(describeErrno("cannot close", temporary));

    std::string error;
    const bool renamed = rename ? rename(temporary, file, error) : systemRename(temporary, file, error);
    if (!renamed) return fail(error.empty() ? "cannot rename onto " + file.string() : error);
    syncFolder(folder);
    return std::nullopt;
}

} // namespace corvane
