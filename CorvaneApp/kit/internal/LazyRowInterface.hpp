#pragma once

#include <QAccessibleInterface>
#include <QPointer>
#include <QWidget>

namespace corvane {

class StudioLazyList;

// One row of a lazy list to screen readers, whether or not a widget shows
// it now: its name, place and actions come from the list, and an action
// brings the row into view before pressing its control.
class LazyRowInterface : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    LazyRowInterface(QWidget* listWidget, StudioLazyList* list, int row);

    int row() const { return row_; }

    bool isValid() const override;
    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text kind) const override;
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    QStringList actionNames() const override;
    void doAction(const QString& name) override;
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QWidget* madeWidget() const;

    QPointer<QWidget> listWidget_;
    StudioLazyList* list_;
    int row_;
};

} // namespace corvane
