#pragma once

#include <cstddef>
#include <string>
#include <type_traits>
#include <variant>

#include "CorvaneDomain/TypedError.hpp"

namespace corvane {

// Why a folder will not hold this user's hand-off socket: only a folder of
// the user's own that nobody else may enter keeps the socket, and the files
// sent to it, within the user.
struct SocketFolderErrorCases {
    // A symbolic link, even to a good folder: where it points may change.
    struct SymbolicLink {
        std::string folder;
        bool operator==(const SymbolicLink&) const = default;
    };
    struct NotAFolder {
        std::string folder;
        bool operator==(const NotAFolder&) const = default;
    };
    struct OwnedByAnotherUser {
        std::string folder;
        unsigned owner = 0;
        bool operator==(const OwnedByAnotherUser&) const = default;
    };
    // Anything but 0700.
    struct WrongMode {
        std::string folder;
        unsigned mode = 0;
        bool operator==(const WrongMode&) const = default;
    };
    // Not there, or not to be looked at.
    struct Unreachable {
        std::string folder;
        int error = 0; // errno
        bool operator==(const Unreachable&) const = default;
    };
    struct CannotBeMade {
        std::string folder;
        int error = 0; // errno
        bool operator==(const CannotBeMade&) const = default;
    };
    // Its path and the socket's name together are longer than a socket's
    // path may be.
    struct PathTooLong {
        std::string folder;
        std::size_t socketPathBytes = 0;
        bool operator==(const PathTooLong&) const = default;
    };
    using Case = std::variant<SymbolicLink, NotAFolder, OwnedByAnotherUser, WrongMode, Unreachable, CannotBeMade,
                              PathTooLong>;
};

class SocketFolderError : public SocketFolderErrorCases, public TypedError<SocketFolderErrorCases::Case> {
public:
    template <class C>
        requires std::is_constructible_v<Case, C>
    SocketFolderError(C c) : TypedError(Case(std::move(c)), &describe)
    {
    }

private:
    static std::string describe(const Case& c);
};

} // namespace corvane
