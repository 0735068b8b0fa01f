#include "CorvaneApp/library/SidebarRows.hpp"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <utility>

#include "CorvaneApp/commands/ShortcutLabel.hpp"
#include "CorvaneApp/kit/style/StudioAccent.hpp"
#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/kit/style/StudioSymbols.hpp"
#include "CorvaneApp/library/RecentPracticeLabels.hpp"

namespace corvane {

namespace {

// The list's rows sit this far inside the sidebar; their highlight too.
constexpr int rowInset = 8;
constexpr int labelInset = 10;
constexpr int symbolBox = 16;
constexpr int symbolGap = 8;
constexpr int dotSize = 6;

QString text(std::string_view value) { return QString::fromUtf8(value.data(), qsizetype(value.size())); }

// Symbol and title side by side, vertically centred in `box`.
void paintLabel(QPainter& painter, const QRect& box, const QString& symbol, const QString& title, const QFont& font,
                const QColor& color)
{
    paintStudioSymbol(painter, symbol, QRectF(box.left(), box.center().y() - symbolBox / 2.0 + 0.5, symbolBox, symbolBox),
                      color);
    const QFontMetrics metrics(font);
    const int left = box.left() + symbolBox + symbolGap;
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(QRect(left, box.top(), box.right() - left, box.height()), Qt::AlignVCenter | Qt::AlignLeft,
                     metrics.elidedText(title, Qt::ElideRight, box.right() - left));
}

} // namespace

void SidebarPressableRow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    pressed_ = true;
    update();
}

void SidebarPressableRow::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !pressed_) return QWidget::mouseReleaseEvent(event);
    pressed_ = false;
    update();
    if (rect().contains(event->position().toPoint())) emit clicked();
}

void SidebarPressableRow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space) {
        emit clicked();
        return;
    }
    QWidget::keyPressEvent(event);
}

SidebarTitleRow::SidebarTitleRow(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("sidebarTitle"));
    setAccessibleName(title());
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(sizeHint().height());
}

QSize SidebarTitleRow::sizeHint() const { return {200, QFontMetrics(studioTitleSmall()).height() + 18}; }

void SidebarTitleRow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    paintLabel(painter, rect().adjusted(rowInset + labelInset, 0, -rowInset, 0), systemImage(), title(),
               studioTitleSmall(), studioAccent(this));
}

SidebarDestinationRow::SidebarDestinationRow(LibraryDestination destination, QWidget* parent)
    : SidebarPressableRow(parent), destination_(destination)
{
    setObjectName(QStringLiteral("sidebarDestination_") + text(id(destination)));
    setAccessibleName(title());
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(sizeHint().height());
}

QString SidebarDestinationRow::title() const { return text(corvane::title(destination_)); }

QString SidebarDestinationRow::systemImage() const { return text(corvane::systemImage(destination_)); }

void SidebarDestinationRow::setSelected(bool selected)
{
    if (selected == selected_) return;
    selected_ = selected;
    update();
}

QColor SidebarDestinationRow::foreground() const
{
    return selected_ ? StudioAppearance::primaryText() : StudioAppearance::secondaryText();
}

QColor SidebarDestinationRow::background() const
{
    if (!selected_) return Qt::transparent;
    QColor wash = studioAccent(this);
    wash.setAlphaF(0.16f);
    return wash;
}

QSize SidebarDestinationRow::sizeHint() const { return {200, 30}; }

void SidebarDestinationRow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF highlight = QRectF(rect()).adjusted(rowInset, 1, -rowInset, -1);
    if (selected_) {
        QPainterPath shape;
        shape.addRoundedRect(highlight, 6, 6);
        painter.fillPath(shape, background());
    } else if (isPressed()) {
        QPainterPath shape;
        shape.addRoundedRect(highlight, 6, 6);
        painter.fillPath(shape, StudioAppearance::pressedOverlay());
    }
    paintLabel(painter, rect().adjusted(rowInset + labelInset, 0, -rowInset - labelInset, 0), systemImage(), title(),
               studioBody(), foreground());
}

SidebarRecentSongRow::SidebarRecentSongRow(RecentPracticeSong song, QWidget* parent)
    : SidebarPressableRow(parent), song_(std::move(song))
{
    setObjectName(QStringLiteral("sidebarRecentSong"));
    setAccessibleName(QString::fromStdString(song_.title));
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(sizeHint().height());
    refreshDate(Date::now());
}

void SidebarRecentSongRow::refreshDate(Date now)
{
    dateText_ = relativeDateLabel(song_.lastPracticedAt, now);
    setAccessibleDescription(dateText_);
    update();
}

QSize SidebarRecentSongRow::sizeHint() const
{
    return {200, QFontMetrics(studioBody()).height() + 3 + QFontMetrics(studioCaption()).height() + 10};
}

void SidebarRecentSongRow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRect content = rect().adjusted(rowInset + labelInset, 5, -rowInset - labelInset, -5);
    if (isPressed()) {
        QPainterPath shape;
        shape.addRoundedRect(QRectF(rect()).adjusted(rowInset, 1, -rowInset, -1), 6, 6);
        painter.fillPath(shape, StudioAppearance::pressedOverlay());
    }
    const QFontMetrics body(studioBody());
    const QFontMetrics caption(studioCaption());
    // Title, a gap of at least 4, then the dot at the right edge.
    const int titleWidth = content.width() - 4 - dotSize;
    painter.setFont(studioBody());
    painter.setPen(StudioAppearance::primaryText());
    painter.drawText(content.left(), content.top() + body.ascent(),
                     body.elidedText(QString::fromStdString(song_.title), Qt::ElideRight, titleWidth));
    painter.setPen(Qt::NoPen);
    painter.setBrush(studioAccent(this));
    painter.drawEllipse(QRectF(content.right() + 1 - dotSize, content.top() + (body.height() - dotSize) / 2.0, dotSize,
                               dotSize));
    painter.setFont(studioCaption());
    painter.setPen(StudioAppearance::secondaryText());
    painter.drawText(content.left(), content.top() + body.height() + 3 + caption.ascent(),
                     caption.elidedText(dateText_, Qt::ElideRight, content.width()));
}

SidebarSettingsButton::SidebarSettingsButton(QWidget* parent) : SidebarPressableRow(parent)
{
    setObjectName(QStringLiteral("sidebarSettings"));
    setAccessibleName(title());
    setToolTip(QStringLiteral("Abrir Preferências (%1)").arg(shortcutLabel(QKeySequence(QStringLiteral("Ctrl+,")))));
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(sizeHint().height());
}

QSize SidebarSettingsButton::sizeHint() const { return {200, QFontMetrics(studioBody()).height() + 2 * 12}; }

void SidebarSettingsButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (isPressed()) painter.fillRect(rect(), StudioAppearance::pressedOverlay());
    paintLabel(painter, rect().adjusted(16, 12, -16, -12), systemImage(), title(), studioBody(),
               StudioAppearance::secondaryText());
}

} // namespace corvane
