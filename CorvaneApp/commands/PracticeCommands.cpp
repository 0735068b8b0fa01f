#include "CorvaneApp/commands/PracticeCommands.hpp"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "CorvaneApp/commands/ShortcutLabel.hpp"
#include "CorvaneApp/session/PracticeSessionStore.hpp"

namespace corvane {

PracticeCommands::PracticeCommands(PracticeSessionStore& playbackStore, QObject* parent)
    : QObject(parent), playbackStore_(playbackStore)
{
    using A = PracticeCommandActions;
    openMIDI_ = entry("Abrir MIDI…", "Ctrl+O", &A::openMIDI);

    togglePlayback_ = new QAction(this);
    // Space belongs to the window's own key handling, so the entry has no shortcut.
    connect(togglePlayback_, &QAction::triggered, this, [this] { playbackStore_.togglePlayback(); });

    seekBackward_ = entry("", "Alt+Left", &A::seekBackward);
    seekForward_ = entry("", "Alt+Right", &A::seekForward);
    returnToStart_ = entry("Voltar ao início", "Ctrl+Return", &A::returnToStart);
    decreaseSpeed_ = entry("Reduzir velocidade", "Ctrl+Alt+Down", &A::decreaseSpeed);
    increaseSpeed_ = entry("Aumentar velocidade", "Ctrl+Alt+Up", &A::increaseSpeed);
    markLoopStart_ = entry("Marcar início do trecho", "Ctrl+Alt+[", &A::markLoopStart);
    markLoopEnd_ = entry("Marcar fim do trecho", "Ctrl+Alt+]", &A::markLoopEnd);
    applyLoop_ = entry("Repetir trecho marcado", "Ctrl+Alt+L", &A::applyLoop);
    clearLoop_ = entry("Desativar repetição", "Ctrl+Alt+Shift+L", &A::clearLoop);
    showPractice_ = entry("Praticar", "Ctrl+1", &A::showPractice);
    showRecent_ = entry("Recentes", "Ctrl+2", &A::showRecent);
    toggleInspector_ = entry("Mostrar ou ocultar a barra lateral", toggleInspectorShortcut, &A::toggleInspector);

    connect(&playbackStore_, &PracticeSessionStore::isPlayingChanged, this, &PracticeCommands::refreshPlaybackTitle);
    connect(&playbackStore_, &PracticeSessionStore::countInProgressChanged, this,
            &PracticeCommands::refreshPlaybackTitle);
    connect(&playbackStore_, &PracticeSessionStore::currentSongChanged, this, &PracticeCommands::refreshPlaybackTitle);
    refresh();
}

QAction* PracticeCommands::entry(const char* title, const char* shortcut,
                                 PracticeCommandActions::Action PracticeCommandActions::*action)
{
    auto item = new QAction(this);
    item->setShortcut(QKeySequence(QString::fromLatin1(shortcut)));
    setTitle(item, QString::fromUtf8(title));
    connect(item, &QAction::triggered, this, [this, action] {
        // The value may have gone (or changed) since the menu was drawn.
        if (!actions_) return;
        const auto& run = (*actions_).*action;
        if (run) run();
    });
    return item;
}

QString PracticeCommands::title(const QAction* item) { return item->text().section(QLatin1Char('\t'), 0, 0); }

void PracticeCommands::setTitle(QAction* item, const QString& title)
{
    // A menu shows what follows the tab as the shortcut, in place of Qt's
    // translated key names.
    item->setText(item->shortcut().isEmpty() ? title : title + QLatin1Char('\t') + shortcutLabel(item->shortcut()));
}

void PracticeCommands::install(QMenu* fileMenu, QMenuBar* menuBar)
{
    const auto existing = fileMenu->actions();
    fileMenu->insertAction(existing.isEmpty() ? nullptr : existing.front(), openMIDI_);

    QMenu* practice = menuBar->addMenu(QStringLiteral("Prática"));
    practice->addAction(togglePlayback_);
    practice->addSeparator();
    practice->addActions({seekBackward_, seekForward_, returnToStart_, decreaseSpeed_, increaseSpeed_});
    practice->addSeparator();
    practice->addActions({markLoopStart_, markLoopEnd_, applyLoop_, clearLoop_});

    QMenu* navigation = menuBar->addMenu(QStringLiteral("Navegação"));
    navigation->addActions({showPractice_, showRecent_});
    navigation->addSeparator();
    navigation->addAction(toggleInspector_);
}

void PracticeCommands::setActions(std::optional<PracticeCommandActions> actions)
{
    actions_ = std::move(actions);
    refresh();
}

void PracticeCommands::refresh()
{
    const bool present = actions_.has_value();
    const bool hasSong = present && actions_->hasSong;
    const QString step = present ? QString::fromStdString(actions_->seekStepLabel) : QStringLiteral("5");
    setTitle(seekBackward_, QStringLiteral("Voltar %1 segundos").arg(step));
    setTitle(seekForward_, QStringLiteral("Avançar %1 segundos").arg(step));

    for (auto item : {openMIDI_, showPractice_, showRecent_, toggleInspector_}) item->setEnabled(present);
    for (auto item : {seekBackward_, seekForward_, returnToStart_, decreaseSpeed_, increaseSpeed_, markLoopStart_,
                      markLoopEnd_, applyLoop_})
        item->setEnabled(hasSong);
    clearLoop_->setEnabled(present && actions_->hasLoop);
    refreshPlaybackTitle();
}

void PracticeCommands::refreshPlaybackTitle()
{
    // Without a song the controller's playing flag only runs the idle stage
    // animation; offering "Pausar" then would name nothing that plays.
    const bool playing = playbackStore_.currentSong().has_value() &&
                         (playbackStore_.isPlaying() || playbackStore_.countInProgress().has_value());
    togglePlayback_->setText(playing ? QStringLiteral("Pausar") : QStringLiteral("Reproduzir"));
}

} // namespace corvane
