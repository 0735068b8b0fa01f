#include "CorvaneApp/window/SocketFolderError.hpp"

#include <cstdio>
#include <cstring>

#include "CorvaneApp/window/LocalSocket.hpp"
#include "CorvaneDomain/Overloaded.hpp"

namespace corvane {

std::string SocketFolderError::describe(const Case& c)
{
    return std::visit(
        Overloaded{
            [](const SymbolicLink& link) { return link.folder + " is a symbolic link"; },
            [](const NotAFolder& other) { return other.folder + " is not a folder"; },
            [](const OwnedByAnotherUser& owned) {
                return owned.folder + " belongs to another user (uid " + std::to_string(owned.owner) + ")";
            },
            [](const WrongMode& wrong) {
                char mode[8];
                std::snprintf(mode, sizeof mode, "%04o", wrong.mode);
                return wrong.folder + " has mode " + mode + ", not 0700";
            },
            [](const Unreachable& failed) {
                return failed.folder + " cannot be reached: " + std::strerror(failed.error);
            },
            [](const CannotBeMade& failed) {
                return failed.folder + " cannot be made: " + std::strerror(failed.error);
            },
            [](const PathTooLong& tooLong) {
                return tooLong.folder + " gives the socket a path of " + std::to_string(tooLong.socketPathBytes) +
                       " bytes, more than the " + std::to_string(local_socket::maximumPathBytes) +
                       " a socket's path may have";
            },
        },
        c);
}

} // namespace corvane
