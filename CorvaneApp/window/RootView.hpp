#pragma once

#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "CorvaneApp/commands/PracticeCommandActions.hpp"
#include "CorvaneApp/window/FileImportRequest.hpp"
#include "CorvaneApp/workspace/TrackSelectionSheet.hpp"
#include "CorvaneDomain/LibraryDestination.hpp"

class QStackedWidget;
class QToolButton;

namespace corvane {

class DropHighlight;
class ErrorAlert;
class MusicLibraryStore;
class PracticeHistoryEntry;
class PracticeSessionStore;
class SidebarOverlay;
class SidebarView;
class WindowSpacebarShortcut;
struct RecentPracticeSong;
struct ResolvedLibrarySong;

// The whole content of the main window, fixed at 1280 × 762: three wooden
// columns around the destination area (practice, library or recent
// practice) and the inspector, with the overlay sidebar above them. It owns
// the library store, opens songs from the file dialog, from drops and from
// the operating system (asking before an open song is replaced), shows the
// controller's and the library's errors, carries the window's Space and
// Return keys, and publishes the menu commands' actions.
class RootView : public QWidget {
    Q_OBJECT
public:
    static constexpr int contentWidth = 1280;
    static constexpr int contentHeight = 762;
    static constexpr int woodColumnWidth = 19;
    static constexpr int inspectorWidth = 258;

    // The application's window puts its content together over a few turns of
    // the event loop; other owners have all of it at once.
    enum class Assembly { atOnce, inTurns };

    explicit RootView(PracticeSessionStore& store, QWidget* parent = nullptr, Assembly assembly = Assembly::atOnce);
    ~RootView() override;

    PracticeSessionStore& store() const { return store_; }
    MusicLibraryStore& libraryStore() const { return *libraryStore_; }

    // Absent shows the practice workspace too.
    const std::optional<LibraryDestination>& selection() const { return selection_; }
    void setSelection(std::optional<LibraryDestination> destination);
    // The destination shown: the selection, or practice without one.
    LibraryDestination shownDestination() const;

    bool isSidebarPresented() const { return isSidebarPresented_; }
    // Every opening and closing of the sidebar goes through here, with the spring.
    void setSidebar(bool presented);

    // The open song's title, or "Brelmo" without one.
    QString windowTitleText() const;

    // The window's toolbar item: the button that shows or hides the sidebar.
    QWidget* makeSidebarButton(QWidget* parent);
    // The same in two steps: its shape, which the window shows, disabled,
    // before there is a root view (so that the menu bar keeps its height),
    // then its look and action.
    static QToolButton* sidebarButtonShell(QWidget* parent);
    void dressSidebarButton(QToolButton* button);

    // What the menu commands may do in this window now.
    PracticeCommandActions practiceCommandActions();

    // Opening songs and folders.
    void requestImport(FileImportRequest request);
    // Of `files`, the last .mid/.midi (any case): opened at once without an
    // open song, else after the replacement confirmation. False when there
    // was none; then nothing happens.
    bool open(const std::vector<std::filesystem::path>& droppedFiles);
    // Opens the file for practice now and shows the practice destination.
    void open(const std::filesystem::path& file);
    void consumePendingOpenRequest();
    void practice(const ResolvedLibrarySong& song);
    void continueSong(const RecentPracticeSong& song);
    void continueSession(const PracticeHistoryEntry& entry);
    void resetSong(const RecentPracticeSong& song);

    // State the tests and the window read.
    const std::optional<FileImportRequest>& fileImportRequest() const { return fileImportRequest_; }
    const std::optional<std::filesystem::path>& midiPendingReplacement() const { return midiPendingReplacement_; }
    bool isDropTargeted() const { return isDropTargeted_; }
    QFileDialog* fileDialog() const { return fileDialog_; }
    QMessageBox* replacementConfirmation() const { return replacementConfirmation_; }
    TrackSelectionSheet* trackSelectionSheet() const { return trackSelectionSheet_; }
    ErrorAlert& errorAlert() const { return *errorAlert_; }
    // The place of each destination and of the inspector; one not made yet is made now.
    QWidget* destinationView(LibraryDestination destination);
    QWidget* inspectorPlace();
    SidebarOverlay* sidebarOverlay() const { return sidebar_; }
    SidebarView* sidebarView();

    // The file dialog's answer: the chosen files or folders, empty when
    // cancelled. Clears the request before anything else.
    void completeImport(const std::vector<std::filesystem::path>& urls);

signals:
    // The flags of the published actions may have changed.
    void practiceCommandActionsChanged();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildFrameRow();
    void buildInspector();
    void buildLibrary();
    void buildRecentPractice();
    void buildSidebarView();
    void applyWindowTitle();
    void applyAccent();
    void setDropTargeted(bool targeted);
    void presentImporter();
    void presentReplacementConfirmation();
    void confirmReplacement();
    void cancelReplacement();
    void presentTrackSelection();
    void refreshLibraryOnActivation();

    PracticeSessionStore& store_;
    std::unique_ptr<MusicLibraryStore> libraryStore_;
    std::optional<LibraryDestination> selection_ = LibraryDestination::practice;
    std::optional<FileImportRequest> fileImportRequest_;
    std::optional<std::filesystem::path> midiPendingReplacement_;
    bool isDropTargeted_ = false;
    bool isSidebarPresented_ = false;
    bool hasAppeared_ = false;

    QWidget* frameRow_ = nullptr;
    QStackedWidget* destinations_ = nullptr;
    QWidget* practiceWorkspace_ = nullptr;
    QWidget* musicLibrary_ = nullptr;
    QWidget* recentPractice_ = nullptr;
    QWidget* inspectorSlot_ = nullptr;
    QWidget* inspector_ = nullptr;
    std::vector<QWidget*> woodColumns_;
    DropHighlight* dropHighlight_ = nullptr;
    SidebarOverlay* sidebar_ = nullptr;
    SidebarView* sidebarView_ = nullptr;
    WindowSpacebarShortcut* spacebarShortcut_ = nullptr;
    ErrorAlert* errorAlert_ = nullptr;
    QPointer<QFileDialog> fileDialog_;
    QPointer<QMessageBox> replacementConfirmation_;
    QPointer<TrackSelectionSheet> trackSelectionSheet_;
};

} // namespace corvane
