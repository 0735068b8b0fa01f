#include "CorvaneApp/settings/SettingsAccessibilityForm.hpp"

#include <QLabel>
#include <QSignalBlocker>

#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/StudioSwitch.hpp"
#include "CorvaneApp/session/PracticeSessionStore.hpp"

namespace corvane {

SettingsAccessibilityForm::SettingsAccessibilityForm(PracticeSessionStore& store, QWidget* parent)
    : SettingsForm(parent), store_(store)
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

    connect(reduceParticles_, &QAbstractButton::toggled, &store_, &PracticeSessionStore::setReduceParticles);
    connect(&store_, &PracticeSessionStore::reduceParticlesChanged, this, &SettingsAccessibilityForm::showStoredValue);
    showStoredValue();
}

void SettingsAccessibilityForm::showStoredValue()
{
    const QSignalBlocker quiet(reduceParticles_);
    reduceParticles_->setChecked(store_.reduceParticles());
}

} // namespace corvane
