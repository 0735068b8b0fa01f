#pragma once

#include <QLocale>

namespace corvane {

// Brazilian Portuguese, whatever the user's own locale: every number and
// date the interface shows is written in it.
const QLocale& studioLocale();

} // namespace corvane
