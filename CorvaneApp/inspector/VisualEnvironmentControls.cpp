#include "CorvaneApp/inspector/VisualEnvironmentControls.hpp"

#include <QVBoxLayout>

#include "CorvaneApp/inspector/VisualInspectorRows.hpp"
#include "CorvaneApp/kit/StudioColorRow.hpp"
#include "CorvaneApp/kit/StudioMenuRow.hpp"
#include "CorvaneApp/kit/StudioParameterRow.hpp"

namespace corvane {

VisualEnvironmentControls::VisualEnvironmentControls(PracticeSessionStore& store, QWidget* parent)
    : QWidget(parent), rows_(new VisualPresetRows(store, this))
{
    setObjectName(QStringLiteral("environmentControls"));
    VisualCategoryColumn column(this);
    VisualPresetRows& r = *rows_;
    QVBoxLayout* stack = nullptr;

    QWidget* smoke = VisualCategoryColumn::rowStack(stack);
    stack->addWidget(r.toggle(QStringLiteral("Ativada"), &VisualPreset::smokeEnabled, &smokeSwitch_));
    stack->addWidget(r.enumeration(QStringLiteral("Padrão"), &VisualPreset::smokePattern));
    stack->addWidget(r.blendModePicker(QStringLiteral("Mistura"), &VisualPreset::smokeBlendMode));
    column.addSection(QStringLiteral("Fumaça"), smoke);

    QWidget* colors = VisualCategoryColumn::rowStack(stack);
    stack->addWidget(r.color(QStringLiteral("Principal"), &VisualPreset::smokePrimaryHue,
                             &VisualPreset::smokePrimarySaturation, &VisualPreset::smokePrimaryBrightness));
    stack->addWidget(r.color(QStringLiteral("Secundária"), &VisualPreset::smokeSecondaryHue,
                             &VisualPreset::smokeSecondarySaturation, &VisualPreset::smokeSecondaryBrightness));
    column.addSection(QStringLiteral("Cores da fumaça"), colors);

    QWidget* shape = VisualCategoryColumn::rowStack(stack);
    stack->addWidget(r.stepper(QStringLiteral("Intensidade"), &VisualPreset::smokeIntensity, 0, 2, 0.1));
    stack->addWidget(r.stepper(QStringLiteral("Opacidade"), &VisualPreset::smokeOpacity, 0, 1, 0.05));
    stack->addWidget(r.stepper(QStringLiteral("Volume"), &VisualPreset::smokeSize, 0.5, 2.5, 0.05));
    stack->addWidget(r.stepper(QStringLiteral("Densidade"), &VisualPreset::smokeDensity, 0.25, 2.5, 0.05));
    stack->addWidget(r.stepper(QStringLiteral("Turbulência"), &VisualPreset::smokeTurbulence, 0, 2.5, 0.05));
    stack->addWidget(r.stepper(QStringLiteral("Velocidade"), &VisualPreset::smokeSpeed, 0, 2.5, 0.05));
    stack->addWidget(r.stepper(QStringLiteral("Expansão"), &VisualPreset::smokeSpread, 0.5, 3, 0.05));
    column.addSection(QStringLiteral("Forma e movimento"), shape);

    QWidget* saber = VisualCategoryColumn::rowStack(stack);
    stack->addWidget(r.toggle(QStringLiteral("Ativado"), &VisualPreset::saberEnabled, &saberSwitch_));
    stack->addWidget(r.color(QStringLiteral("Cor"), &VisualPreset::saberHue, &VisualPreset::saberSaturation,
                             &VisualPreset::saberBrightness));
    // The saber's field has the background's modes: 21, without "Aditivo".
    stack->addWidget(r.enumeration(QStringLiteral("Mistura"), &VisualPreset::saberBlendMode));
    stack->addWidget(r.stepper(QStringLiteral("Espessura"), &VisualPreset::saberThickness, 0.5, 4, 0.1));
    stack->addWidget(r.parameter(QStringLiteral("Posição Y"), &VisualPreset::saberYOffset, -160, 160, 1,
                                 StudioValueFormat::pixels()));
    stack->addWidget(r.parameter(QStringLiteral("Intensidade"), &VisualPreset::saberIntensity, 0, 1, 0.05,
                                 StudioValueFormat::percent()));
    column.addSection(QStringLiteral("Saber"), saber);
}

} // namespace corvane
