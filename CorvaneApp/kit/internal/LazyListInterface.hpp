#pragma once

#include <QAccessibleWidget>

#include <unordered_map>

namespace corvane {

class StudioLazyList;

// A lazy list to screen readers: a list whose children are all its rows,
// made or not. Each row's interface is made when first asked for and lives
// as long as the list's.
class LazyListInterface : public QAccessibleWidget {
public:
    LazyListInterface(QWidget* widget, StudioLazyList* list);
    ~LazyListInterface() override;

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;

private:
    StudioLazyList* list_;
    mutable std::unordered_map<int, QAccessible::Id> rows_;
};

} // namespace corvane
