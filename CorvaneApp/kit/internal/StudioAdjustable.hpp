#pragma once

#include <QAccessible>
#include <QString>

namespace corvane {

// What a control that assistive technology can read and nudge offers: its
// value as spoken, and one step up or down. A widget that also derives from
// this is exposed with that value and the increase and decrease actions, in
// the role it names.
class StudioAdjustable {
public:
    virtual ~StudioAdjustable() = default;
    virtual QString accessibleValueText() const = 0;
    virtual void accessibleIncrement() = 0;
    virtual void accessibleDecrement() = 0;
    virtual QAccessible::Role accessibleRole() const { return QAccessible::Slider; }
};

// Makes the accessibility layer expose StudioAdjustable widgets as above.
// Every such control calls it first thing in its constructor: the first
// accessibility event of a widget (setting its accessible name, say) fixes
// the interface it keeps. Safe to call again.
void installStudioAccessibility();

} // namespace corvane
