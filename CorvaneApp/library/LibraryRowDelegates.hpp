#pragma once

#include <QColor>
#include <QStyledItemDelegate>

namespace corvane {

// Orange of the rows whose file is missing.
const QColor& libraryWarningColor();

// Paints the collection list: section titles, collection rows (symbol,
// title, then the count or a small turning progress mark while busy) and
// the two plain button rows.
class LibraryCollectionDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int rowHeight = 28;
    static constexpr int sectionHeight = 30;

    using QStyledItemDelegate::QStyledItemDelegate;

    // Turns of the progress mark, advanced by the list while a scan runs.
    void setSpinnerPhase(double turns) { spinnerPhase_ = turns; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    double spinnerPhase_ = 0;
};

// Paints the song list: subfolder group rows with their disclosure mark and
// song rows (state symbol, title, path or notice, and the practice button).
class LibrarySongDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int groupHeight = 28;
    static constexpr int songHeight = 30;
    static constexpr int songWithSubtitleHeight = 42;
    // How far songs inside a group sit to the right of its mark.
    static constexpr int groupIndent = 22;

    using QStyledItemDelegate::QStyledItemDelegate;

    // The practice button of a song row drawn in `row`.
    static QRect playButtonRect(const QRect& row);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace corvane
