#include "CorvaneApp/inspector/PracticeReadoutFormats.hpp"

#include "CorvaneDomain/MIDINoteName.hpp"

#include <algorithm>
#include <cmath>

#include "CorvaneApp/kit/StudioSliderTrack.hpp"
#include "CorvaneApp/kit/style/StudioValueFormat.hpp"

namespace corvane {

QString durationLabel(double seconds)
{
    // 2^63: the first double past the largest Int64; converting it would be undefined.
    constexpr double limit = 9223372036854775808.0;
    const double rounded = std::round(seconds);
    if (!std::isfinite(rounded) || rounded >= limit || rounded < -limit) return QStringLiteral("0:00");
    const auto t = std::max<std::int64_t>(std::int64_t(rounded), 0);
    const auto minutes = qlonglong(t % 3600 / 60);
    const auto rest = qlonglong(t % 60);
    if (t >= 3600) return QString::asprintf("%lld:%02lld:%02lld", qlonglong(t / 3600), minutes, rest);
    return QString::asprintf("%lld:%02lld", minutes, rest);
}

QString millisecondsLabel(double milliseconds)
{
    return StudioValueFormat::decimal(2).text(milliseconds) + QStringLiteral(" ms");
}

PracticeBreakdown practiceBreakdown(const PracticeMetrics& metrics)
{
    const auto held = [](std::int64_t count) { return std::max<std::int64_t>(count, 0); };
    return {{{PracticeFeedbackKind::correct, held(metrics.correctCount)},
             {PracticeFeedbackKind::early, held(metrics.earlyCount)},
             {PracticeFeedbackKind::late, held(metrics.lateCount)},
             {PracticeFeedbackKind::incorrect, held(metrics.incorrectCount)}}};
}

std::array<double, 4> practiceBreakdownShares(const PracticeBreakdown& breakdown)
{
    double total = 0;
    for (const auto& entry : breakdown) total += double(std::max<std::int64_t>(entry.count, 0));
    total = std::max(total, 1.0);
    std::array<double, 4> shares{};
    for (std::size_t i = 0; i < shares.size(); ++i)
        shares[i] = std::clamp(double(std::max<std::int64_t>(breakdown[i].count, 0)) / total, 0.0, 1.0);
    return shares;
}

QString practiceFeedbackLabel(PracticeFeedbackKind kind)
{
    switch (kind) {
    case PracticeFeedbackKind::correct: return QStringLiteral("No tempo");
    case PracticeFeedbackKind::early: return QStringLiteral("Antecipadas");
    case PracticeFeedbackKind::late: return QStringLiteral("Atrasadas");
    case PracticeFeedbackKind::incorrect: return QStringLiteral("Incorretas");
    }
    return {};
}

double practiceFeedbackHue(PracticeFeedbackKind kind)
{
    switch (kind) {
    case PracticeFeedbackKind::correct: return 0.34;
    case PracticeFeedbackKind::early: return 0.11;
    case PracticeFeedbackKind::late: return 0.58;
    case PracticeFeedbackKind::incorrect: return 0.0;
    }
    return 0;
}

QColor practiceFeedbackColor(PracticeFeedbackKind kind)
{
    return studioHsbColor(practiceFeedbackHue(kind), 0.68, 0.95);
}

QString localeCount(std::int64_t count, const QLocale& locale) { return locale.toString(qlonglong(count)); }

QString localePercent(double share, const QLocale& locale)
{
    const double percent = std::isfinite(share) ? std::round(std::clamp(share, 0.0, 1.0) * 100) : 0.0;
    return locale.toString(qlonglong(percent)) + locale.percent();
}

QString waitingNotesText(const std::vector<std::uint8_t>& notes)
{
    QString text = QStringLiteral("Aguardando ");
    for (std::size_t i = 0; i < notes.size(); ++i) {
        if (i > 0) text += QStringLiteral(" + ");
        text += QString::fromStdString(noteName(notes[i]));
    }
    return text;
}

} // namespace corvane
