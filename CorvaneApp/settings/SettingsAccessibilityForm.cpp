#include "CorvaneApp/settings/SettingsAccessibilityForm.hpp"

#include <QLabel>
#include <QSignalBlocker>

#include "CorvaneApp/kit/StudioAppearance.hpp"
#include "CorvaneApp/kit/StudioSwitch.hpp"
#include "CorvaneApp/session/PracticeSessionStore.hpp"
#include "CorvaneLibrary/DefaultsStore.hpp"

namespace corvane {

SettingsAccessibilityForm::SettingsAccessibilityForm(DefaultsStore& defaults, QWidget* parent)
    : SettingsForm(parent), defaults_(defaults)
{
    auto group = new SettingsGroup;
    reduceParticles_ = new StudioSwitch(QStringLiteral("Reduzir partículas"));
    reduceParticles_->setAccessibleName(QStringLiteral("Reduzir partículas"));
    reduceParticles_->setMinimumHeight(26);
    group->addRow(reduceParticles_);
    group->addRow(new SettingsValueRow(QStringLiteral("Movimento e contraste"),
                                       QStringLiteral("Seguir Ajustes do Sistema"), StudioAppearance::secondaryText()));
    group->addRow(makeSettingsCaption(QStringLiteral("O palco respeita automaticamente Reduzir Movimento e Aumentar "
                                                     "Contraste configurados no sistema."),
                                      StudioAppearance::secondaryText()));
    addSection(nullptr, group);
    finish();

    connect(reduceParticles_, &QAbstractButton::toggled, this,
            [this](bool on) { defaults_.setBool(PracticeSessionStore::reduceParticlesKey, on); });
    connect(&defaults_, &DefaultsStore::valueChanged, this, [this](const QString& key) {
        if (key == QLatin1String(PracticeSessionStore::reduceParticlesKey)) showStoredValue();
    });
    showStoredValue();
}

void SettingsAccessibilityForm::showStoredValue()
{
    const QSignalBlocker quiet(reduceParticles_);
    reduceParticles_->setChecked(defaults_.boolValue(PracticeSessionStore::reduceParticlesKey).value_or(false));
}

} // namespace corvane
