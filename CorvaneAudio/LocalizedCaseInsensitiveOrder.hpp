#pragma once

#include <string_view>

namespace corvane {

// Orders names for display in Brazilian Portuguese, ignoring letter case:
// negative, zero or positive like strcmp. Safe on any thread.
int localizedCaseInsensitiveCompare(std::string_view a, std::string_view b);

} // namespace corvane
