#pragma once

#include "CorvaneApp/settings/SettingsFormParts.hpp"

namespace corvane {

// The "Visual" tab: the button that asks to put the stage's look back to
// its built-in values. The settings window confirms before anything changes.
class SettingsVisualForm : public SettingsForm {
    Q_OBJECT
public:
    explicit SettingsVisualForm(QWidget* parent = nullptr);
    SettingsButton* resetButton() const { return reset_; }

signals:
    void resetVisualParametersRequested();

private:
    SettingsButton* reset_;
};

} // namespace corvane
