#include "CorvaneApp/window/SocketFolderError.hpp"

#include <cstdio>
#include <cstring>

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
        },
        c);
}

} // namespace corvane
