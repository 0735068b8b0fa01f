#include "CorvaneApp/inspector/InspectorLoopLabels.hpp"

#include <QLocale>
#include <QStringList>

#include <algorithm>
#include <cmath>

#include "CorvaneApp/kit/style/StudioLocale.hpp"
#include "CorvaneDomain/PracticeLoopBookmark.hpp"

namespace corvane {

namespace {

// Beyond this many units a count no longer fits the integers the labels
// print; such a value is not one the controller can hold.
constexpr double largestCount = 9.0e15;

} // namespace

QString stepLabel(double seconds)
{
    if (!std::isfinite(seconds) || seconds < 0 || seconds * 1000 > largestCount) return QStringLiteral("0 ms");
    // std::round takes halves away from zero.
    const auto milliseconds = static_cast<std::int64_t>(std::round(seconds * 1000));
    if (milliseconds <= 999) return QString::number(milliseconds) + QStringLiteral(" ms");
    QString text = studioLocale().toString(seconds, 'f', 2);
    const QString comma = studioLocale().decimalPoint();
    if (text.contains(comma)) {
        while (text.endsWith(QLatin1Char('0'))) text.chop(1);
        if (text.endsWith(comma)) text.chop(comma.size());
    }
    return text + QStringLiteral(" s");
}

QString preciseTimeLabel(double seconds)
{
    std::int64_t hundredths = 0;
    if (std::isfinite(seconds) && seconds * 100 <= largestCount)
        hundredths = std::max<std::int64_t>(0, static_cast<std::int64_t>(std::round(seconds * 100)));
    return QStringLiteral("%1:%2,%3")
        .arg(hundredths / 6000)
        .arg((hundredths / 100) % 60, 2, 10, QLatin1Char('0'))
        .arg(hundredths % 100, 2, 10, QLatin1Char('0'));
}

QString savedLoopActivateHelp(const PracticeLoopBookmark& bookmark)
{
    QStringList parts{QStringLiteral("Ativar este trecho e voltar ao começo dele")};
    const std::string autoName = bookmark.autoName();
    if (bookmark.displayName() != autoName) parts << QString::fromStdString(autoName);
    parts << QString::number(bookmark.measureCount()) + QStringLiteral(" compassos");
    const std::int64_t graded = bookmark.metrics.evaluatedNoteCount();
    if (graded >= 1)
        parts << QString::number(graded) + QStringLiteral(" notas avaliadas em ") +
                     QString::number(bookmark.repetitions) + QStringLiteral(" repetições");
    return parts.join(QStringLiteral(" · "));
}

QString loopRepetitionsLabel(std::int64_t repetitions) { return QString::number(repetitions) + QChar(0x00D7); }

QString loopAccuracyLabel(double ratio)
{
    const QLocale locale = QLocale::system();
    const double percent = std::isfinite(ratio) ? std::clamp(ratio, 0.0, 1.0) * 100 : 0;
    return locale.toString(static_cast<qlonglong>(std::round(percent))) + locale.percent();
}

} // namespace corvane
