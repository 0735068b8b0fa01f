#pragma once

#include <QAccessible>
#include <QRect>
#include <QString>
#include <QStringList>

class QAbstractButton;
class QWidget;

namespace corvane {

// A widget that makes widgets only for the rows in view. A widget that also
// derives from this is told whole to screen readers: every row is an
// accessible child of it, named from the list's data whether or not it has a
// widget now, and an action on a row brings the row into view and presses
// the control of the widget made for it.
class StudioLazyList {
public:
    // What a screen reader hears of a row.
    struct AccessibleRow {
        QAccessible::Role role = QAccessible::ListItem;
        QString name;
        QString description;
        // Each names a control of the row's widget.
        QStringList actions;
        bool operator==(const AccessibleRow&) const = default;
    };

    virtual ~StudioLazyList() = default;

    virtual int accessibleRowCount() const = 0;
    virtual AccessibleRow accessibleRow(int row) const = 0;
    // Where a row is, in the list widget's coordinates, made or not.
    virtual QRect accessibleRowRect(int row) const = 0;
    // The widget made for a row now; null when it has none.
    virtual QWidget* madeRowWidget(int row) const = 0;
    // Scrolls a row into view and gives the widget made for it.
    virtual QWidget* revealRow(int row) = 0;
    // The control of a row's widget that one of its actions presses.
    virtual QAbstractButton* rowControl(QWidget* rowWidget, const QString& action) const = 0;

protected:
    // Every such list calls it first thing in its constructor: the first
    // accessibility event of a widget fixes the interface it keeps.
    static void installAccessibility();
    // Tells a screen reader that the rows of `list` changed.
    static void rowsChanged(QWidget* list);
};

} // namespace corvane
