#pragma once

#include "CorvaneApp/settings/SettingsFormParts.hpp"

namespace corvane {

class PracticeSessionStore;
class StudioSwitch;

// The "Acessibilidade" tab: fewer particles on the stage (the controller's
// setting, which the practice screen follows) and a word on how the stage
// treats the system's motion and contrast settings.
class SettingsAccessibilityForm : public SettingsForm {
    Q_OBJECT
public:
    explicit SettingsAccessibilityForm(PracticeSessionStore& store, QWidget* parent = nullptr);
    StudioSwitch* reduceParticlesSwitch() const { return reduceParticles_; }

private:
    void showStoredValue();

    PracticeSessionStore& store_;
    StudioSwitch* reduceParticles_;
};

} // namespace corvane
