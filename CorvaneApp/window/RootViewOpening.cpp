// How the main window hands songs and folders on: the file dialog, drops,
// files from the operating system, the replacement confirmation, and the
// songs picked in the library and the recent-practice lists.

#include "CorvaneApp/window/RootView.hpp"

#include <QDragEnterEvent>
#include <QFileDialog>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

#include "CorvaneApp/kit/StudioFileDialog.hpp"
#include "CorvaneApp/session/BundledDemoSong.hpp"
#include "CorvaneApp/session/PracticeSessionStore.hpp"
#include "CorvaneApp/window/DropHighlight.hpp"
#include "CorvaneApp/window/OpenMIDIRequests.hpp"
#include "CorvaneDomain/PracticeHistoryEntry.hpp"
#include "CorvaneDomain/RecentPracticeSong.hpp"
#include "CorvaneLibrary/MusicLibraryStore.hpp"
#include "CorvaneLibrary/ResolvedLibrarySong.hpp"

namespace corvane {

namespace {

QString baseName(const std::filesystem::path& file) { return QString::fromStdString(file.stem().string()); }

std::vector<std::filesystem::path> localFiles(const QMimeData* data)
{
    std::vector<std::filesystem::path> files;
    if (!data) return files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) files.emplace_back(url.toLocalFile().toStdString());
    return files;
}

} // namespace

// The file dialog.

void RootView::requestImport(FileImportRequest request)
{
    fileImportRequest_ = std::move(request);
    presentImporter();
}

void RootView::presentImporter()
{
    if (!fileDialog_) {
        fileDialog_ = makeStudioFileDialog(this);
        fileDialog_->setObjectName(QStringLiteral("fileImporter"));
        fileDialog_->setWindowModality(Qt::WindowModal);
        connect(fileDialog_, &QFileDialog::finished, this, [this](int result) {
            std::vector<std::filesystem::path> chosen;
            if (result == QDialog::Accepted)
                for (const QString& file : fileDialog_->selectedFiles()) chosen.emplace_back(file.toStdString());
            completeImport(chosen);
        });
    }
    const bool folders = fileImportRequest_ && fileImportRequest_->choosesFolder();
    fileDialog_->setAcceptMode(QFileDialog::AcceptOpen);
    if (folders) {
        fileDialog_->setWindowTitle(QStringLiteral("Escolher pasta"));
        fileDialog_->setFileMode(QFileDialog::Directory);
        fileDialog_->setOption(QFileDialog::ShowDirsOnly, true);
        fileDialog_->setNameFilters({});
    } else {
        fileDialog_->setWindowTitle(QStringLiteral("Abrir MIDI"));
        fileDialog_->setFileMode(QFileDialog::ExistingFile);
        fileDialog_->setOption(QFileDialog::ShowDirsOnly, false);
        fileDialog_->setNameFilter(QStringLiteral("MIDI (*.mid *.midi)"));
    }
    if (!fileDialog_->isVisible()) fileDialog_->open();
}

void RootView::completeImport(const std::vector<std::filesystem::path>& urls)
{
    const auto request = std::exchange(fileImportRequest_, std::nullopt);
    if (urls.empty() || !request) return;
    const auto& url = urls.front();
    if (std::holds_alternative<FileImportRequest::MIDI>(request->kind)) {
        store_.loadMIDI(url);
        setSelection(LibraryDestination::practice);
    } else if (std::holds_alternative<FileImportRequest::LibraryFolder>(request->kind)) {
        if (libraryStore_->addFolder(url.string())) setSelection(LibraryDestination::library);
    } else if (auto folder = std::get_if<FileImportRequest::ReauthorizedFolder>(&request->kind)) {
        libraryStore_->reauthorize(folder->sourceID, url.string());
    }
}

// Drops and files from the operating system.

bool RootView::open(const std::vector<std::filesystem::path>& droppedFiles)
{
    std::optional<std::filesystem::path> last;
    for (const auto& file : droppedFiles)
        if (OpenMIDIRequests::isMIDIFile(file)) last = file;
    if (!last) return false;
    if (!store_.currentSong()) {
        open(*last);
    } else {
        midiPendingReplacement_ = *last;
        presentReplacementConfirmation();
    }
    return true;
}

void RootView::open(const std::filesystem::path& file)
{
    store_.loadMIDI(file);
    setSelection(LibraryDestination::practice);
    setSidebar(false);
}

void RootView::consumePendingOpenRequest()
{
    if (auto file = OpenMIDIRequests::shared().takePending()) open(std::vector<std::filesystem::path>{*file});
}

void RootView::setDropTargeted(bool targeted)
{
    isDropTargeted_ = targeted;
    dropHighlight_->setTargeted(targeted);
}

void RootView::dragEnterEvent(QDragEnterEvent* event)
{
    if (!event->mimeData()->hasUrls()) return;
    event->acceptProposedAction();
    setDropTargeted(true);
}

void RootView::dragMoveEvent(QDragMoveEvent* event) { event->acceptProposedAction(); }

void RootView::dragLeaveEvent(QDragLeaveEvent*) { setDropTargeted(false); }

void RootView::dropEvent(QDropEvent* event)
{
    setDropTargeted(false);
    if (open(localFiles(event->mimeData())))
        event->acceptProposedAction();
    else
        event->ignore();
}

// The confirmation before the open song is replaced.

void RootView::presentReplacementConfirmation()
{
    if (!midiPendingReplacement_) return;
    if (!replacementConfirmation_) {
        replacementConfirmation_ = new QMessageBox(this);
        replacementConfirmation_->setObjectName(QStringLiteral("replacementConfirmation"));
        replacementConfirmation_->setIcon(QMessageBox::Question);
        replacementConfirmation_->setWindowModality(Qt::WindowModal);
        replacementConfirmation_->setWindowTitle(QStringLiteral("Substituir a música aberta?"));
        replacementConfirmation_->setText(QStringLiteral("Substituir a música aberta?"));
        auto openButton = replacementConfirmation_->addButton(QString(), QMessageBox::AcceptRole);
        openButton->setObjectName(QStringLiteral("openButton"));
        auto cancel = replacementConfirmation_->addButton(QStringLiteral("Cancelar"), QMessageBox::RejectRole);
        replacementConfirmation_->setDefaultButton(openButton);
        replacementConfirmation_->setEscapeButton(cancel);
        connect(replacementConfirmation_, &QMessageBox::finished, this, [this] {
            if (replacementConfirmation_->clickedButton() == replacementConfirmation_->defaultButton())
                confirmReplacement();
            else
                cancelReplacement();
        });
    }
    // A later file replaces the one asked about while the question is up.
    const QString name = baseName(*midiPendingReplacement_);
    const auto& song = store_.currentSong();
    const QString current = song ? QString::fromStdString(song->title()) : QStringLiteral("a música aberta");
    replacementConfirmation_->setInformativeText(
        QStringLiteral("%1 entra no lugar de %2. O progresso da sessão atual fica guardado.").arg(name, current));
    replacementConfirmation_->defaultButton()->setText(QStringLiteral("Abrir %1").arg(name));
    if (!replacementConfirmation_->isVisible()) replacementConfirmation_->open();
}

void RootView::confirmReplacement()
{
    const auto file = std::exchange(midiPendingReplacement_, std::nullopt);
    if (file) open(*file);
}

void RootView::cancelReplacement() { midiPendingReplacement_.reset(); }

// Songs from the library and the recent-practice lists.

void RootView::practice(const ResolvedLibrarySong& song)
{
    if (auto demo = song.reference.as<LibrarySongReference::BundledDemo>()) {
        const auto known = bundledDemoSong(demo->id);
        if (!known) return;
        store_.loadDemo(*known);
    } else {
        if (!song.fileURL) return;
        store_.loadMIDI(*song.fileURL);
    }
    setSelection(LibraryDestination::practice);
}

void RootView::continueSong(const RecentPracticeSong& song)
{
    store_.continueRecentSong(song);
    setSelection(LibraryDestination::practice);
}

void RootView::continueSession(const PracticeHistoryEntry& entry)
{
    continueSong(RecentPracticeSong{entry.songTitle(), entry.songReference(), entry.updatedAt,
                                    entry.lastPositionSeconds, entry.metrics});
}

void RootView::resetSong(const RecentPracticeSong& song) { store_.resetProgress(song.reference); }

} // namespace corvane
