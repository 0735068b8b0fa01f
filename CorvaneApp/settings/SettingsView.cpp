#include "CorvaneApp/settings/SettingsView.hpp"

#include <QMessageBox>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <array>

#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/kit/style/StudioLocale.hpp"
#include "CorvaneApp/kit/style/StudioSymbols.hpp"
#include "CorvaneApp/session/PracticeSessionStore.hpp"
#include "CorvaneApp/settings/AudioSettingsForm.hpp"
#include "CorvaneApp/settings/MIDISettingsForm.hpp"
#include "CorvaneApp/settings/SettingsAccessibilityForm.hpp"
#include "CorvaneApp/settings/SettingsFormParts.hpp"
#include "CorvaneApp/settings/SettingsPracticeForm.hpp"
#include "CorvaneApp/settings/SettingsVisualForm.hpp"
#include "CorvaneDomain/MIDINoteName.hpp"

namespace corvane {

QString SettingsView::noteName(std::uint8_t note) { return QString::fromStdString(corvane::noteName(note)); }

SettingsView::SettingsView(PracticeSessionStore& practiceStore, MIDIDeviceMonitor* midiDeviceMonitor,
                           PianoAudioEngine* audioEngine, std::function<void()> openEditor, QWidget* parent)
    : QWidget(parent), practiceStore_(practiceStore), tabs_(new QTabWidget)
{
    setFont(studioBody());
    setLocale(studioLocale());

    practiceForm_ = new SettingsPracticeForm(practiceStore_);
    QWidget* midiTab = nullptr;
    if (midiDeviceMonitor) {
        midiTab = midiForm_ = new MIDISettingsForm(*midiDeviceMonitor);
    } else {
        midiTab = midiEmptyState_ =
            new SettingsEmptyState(QStringLiteral("pianokeys"), QStringLiteral("MIDI indisponível"),
                                   QStringLiteral("O subsistema MIDI não pôde ser iniciado."));
    }
    QWidget* audioTab = nullptr;
    if (audioEngine) {
        audioTab = audioForm_ = new AudioSettingsForm(*audioEngine, std::move(openEditor));
    } else {
        audioTab = audioEmptyState_ =
            new SettingsEmptyState(QStringLiteral("speaker.slash"), QStringLiteral("Áudio indisponível"),
                                   QStringLiteral("O mecanismo de áudio não pôde ser iniciado."));
    }
    visualForm_ = new SettingsVisualForm;
    accessibilityForm_ = new SettingsAccessibilityForm(practiceStore_);

    // The same label and pictogram whether the tab shows its form or says the service is missing.
    const struct {
        QWidget* page;
        const char* image;
        QString title;
    } pages[] = {{practiceForm_, "music.note", QStringLiteral("Prática")},
                 {midiTab, "pianokeys", QStringLiteral("MIDI")},
                 {audioTab, "waveform", QStringLiteral("Áudio")},
                 {visualForm_, "paintpalette", QStringLiteral("Visual")},
                 {accessibilityForm_, "accessibility", QStringLiteral("Acessibilidade")}};
    tabs_->setIconSize(QSize(16, 16));
    for (const auto& page : pages) {
        const QString image = QString::fromLatin1(page.image);
        const int index = tabs_->addTab(page.page, studioSymbolIcon(image, 16, StudioAppearance::primaryText()),
                                        page.title);
        tabs_->tabBar()->setTabData(index, image);
    }
    tabs_->setFixedSize(tabWidth, tabHeight);

    auto layout = new QVBoxLayout(this);
    layout->setContentsMargins(padding, padding, padding, padding);
    layout->addWidget(tabs_, 0, Qt::AlignCenter);

    connect(practiceForm_, &SettingsPracticeForm::resetPracticeDataRequested, this,
            &SettingsView::presentResetPracticeData);
    connect(visualForm_, &SettingsVisualForm::resetVisualParametersRequested, this,
            &SettingsView::presentResetVisualParameters);
}

QString SettingsView::tabSystemImage(int index) const { return tabs_->tabBar()->tabData(index).toString(); }

bool SettingsView::isResetVisualParametersPresented() const
{
    return resetVisualConfirmation_ && resetVisualConfirmation_->isVisible();
}

bool SettingsView::isResetPracticeDataPresented() const
{
    return resetDataConfirmation_ && resetDataConfirmation_->isVisible();
}

QMessageBox* SettingsView::makeConfirmation(const QString& title, const QString& destructiveTitle,
                                            const QString& message, std::function<void()> confirmed)
{
    auto box = new QMessageBox(this);
    box->setIcon(QMessageBox::Warning);
    box->setWindowModality(Qt::WindowModal);
    box->setWindowTitle(title);
    box->setText(title);
    box->setInformativeText(message);
    auto destructive = box->addButton(destructiveTitle, QMessageBox::DestructiveRole);
    destructive->setObjectName(QStringLiteral("destructiveButton"));
    auto cancel = box->addButton(QStringLiteral("Cancelar"), QMessageBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    // Return must not erase anything: it presses "Cancelar", as Escape and closing do.
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    connect(destructive, &QAbstractButton::clicked, this, std::move(confirmed));
    return box;
}

void SettingsView::presentResetVisualParameters()
{
    if (!resetVisualConfirmation_) {
        resetVisualConfirmation_ = makeConfirmation(
            QStringLiteral("Redefinir parâmetros visuais?"), QStringLiteral("Redefinir"),
            QStringLiteral("A paleta âmbar e todos os efeitos visuais voltarão aos padrões do Brelmo."),
            [this] { practiceStore_.resetVisualParameters(); });
        resetVisualConfirmation_->setObjectName(QStringLiteral("resetVisualParametersConfirmation"));
    }
    if (!resetVisualConfirmation_->isVisible()) resetVisualConfirmation_->open();
}

void SettingsView::presentResetPracticeData()
{
    if (!resetDataConfirmation_) {
        resetDataConfirmation_ = makeConfirmation(
            QStringLiteral("Apagar todos os dados de prática?"), QStringLiteral("Apagar"),
            QStringLiteral("A sessão atual, o histórico de todas as músicas e o desempenho de cada trecho voltam a "
                           "zero. Os trechos salvos e as músicas da biblioteca permanecem. Não há como desfazer."),
            [this] { practiceStore_.resetAllPracticeData(); });
        resetDataConfirmation_->setObjectName(QStringLiteral("resetPracticeDataConfirmation"));
    }
    if (!resetDataConfirmation_->isVisible()) resetDataConfirmation_->open();
}

} // namespace corvane
