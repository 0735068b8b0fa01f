#include "CorvaneLibrary/LocalizedOrdering.hpp"

#include <QCollator>
#include <QLocale>
#include <QString>

namespace corvane {

// One per thread: scans sort on workers.
const QCollator& localizedStandardCollator() {
    thread_local QCollator instance = [] {
        QCollator c(QLocale(QLocale::Portuguese, QLocale::Brazil));
        c.setNumericMode(true);
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return instance;
}

int localizedStandardCompare(std::string_view a, std::string_view b) {
    const int result =
        localizedStandardCollator().compare(QString::fromUtf8(a.data(), static_cast<qsizetype>(a.size())),
                                            QString::fromUtf8(b.data(), static_cast<qsizetype>(b.size())));
    return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

} // namespace corvane
