#include "CorvaneApp/window/ErrorAlert.hpp"

#include <QMessageBox>
#include <QPushButton>

#include "CorvaneApp/session/PracticeSessionStore.hpp"
#include "CorvaneLibrary/MusicLibraryStore.hpp"

namespace corvane {

std::optional<ErrorAlert::Message> ErrorAlert::next(const std::optional<std::string>& importError,
                                                    const std::optional<std::string>& libraryError)
{
    if (importError)
        return Message{Source::openFile, QStringLiteral("Não foi possível abrir o MIDI"),
                       QString::fromStdString(*importError)};
    if (libraryError)
        return Message{Source::library, QStringLiteral("Não foi possível acessar a biblioteca"),
                       QString::fromStdString(*libraryError)};
    return std::nullopt;
}

ErrorAlert::ErrorAlert(QWidget* window, PracticeSessionStore& store, MusicLibraryStore& library)
    : QObject(window), window_(window), store_(store), library_(library)
{
    connect(&store_, &PracticeSessionStore::lastImportErrorChanged, this, &ErrorAlert::refresh);
    connect(&library_, &MusicLibraryStore::lastErrorChanged, this, &ErrorAlert::refresh);
    refresh();
}

QMessageBox* ErrorAlert::visibleBox() const { return box_ && box_->isVisible() ? box_ : nullptr; }

void ErrorAlert::refresh()
{
    shown_ = next(store_.lastImportError(), library_.lastError());
    if (!shown_) {
        // Cleared elsewhere (a song opened): nothing left to acknowledge.
        if (box_ && box_->isVisible()) {
            box_->blockSignals(true);
            box_->hide();
            box_->blockSignals(false);
        }
        return;
    }
    if (!box_) {
        box_ = new QMessageBox(window_);
        box_->setObjectName(QStringLiteral("errorAlert"));
        box_->setIcon(QMessageBox::Warning);
        box_->setWindowModality(Qt::WindowModal);
        auto ok = box_->addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        box_->setDefaultButton(ok);
        box_->setEscapeButton(ok);
        connect(box_, &QMessageBox::finished, this, &ErrorAlert::dismiss);
    }
    box_->setWindowTitle(shown_->title);
    box_->setText(shown_->title);
    box_->setInformativeText(shown_->text);
    if (!box_->isVisible()) box_->open();
}

void ErrorAlert::dismiss()
{
    if (!shown_) return;
    const Source source = shown_->source;
    shown_.reset();
    if (source == Source::openFile)
        store_.setLastImportError(std::nullopt);
    else
        library_.setLastError(std::nullopt);
    // Whatever is still waiting comes up next.
    refresh();
}

} // namespace corvane
