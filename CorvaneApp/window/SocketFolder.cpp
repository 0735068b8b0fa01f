#include "CorvaneApp/window/SocketFolder.hpp"

#include "CorvaneApp/window/LocalSocket.hpp"

#include <QDir>
#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace corvane {

namespace {

void checkRoom(const std::filesystem::path& folder, const std::string& socketName)
{
    const std::size_t bytes = (folder / socketName).string().size();
    if (bytes > local_socket::maximumPathBytes)
        throw SocketFolderError(SocketFolderError::PathTooLong{folder.string(), bytes});
}

} // namespace

void SocketFolder::check(const std::filesystem::path& folder, uid_t user)
{
    const std::string name = folder.string();
    struct stat file {};
    if (::lstat(name.c_str(), &file) != 0) throw SocketFolderError(SocketFolderError::Unreachable{name, errno});
    if (S_ISLNK(file.st_mode)) throw SocketFolderError(SocketFolderError::SymbolicLink{name});
    if (!S_ISDIR(file.st_mode)) throw SocketFolderError(SocketFolderError::NotAFolder{name});
    if (file.st_uid != user)
        throw SocketFolderError(SocketFolderError::OwnedByAnotherUser{name, static_cast<unsigned>(file.st_uid)});
    const auto mode = static_cast<unsigned>(file.st_mode & 07777);
    if (mode != S_IRWXU) throw SocketFolderError(SocketFolderError::WrongMode{name, mode});
}

SocketFolder SocketFolder::choose(const std::string& runtimeFolder, const std::filesystem::path& ownFolder, uid_t user,
                                  const std::string& socketName)
{
    SocketFolder result;
    // A relative path is no runtime folder (the XDG rules say to ignore it).
    if (!runtimeFolder.empty() && runtimeFolder.front() == '/') {
        try {
            check(runtimeFolder, user);
            checkRoom(runtimeFolder, socketName);
            result.path = runtimeFolder;
            return result;
        } catch (const SocketFolderError& error) {
            result.runtimeFolderPassedOver = error;
        }
    }
    // Nothing is made that could not hold the socket.
    checkRoom(ownFolder, socketName);
    // mkdir never follows a symbolic link in the folder's place; whatever is
    // already there is checked as found, never mended: it may hold another's.
    if (::mkdir(ownFolder.c_str(), S_IRWXU) == 0) {
        // Made by this call, so its own: the mode the umask took away is put back.
        ::chmod(ownFolder.c_str(), S_IRWXU);
    } else if (errno != EEXIST) {
        throw SocketFolderError(SocketFolderError::CannotBeMade{ownFolder.string(), errno});
    }
    check(ownFolder, user);
    result.path = ownFolder;
    return result;
}

SocketFolder SocketFolder::forThisUser(const std::string& socketName)
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const uid_t user = ::geteuid();
    const auto own = QFile::encodeName(QDir::cleanPath(QDir::tempPath()) + QStringLiteral("/brelmo-%1").arg(user));
    return choose(runtime ? runtime : "", own.toStdString(), user, socketName);
}

} // namespace corvane
