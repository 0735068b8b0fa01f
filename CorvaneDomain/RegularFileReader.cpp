#include "CorvaneDomain/RegularFileReader.hpp"

#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {

namespace {

[[noreturn]] void fail(std::error_code code, const std::filesystem::path& path) {
    throw std::system_error(code, path.string());
}

[[noreturn]] void failWithErrno(const std::filesystem::path& path) {
    fail(std::error_code(errno, std::generic_category()), path);
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() { ::close(fd_); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

} // namespace

std::vector<std::uint8_t> readRegularFile(const std::filesystem::path& path, std::uintmax_t maximumBytes) {
    // Non-blocking, so that opening a FIFO without a writer returns at once;
    // the type is then checked on what was actually opened, not on the path.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) failWithErrno(path);
    const FileDescriptor file(fd);

    struct stat status {};
    if (::fstat(file.get(), &status) != 0) failWithErrno(path);
    if (S_ISDIR(status.st_mode)) fail(std::make_error_code(std::errc::is_a_directory), path);
    if (!S_ISREG(status.st_mode)) fail(std::make_error_code(std::errc::invalid_argument), path);
    const auto size = static_cast<std::uintmax_t>(status.st_size);
    if (size > maximumBytes) fail(std::make_error_code(std::errc::file_too_large), path);

    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(size));
    std::uint8_t buffer[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(file.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            failWithErrno(path);
        }
        if (n == 0) break;
        // The file may have grown since it was measured.
        if (bytes.size() + static_cast<std::uintmax_t>(n) > maximumBytes)
            fail(std::make_error_code(std::errc::file_too_large), path);
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    return bytes;
}

} // namespace corvane
