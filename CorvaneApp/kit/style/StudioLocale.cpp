#include "CorvaneApp/kit/style/StudioLocale.hpp"

namespace corvane {

const QLocale& studioLocale()
{
    static const QLocale locale(QLocale::Portuguese, QLocale::Brazil);
    return locale;
}

} // namespace corvane
