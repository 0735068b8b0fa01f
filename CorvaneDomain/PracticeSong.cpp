#include "CorvaneDomain/PracticeSong.hpp"

#include "CorvaneDomain/StandardizedPath.hpp"

namespace corvane {

PracticeSong::PracticeSong(UUID id, std::string filePath, std::optional<std::string> title)
    : id_(id), filePath_(std::move(filePath)),
      title_(title ? std::move(*title) : lastPathComponentDeletingExtension(filePath_))
{
}

} // namespace corvane
