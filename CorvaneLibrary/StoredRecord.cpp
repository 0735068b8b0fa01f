#include "CorvaneLibrary/StoredRecord.hpp"

#include <QDebug>

namespace corvane {

void keepUnreadableRecord(DefaultsStore& defaults, const std::string& key, const std::vector<std::uint8_t>& bytes) {
    qWarning("Stored value %s cannot be read; a copy is kept under %s", key.c_str(),
             unreadableRecordKey(key).c_str());
    defaults.setData(unreadableRecordKey(key), bytes);
}

} // namespace corvane
