#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

class QCollator;

namespace corvane {

// The order a file browser uses for names, in Brazilian Portuguese: letter
// case and accents matter less than the letters, and runs of digits compare
// by their value ("Peca 2" before "Peca 10"). Names that differ only in ways
// the comparison ignores compare equal, so stable sorts keep their order.
// Safe to call from any thread.
int localizedStandardCompare(std::string_view a, std::string_view b);

inline bool localizedStandardLess(std::string_view a, std::string_view b) {
    return localizedStandardCompare(a, b) < 0;
}

// Stable sort by each item's `name`, in that order.
template <class T> void sortByLocalizedName(std::vector<T>& items) {
    std::stable_sort(items.begin(), items.end(),
                     [](const T& a, const T& b) { return localizedStandardLess(a.name, b.name); });
}

// The calling thread's collator for that order (for sort keys); a collator
// is not safe to share between threads.
const QCollator& localizedStandardCollator();

} // namespace corvane
