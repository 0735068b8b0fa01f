#pragma once

#include <QWidget>

namespace corvane {

class PracticeSessionStore;
class VisualPresetRows;

// The "Partículas" category of the visual page: what the stage throws up
// where a played note strikes the keyboard ("Aparência", "Emissão",
// "Movimento", "Luz e rastro").
class VisualParticleControls : public QWidget {
    Q_OBJECT
public:
    explicit VisualParticleControls(PracticeSessionStore& store, QWidget* parent = nullptr);

    VisualPresetRows& rows() const { return *rows_; }

private:
    VisualPresetRows* rows_;
};

} // namespace corvane
