#include "CorvaneAudio/LocalizedCaseInsensitiveOrder.hpp"

#include <QCollator>
#include <QLocale>
#include <QString>

namespace corvane {

int localizedCaseInsensitiveCompare(std::string_view a, std::string_view b)
{
    // One collator per thread: QCollator instances must not be shared between threads.
    thread_local const QCollator collator = [] {
        QCollator c(QLocale(QLocale::Portuguese, QLocale::Brazil));
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return collator.compare(QString::fromUtf8(a.data(), qsizetype(a.size())),
                            QString::fromUtf8(b.data(), qsizetype(b.size())));
}

} // namespace corvane
