#pragma once

#include "CorvaneApp/settings/SettingsFormParts.hpp"

namespace corvane {

class DefaultsStore;
class StudioSwitch;

// The "Acessibilidade" tab: fewer particles on the stage (kept in the
// defaults, which the practice screen reads) and a word on how the stage
// treats the system's motion and contrast settings.
class SettingsAccessibilityForm : public SettingsForm {
    Q_OBJECT
public:
    explicit SettingsAccessibilityForm(DefaultsStore& defaults, QWidget* parent = nullptr);
    StudioSwitch* reduceParticlesSwitch() const { return reduceParticles_; }

private:
    void showStoredValue();

    DefaultsStore& defaults_;
    StudioSwitch* reduceParticles_;
};

} // namespace corvane
