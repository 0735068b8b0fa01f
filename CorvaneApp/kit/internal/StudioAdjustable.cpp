#include "CorvaneApp/kit/internal/StudioAdjustable.hpp"

#include <QAccessibleWidget>
#include <QWidget>

namespace corvane {

namespace {

class AdjustableInterface : public QAccessibleWidget {
public:
    AdjustableInterface(QWidget* widget, StudioAdjustable* adjustable)
        : QAccessibleWidget(widget, adjustable->accessibleRole()), adjustable_(adjustable)
    {
    }

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Value) return adjustable_->accessibleValueText();
        return QAccessibleWidget::text(kind);
    }

    QStringList actionNames() const override
    {
        return QAccessibleWidget::actionNames() << increaseAction() << decreaseAction();
    }

    void doAction(const QString& name) override
    {
        if (!widget()->isEnabled()) return;
        if (name == increaseAction()) adjustable_->accessibleIncrement();
        else if (name == decreaseAction()) adjustable_->accessibleDecrement();
        else QAccessibleWidget::doAction(name);
    }

private:
    StudioAdjustable* adjustable_;
};

QAccessibleInterface* adjustableFactory(const QString&, QObject* object)
{
    auto widget = qobject_cast<QWidget*>(object);
    if (!widget) return nullptr;
    if (auto adjustable = dynamic_cast<StudioAdjustable*>(widget)) return new AdjustableInterface(widget, adjustable);
    return nullptr;
}

} // namespace

void installStudioAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(&adjustableFactory);
        return true;
    }();
    (void)installed;
}

} // namespace corvane
