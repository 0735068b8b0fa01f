#include "CorvaneApp/library/LibraryRowDelegates.hpp"

#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QTreeView>

#include <cmath>

#include "CorvaneApp/kit/style/StudioAccent.hpp"
#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/kit/style/StudioSymbols.hpp"
#include "CorvaneApp/library/LibraryListModels.hpp"

namespace corvane {

namespace {

constexpr int sideInset = 6;

QColor withAlpha(QColor color, double alpha)
{
    color.setAlphaF(static_cast<float>(color.alphaF() * alpha));
    return color;
}

// The rounded highlight of a selected row, in the accent colour.
void paintSelection(QPainter* painter, const QStyleOptionViewItem& option)
{
    if (!(option.state & QStyle::State_Selected)) return;
    const QRectF box = QRectF(option.rect).adjusted(sideInset, 1, -sideInset, -1);
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(withAlpha(studioAccent(option.widget), 0.28));
    painter->drawRoundedRect(box, 5, 5);
}

void paintText(QPainter* painter, const QRect& box, const QFont& font, const QColor& color, const QString& text,
               Qt::TextElideMode elide = Qt::ElideRight, Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter)
{
    if (box.width() <= 0) return;
    painter->setFont(font);
    painter->setPen(color);
    painter->drawText(box, int(alignment), QFontMetrics(font).elidedText(text, elide, box.width()));
}

// A small arc that turns with `turns`, where a count would stand.
void paintSpinner(QPainter* painter, const QPointF& centre, double turns)
{
    const double radius = 5.5;
    QPen pen(StudioAppearance::secondaryText(), 1.6);
    pen.setCapStyle(Qt::RoundCap);
    painter->setPen(pen);
    painter->setBrush(Qt::NoBrush);
    const int start = int(std::lround(-std::fmod(turns, 1.0) * 360 * 16));
    painter->drawArc(QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius), start, 270 * 16);
}

// The disclosure mark of a group: pointing right when closed, down when open.
void paintChevron(QPainter* painter, const QPointF& centre, bool open)
{
    QPainterPath path;
    if (open) {
        path.moveTo(centre + QPointF(-3.5, -1.75));
        path.lineTo(centre + QPointF(0, 1.75));
        path.lineTo(centre + QPointF(3.5, -1.75));
    } else {
        path.moveTo(centre + QPointF(-1.75, -3.5));
        path.lineTo(centre + QPointF(1.75, 0));
        path.lineTo(centre + QPointF(-1.75, 3.5));
    }
    QPen pen(StudioAppearance::secondaryText(), 1.5);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    painter->setPen(pen);
    painter->setBrush(Qt::NoBrush);
    painter->drawPath(path);
}

} // namespace

const QColor& libraryWarningColor()
{
    static const QColor orange(255, 159, 10);
    return orange;
}

// Collections.

void LibraryCollectionDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                      const QModelIndex& index) const
{
    auto model = qobject_cast<const LibraryCollectionModel*>(index.model());
    const CollectionRow* row = model ? model->row(index) : nullptr;
    if (!row) return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRect box = option.rect.adjusted(sideInset + 8, 0, -(sideInset + 8), 0);
    using Kind = CollectionRow::Kind;
    if (row->kind == Kind::section) {
        QFont font = studioCaption();
        font.setWeight(QFont::DemiBold);
        paintText(painter, box.adjusted(2, 8, 0, 0), font, StudioAppearance::tertiaryText(), row->title);
        painter->restore();
        return;
    }

    paintSelection(painter, option);
    // Symbol in a 16-point frame, then the title 10 points on.
    const QRectF symbol(box.left(), box.center().y() - 7.5, 16, 15);
    const bool isButton = row->kind != Kind::collection;
    paintStudioSymbol(*painter, row->systemImage, symbol.adjusted(1, 1, -1, -1),
                      isButton ? studioAccent(option.widget) : StudioAppearance::secondaryText());
    QRect title = box.adjusted(16 + 10, 0, 0, 0);
    if (!isButton) {
        const QString count = QLocale().toString(static_cast<qulonglong>(row->count));
        const int countWidth = row->isBusy ? 14 : QFontMetrics(studioCaption()).horizontalAdvance(count);
        const QRect trailing(box.right() - countWidth + 1, box.top(), countWidth, box.height());
        if (row->isBusy)
            paintSpinner(painter, QRectF(trailing).center(), spinnerPhase_);
        else
            paintText(painter, trailing, studioCaption(), StudioAppearance::tertiaryText(), count, Qt::ElideNone,
                      Qt::AlignRight | Qt::AlignVCenter);
        title.setRight(trailing.left() - 8);
    }
    paintText(painter, title, studioBody(), StudioAppearance::primaryText(), row->title);
    painter->restore();
}

QSize LibraryCollectionDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const
{
    auto model = qobject_cast<const LibraryCollectionModel*>(index.model());
    const CollectionRow* row = model ? model->row(index) : nullptr;
    const bool section = row && row->kind == CollectionRow::Kind::section;
    return {180, section ? sectionHeight : rowHeight};
}

// Songs.

QRect LibrarySongDelegate::playButtonRect(const QRect& row)
{
    const int side = 24;
    return {row.right() - sideInset - 8 - side + 1, row.center().y() - side / 2, side, side};
}

void LibrarySongDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const
{
    auto model = qobject_cast<const LibrarySongModel*>(index.model());
    if (!model) return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRect box = option.rect.adjusted(sideInset + 8, 0, -(sideInset + 8), 0);

    if (const SongGroupRows* group = model->group(index)) {
        auto tree = qobject_cast<const QTreeView*>(option.widget);
        const bool open = tree ? tree->isExpanded(index) : true;
        paintChevron(painter, QPointF(box.left() + 6, box.center().y() + 0.5), open);
        const QRectF symbol(box.left() + groupIndent, box.center().y() - 8, 16, 16);
        paintStudioSymbol(*painter, QStringLiteral("folder"), symbol.adjusted(1, 1, -1, -1),
                          StudioAppearance::secondaryText());
        paintText(painter, box.adjusted(groupIndent + 16 + 8, 0, 0, 0), studioHeadline(),
                  StudioAppearance::primaryText(), QString::fromStdString(group->name));
        painter->restore();
        return;
    }
    const ResolvedLibrarySong* song = model->song(index);
    if (!song) {
        painter->restore();
        return;
    }

    paintSelection(painter, option);
    const int left = box.left() + (index.parent().isValid() ? groupIndent : 0);
    const bool available = song->isAvailable();
    // The state symbol in an 18-point frame, then the texts 12 points on.
    const QRectF symbol(left, box.center().y() - 8, 18, 16);
    paintStudioSymbol(*painter, available ? QStringLiteral("music.note") : QStringLiteral("exclamationmark.triangle"),
                      symbol.adjusted(1, 0, -1, 0),
                      available ? StudioAppearance::secondaryText() : libraryWarningColor());

    const QRect button = playButtonRect(option.rect);
    const QRect texts(left + 18 + 12, box.top(), button.left() - 10 - (left + 18 + 12), box.height());
    const QString subtitle = index.data(LibrarySongModel::SubtitleRole).toString();
    const QString title = QString::fromStdString(song->title);
    if (subtitle.isEmpty()) {
        paintText(painter, texts, studioBody(), StudioAppearance::primaryText(), title);
    } else {
        const int titleHeight = QFontMetrics(studioBody()).height();
        const int subtitleHeight = QFontMetrics(studioCaption()).height();
        const int top = texts.center().y() - (titleHeight + 2 + subtitleHeight) / 2;
        paintText(painter, QRect(texts.left(), top, texts.width(), titleHeight), studioBody(),
                  StudioAppearance::primaryText(), title);
        paintText(painter, QRect(texts.left(), top + titleHeight + 2, texts.width(), subtitleHeight), studioCaption(),
                  song->relativePath ? StudioAppearance::secondaryText() : libraryWarningColor(), subtitle,
                  song->relativePath ? Qt::ElideMiddle : Qt::ElideRight);
    }

    // "Praticar": its symbol alone, dimmed while the song cannot be practised.
    const QColor play = available ? StudioAppearance::secondaryText() : withAlpha(StudioAppearance::tertiaryText(), 0.6);
    paintStudioSymbol(*painter, QStringLiteral("play.fill"), QRectF(button).adjusted(6, 6, -6, -6), play);
    painter->restore();
}

QSize LibrarySongDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const
{
    auto model = qobject_cast<const LibrarySongModel*>(index.model());
    if (!model || model->group(index)) return {300, groupHeight};
    const ResolvedLibrarySong* song = model->song(index);
    const bool twoLines = song && (song->relativePath || !song->isAvailable());
    return {300, twoLines ? songWithSubtitleHeight : songHeight};
}

} // namespace corvane
