#include "CorvaneApp/settings/SettingsVisualForm.hpp"

#include <QLabel>

#include "CorvaneApp/kit/style/StudioAppearance.hpp"

namespace corvane {

SettingsVisualForm::SettingsVisualForm(QWidget* parent) : SettingsForm(parent)
{
    auto group = new SettingsGroup;
    reset_ = new SettingsButton(QStringLiteral("arrow.counterclockwise"), QStringLiteral("Redefinir parâmetros visuais"));
    group->addRow(reset_);
    group->addRow(makeSettingsCaption(
        QStringLiteral("Restaura a paleta âmbar, efeitos, partículas, fumaça e imagem de fundo padrão."),
        StudioAppearance::secondaryText()));
    addSection(makeSettingsSectionHeader(QStringLiteral("Aparência")), group);
    finish();
    connect(reset_, &QAbstractButton::clicked, this, &SettingsVisualForm::resetVisualParametersRequested);
}

} // namespace corvane
