#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>

#include "CorvaneApp/window/SocketFolderError.hpp"

namespace corvane {

// The folder that holds one user's hand-off sockets: one only that user may
// enter, so that no other user can listen in its place or reach the socket.
struct SocketFolder {
    std::filesystem::path path;
    // Why the runtime folder was passed over for `path`, when one was given.
    std::optional<SocketFolderError> runtimeFolderPassedOver;

    // Throws SocketFolderError unless `folder` is itself a folder (not a
    // symbolic link to one) of `user`'s, of mode 0700.
    static void check(const std::filesystem::path& folder, uid_t user);

    // `runtimeFolder` (the session's $XDG_RUNTIME_DIR) when it is absolute,
    // passes `check` and leaves room for a socket named `socketName` in it;
    // otherwise `ownFolder`, made 0700 when missing, once it passes `check`
    // and leaves that room, and throws when it does not.
    static SocketFolder choose(const std::string& runtimeFolder, const std::filesystem::path& ownFolder, uid_t user,
                               const std::string& socketName);

    // This process's, for a socket named `socketName`: $XDG_RUNTIME_DIR, or
    // "brelmo-<uid>" in the temporary folder.
    static SocketFolder forThisUser(const std::string& socketName);
};

} // namespace corvane
