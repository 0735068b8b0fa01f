#pragma once

#include <string>

namespace corvane {

// Texts shown when access to a chosen folder cannot be kept or has gone stale;
// both library stores word them the same way.
inline const std::string folderBookmarkFailedMessage = "Não foi possível guardar acesso à pasta selecionada.";

inline std::string folderRenewalMessage(const std::string& name)
{
    return "O acesso à pasta \u201C" + name + "\u201D precisa ser renovado.";
}

} // namespace corvane
