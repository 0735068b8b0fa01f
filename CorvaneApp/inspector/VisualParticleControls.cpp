#include "CorvaneApp/inspector/VisualParticleControls.hpp"

#include <QVBoxLayout>

#include "CorvaneApp/inspector/VisualInspectorRows.hpp"
#include "CorvaneApp/kit/StudioMenuRow.hpp"
#include "CorvaneApp/kit/StudioParameterRow.hpp"

namespace corvane {

VisualParticleControls::VisualParticleControls(PracticeSessionStore& store, QWidget* parent)
    : QWidget(parent), rows_(new VisualPresetRows(store, this))
{
    setObjectName(QStringLiteral("particleControls"));
    VisualCategoryColumn column(this);
    VisualPresetRows& r = *rows_;
    QVBoxLayout* stack = nullptr;

    QWidget* appearance = VisualCategoryColumn::rowStack(stack);
    stack->addWidget(r.enumeration(QStringLiteral("Tipo"), &VisualPreset::particlePattern));
    stack->addWidget(r.blendModePicker(QStringLiteral("Mistura"), &VisualPreset::particleBlendMode));
    stack->addWidget(r.stepper(QStringLiteral("Opacidade"), &VisualPreset::particleOpacity, 0, 1, 0.05));
    stack->addWidget(r.parameter(QStringLiteral("Variação de cor"), &VisualPreset::particleColorVariation, 0, 1, 0.05,
                                 StudioValueFormat::percent()));
    column.addSection(QStringLiteral("Aparência"), appearance);

    QWidget* emission = VisualCategoryColumn::rowStack(stack);
    stack->addWidget(r.stepper(QStringLiteral("Intensidade"), &VisualPreset::particleIntensity, 0, 4, 0.1));
    stack->addWidget(r.stepper(QStringLiteral("Quantidade"), &VisualPreset::particleQuantity, 0.25, 6, 0.1));
    stack->addWidget(r.stepper(QStringLiteral("Flash de impacto"), &VisualPreset::particleImpactFlash, 0, 4, 0.1));
    column.addSection(QStringLiteral("Emissão"), emission);

    QWidget* motion = VisualCategoryColumn::rowStack(stack);
    stack->addWidget(r.stepper(QStringLiteral("Tamanho"), &VisualPreset::particleSize, 0.25, 5, 0.1));
    stack->addWidget(r.stepper(QStringLiteral("Dispersão"), &VisualPreset::particleSpread, 0, 5, 0.1));
    stack->addWidget(r.stepper(QStringLiteral("Velocidade"), &VisualPreset::particleSpeed, 0, 5, 0.1));
    stack->addWidget(r.stepper(QStringLiteral("Gravidade"), &VisualPreset::particleGravity, -4, 5, 0.1));
    // A saved look holds the lifetime to 0.15 s at least; the row keeps its own, wider range.
    stack->addWidget(r.stepper(QStringLiteral("Duração"), &VisualPreset::particleLifetime, 0.1, 5, 0.1));
    stack->addWidget(r.stepper(QStringLiteral("Turbulência"), &VisualPreset::particleTurbulence, 0, 4, 0.1));
    stack->addWidget(r.stepper(QStringLiteral("Resistência do ar"), &VisualPreset::particleDrag, 0, 2, 0.1));
    column.addSection(QStringLiteral("Movimento"), motion);

    QWidget* light = VisualCategoryColumn::rowStack(stack);
    stack->addWidget(r.stepper(QStringLiteral("Glow"), &VisualPreset::particleGlowIntensity, 0, 4, 0.1));
    stack->addWidget(r.stepper(QStringLiteral("Raio do glow"), &VisualPreset::particleGlowRadius, 0.25, 4, 0.05));
    stack->addWidget(r.stepper(QStringLiteral("Comprimento"), &VisualPreset::particleTrailLength, 0, 4, 0.1));
    stack->addWidget(r.integer(QStringLiteral("Amostras"), &VisualPreset::particleTrailSamples, 0, 8));
    column.addSection(QStringLiteral("Luz e rastro"), light);
}

} // namespace corvane
