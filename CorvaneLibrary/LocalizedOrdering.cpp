#include "CorvaneLibrary/LocalizedOrdering.hpp"

#include <QCollator>
#include <QLocale>
#include <QString>

namespace corvane {

namespace {

// A collator is not safe to share between threads; scans sort on workers.
QCollator& collator() {
    thread_local QCollator instance = [] {
        QCollator c(QLocale(QLocale::Portuguese, QLocale::Brazil));
        c.setNumericMode(true);
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return instance;
}

} // namespace

int localizedStandardCompare(std::string_view a, std::string_view b) {
    const int result = collator().compare(QString::fromUtf8(a.data(), static_cast<qsizetype>(a.size())),
                                          QString::fromUtf8(b.data(), static_cast<qsizetype>(b.size())));
    return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

} // namespace corvane
