#include "CorvaneApp/library/RecentPracticeRows.hpp"

#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <utility>

#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/kit/style/StudioSymbols.hpp"
#include "CorvaneApp/library/RecentPracticeLabels.hpp"

namespace corvane {

namespace {

// 4 points above and below the content, as the rows are laid out, plus the list's own inset.
constexpr int verticalPadding = 4 + 5;
constexpr int horizontalPadding = 14;
constexpr int lineSpacing = 3;
constexpr int symbolSize = 14;
constexpr int trailingSymbolSize = 11;

int contentHeight()
{
    return QFontMetrics(studioBody()).height() + lineSpacing + QFontMetrics(studioCaption()).height();
}

} // namespace

RecentPracticeRow::RecentPracticeRow(QString systemImage, QString trailingSystemImage, QWidget* parent)
    : QWidget(parent), systemImage_(std::move(systemImage)), trailingSystemImage_(std::move(trailingSystemImage))
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(sizeHint().height());
}

QSize RecentPracticeRow::sizeHint() const { return {320, 2 * verticalPadding + contentHeight()}; }

QSize RecentPracticeRow::minimumSizeHint() const { return {120, sizeHint().height()}; }

void RecentPracticeRow::setTexts(QString title, QString caption, QString readout, QString detail)
{
    title_ = std::move(title);
    caption_ = std::move(caption);
    readout_ = std::move(readout);
    detail_ = std::move(detail);
    setAccessibleName(title_);
    setAccessibleDescription(QStringList{caption_, readout_, detail_}.join(QStringLiteral(", ")));
    update();
}

void RecentPracticeRow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // A plain button: no chrome, only a light wash while held.
    if (pressed_) painter.fillRect(rect(), StudioAppearance::pressedOverlay());

    const QFontMetrics bodyMetrics(studioBody());
    const QFontMetrics captionMetrics(studioCaption());
    const QFontMetrics readoutMetrics(studioReadoutBody());
    const int top = (height() - contentHeight()) / 2;
    const int firstBaseline = top + bodyMetrics.ascent();
    const int secondTop = top + bodyMetrics.height() + lineSpacing;
    const int secondBaseline = secondTop + captionMetrics.ascent();

    int left = horizontalPadding;
    int right = width() - horizontalPadding;
    paintStudioSymbol(painter, systemImage_,
                      QRectF(left, (height() - symbolSize) / 2.0, symbolFrameWidth, symbolSize),
                      StudioAppearance::secondaryText());
    left += symbolFrameWidth + spacing;

    if (!trailingSystemImage_.isEmpty()) {
        paintStudioSymbol(painter, trailingSystemImage_,
                          QRectF(right - trailingSymbolSize, (height() - trailingSymbolSize) / 2.0, trailingSymbolSize,
                                 trailingSymbolSize),
                          StudioAppearance::tertiaryText());
        right -= trailingSymbolSize + spacing;
    }

    // The read-outs keep their whole width; the title and caption give way.
    const int trailingWidth =
        std::max(readoutMetrics.horizontalAdvance(readout_), captionMetrics.horizontalAdvance(detail_));
    const int trailingLeft = right - trailingWidth;
    painter.setPen(StudioAppearance::primaryText());
    painter.setFont(studioReadoutBody());
    painter.drawText(right - readoutMetrics.horizontalAdvance(readout_), firstBaseline, readout_);
    painter.setPen(StudioAppearance::secondaryText());
    painter.setFont(studioCaption());
    painter.drawText(right - captionMetrics.horizontalAdvance(detail_), secondBaseline, detail_);

    const int leadingWidth = std::max(0, trailingLeft - spacing - left);
    painter.setPen(StudioAppearance::primaryText());
    painter.setFont(studioBody());
    painter.drawText(left, firstBaseline, bodyMetrics.elidedText(title_, Qt::ElideRight, leadingWidth));
    painter.setPen(StudioAppearance::secondaryText());
    painter.setFont(studioCaption());
    painter.drawText(left, secondBaseline, captionMetrics.elidedText(caption_, Qt::ElideRight, leadingWidth));
}

void RecentPracticeRow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    pressed_ = true;
    update();
}

void RecentPracticeRow::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !pressed_) return QWidget::mouseReleaseEvent(event);
    pressed_ = false;
    update();
    if (rect().contains(event->position().toPoint())) emit clicked();
}

void RecentPracticeRow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space) {
        emit clicked();
        return;
    }
    QWidget::keyPressEvent(event);
}

RecentSongRow::RecentSongRow(RecentPracticeSong song, QWidget* parent)
    : RecentPracticeRow(QStringLiteral("music.note"), QStringLiteral("play.fill"), parent), song_(std::move(song))
{
    setObjectName(QStringLiteral("RecentSongRow"));
    refreshDate(Date::now());
}

bool RecentSongRow::setSong(RecentPracticeSong song)
{
    if (song == song_) return false;
    song_ = std::move(song);
    refreshDate(Date::now());
    return true;
}

void RecentSongRow::refreshDate(Date now)
{
    setTexts(QString::fromStdString(song_.title), relativeDateLabel(song_.lastPracticedAt, now),
             recentDurationLabel(song_.accumulatedMetrics.activeDurationSeconds),
             playedNotesLabel(song_.accumulatedMetrics.playedNoteCount));
}

void RecentSongRow::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
    emit menuRequested(event->globalPos());
}

PracticeHistoryRow::PracticeHistoryRow(PracticeHistoryEntry session, QWidget* parent)
    : RecentPracticeRow(QStringLiteral("calendar"), QString(), parent), session_(std::move(session))
{
    setObjectName(QStringLiteral("PracticeHistoryRow"));
    setTexts(QString::fromStdString(session_.songTitle()), sessionDateLabel(session_.startedAt()),
             recentDurationLabel(session_.metrics.activeDurationSeconds), timingSummary());
}

bool PracticeHistoryRow::setSession(PracticeHistoryEntry session)
{
    if (session == session_) return false;
    session_ = std::move(session);
    setTexts(QString::fromStdString(session_.songTitle()), sessionDateLabel(session_.startedAt()),
             recentDurationLabel(session_.metrics.activeDurationSeconds), timingSummary());
    return true;
}

QString PracticeHistoryRow::timingSummary() const { return corvane::timingSummary(session_.metrics); }

} // namespace corvane
