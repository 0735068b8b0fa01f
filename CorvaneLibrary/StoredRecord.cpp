#include "CorvaneLibrary/StoredRecord.hpp"

#include <QDebug>

namespace corvane {

std::string unreadableRecordKey(const std::string& key, int copy) {
    return copy <= 1 ? key + ".unreadable" : key + ".unreadable-" + std::to_string(copy);
}

std::string keepUnreadableRecord(DefaultsStore& defaults, const std::string& key,
                                 const std::vector<std::uint8_t>& bytes) {
    int copy = 1;
    for (;; ++copy) {
        const auto kept = defaults.dataValue(unreadableRecordKey(key, copy));
        if (!kept && !defaults.contains(unreadableRecordKey(key, copy))) break;
        // Read again at the next launch, the same damage is already kept.
        if (kept == bytes) return unreadableRecordKey(key, copy);
    }
    const std::string aside = unreadableRecordKey(key, copy);
    qWarning("Stored value %s cannot be read; a copy is kept under %s", key.c_str(), aside.c_str());
    defaults.setData(aside, bytes);
    return aside;
}

} // namespace corvane
