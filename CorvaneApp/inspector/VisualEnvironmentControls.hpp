#pragma once

#include <QWidget>

namespace corvane {

class PracticeSessionStore;
class StudioSwitch;
class VisualPresetRows;

// The "Ambiente" category of the visual page: the smoke above the impact
// line and the saber across it. Their switches turn only the effect on and
// off: every other row stays editable while its effect is off.
class VisualEnvironmentControls : public QWidget {
    Q_OBJECT
public:
    explicit VisualEnvironmentControls(PracticeSessionStore& store, QWidget* parent = nullptr);

    VisualPresetRows& rows() const { return *rows_; }
    StudioSwitch& smokeSwitch() const { return *smokeSwitch_; }
    StudioSwitch& saberSwitch() const { return *saberSwitch_; }

private:
    VisualPresetRows* rows_;
    StudioSwitch* smokeSwitch_ = nullptr;
    StudioSwitch* saberSwitch_ = nullptr;
};

} // namespace corvane
