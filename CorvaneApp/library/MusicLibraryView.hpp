#pragma once

#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "CorvaneApp/library/LibraryDerivations.hpp"
#include "CorvaneApp/library/LibraryDragPayload.hpp"

class QLineEdit;
class QMenu;
class QSplitter;
class QStackedWidget;
class QToolButton;

namespace corvane {

class LibraryCollectionDelegate;
class LibraryCollectionList;
class LibraryCollectionModel;
class LibrarySongList;
class LibrarySongModel;
class LibraryUnavailableContent;
class MusicLibraryStore;
class PlaylistNameDialog;

// What the library screen asks of the window: its file dialog (to open a
// MIDI file, add a folder, or choose a source's folder again) and the
// opening of a song for practice.
struct MusicLibraryActions {
    std::function<void()> openMIDI;
    std::function<void()> addFolder;
    std::function<void(const UUID& sourceID)> reauthorizeFolder;
    std::function<void(const ResolvedLibrarySong& song)> practice;
};

// The library destination of the main window: a header with the title, the
// search field and three buttons, then the collections (the demos, the
// folder sources, the playlists) beside the songs of the selected one.
// Everything shown is derived from the store; a change of the store marks
// the lists stale and they are derived again once, in the next turn of the
// event loop, keeping the highlighted song, the scroll position and the
// collapsed groups. Every change goes through the store's operations.
class MusicLibraryView : public QWidget {
    Q_OBJECT
public:
    static constexpr int collectionMinimumWidth = 190;
    static constexpr int collectionIdealWidth = 220;
    static constexpr int collectionMaximumWidth = 280;
    static constexpr int songPaneMinimumWidth = 420;

    // `locateDemo` finds the demo pieces' files; by default in the
    // application's resource folders.
    MusicLibraryView(MusicLibraryStore& store, MusicLibraryActions actions, QWidget* parent = nullptr,
                     DemoFileLocator locateDemo = {});
    ~MusicLibraryView() override;

    // The view state; showing the screen again starts from the initial one
    // (all songs, no highlighted song, no search, every group open, no dialog).
    const LibraryCollection& selection() const { return selection_; }
    void setSelection(const LibraryCollection& selection);
    const std::optional<std::string>& selectedSongID() const { return selectedSongID_; }
    void setSelectedSongID(std::optional<std::string> songID);
    const QString& searchText() const { return searchText_; }
    void setSearchText(const QString& text);
    // Group names: the same subfolder name is open or closed in every source.
    const std::set<std::string>& collapsedGroups() const { return collapsedGroups_; }
    bool isGroupExpanded(const std::string& name) const { return collapsedGroups_.count(name) == 0; }
    void setGroupExpanded(const std::string& name, bool expanded);
    bool isCreatingPlaylist() const { return isCreatingPlaylist_; }
    const QString& newPlaylistName() const { return newPlaylistName_; }
    const std::optional<UUID>& playlistBeingRenamed() const { return playlistBeingRenamed_; }
    const QString& renamedPlaylistName() const { return renamedPlaylistName_; }

    // What is shown now.
    const std::vector<ResolvedLibrarySong>& selectedSongs() const { return selectedSongs_; }
    // In the order of the search, before any grouping.
    const std::vector<ResolvedLibrarySong>& filteredSongs() const;
    SongPane songPane() const { return songPane_; }
    // How many times the lists were derived from the store (for the tests).
    int derivationCount() const { return derivationCount_; }

    // The user's actions.
    void startCreatingPlaylist();
    void startRenaming(const UUID& playlistID);
    // Without confirmation; the selection returns to all songs.
    void deletePlaylist(const UUID& playlistID);
    // Only for a song with a file.
    void practice(const ResolvedLibrarySong& song);
    // Playlist rows; nothing unless a playlist is selected and the search is empty.
    void deleteRows(const std::set<std::int64_t>& offsets);
    void moveRows(const std::set<std::int64_t>& offsets, std::int64_t destination);
    // Songs dropped on a playlist's row: appended, and that playlist selected.
    bool dropSongs(const UUID& playlistID, const std::vector<LibraryDragPayload>& payloads);
    // Files dropped on the song list or the empty screen.
    bool acceptDroppedItems(const QList<QUrl>& urls);

    // The context menus, made anew each time (the caller owns them); null
    // for collections without one.
    QMenu* makeCollectionMenu(const LibraryCollection& collection, QWidget* parent);
    QMenu* makeSongMenu(const ResolvedLibrarySong& song, QWidget* parent);

    // Parts of the screen.
    QLineEdit* searchField() const { return search_; }
    QToolButton* openMIDIButton() const { return openMIDIButton_; }
    QToolButton* addFolderButton() const { return addFolderButton_; }
    QToolButton* newPlaylistButton() const { return newPlaylistButton_; }
    QSplitter* splitter() const { return splitter_; }
    LibraryCollectionList* collectionList() const { return collectionList_; }
    LibraryCollectionModel& collectionModel() const { return *collectionModel_; }
    LibrarySongList* songList() const { return songList_; }
    LibrarySongModel& songModel() const { return *songModel_; }
    LibraryUnavailableContent* emptyScreen() const { return emptyScreen_; }
    LibraryUnavailableContent* unavailableFolderScreen() const { return unavailableScreen_; }
    // Made on first use.
    PlaylistNameDialog* newPlaylistDialog() const { return newPlaylistDialog_; }
    PlaylistNameDialog* renameDialog() const { return renameDialog_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // The constructor's steps (the view's file); the playlist work and the
    // menus are in MusicLibraryViewPlaylists.cpp and MusicLibraryViewMenus.cpp.
    QWidget* makeHeader();
    QSplitter* makePanes();
    void followCollectionList();
    void followSongList();
    void connectStore();
    void markStale(bool songs);
    void deriveNow();
    void deriveCollections();
    void deriveSongs();
    void refilter();
    void restoreListState(bool sameCollection, int scroll);
    void syncCollectionSelection();
    void syncSongSelection();
    void showPane();
    void resetToInitialState();
    void updateSpinner();
    void showCollectionMenu(const LibraryCollection& collection, const QPoint& globalPosition);
    void showSongMenu(const QModelIndex& index, const QPoint& globalPosition);
    void createPlaylist();
    void renamePlaylist();
    LibraryContents contents() const;

    MusicLibraryStore& store_;
    MusicLibraryActions actions_;
    DemoFileLocator locateDemo_;

    LibraryCollection selection_ = LibraryCollection::all();
    std::optional<std::string> selectedSongID_;
    QString searchText_;
    std::set<std::string> collapsedGroups_;
    bool isCreatingPlaylist_ = false;
    QString newPlaylistName_;
    std::optional<UUID> playlistBeingRenamed_;
    QString renamedPlaylistName_;

    std::vector<ResolvedLibrarySong> selectedSongs_;
    std::optional<LibraryCollection> shownCollection_;
    SongPane songPane_ = SongPane::empty;
    int derivationCount_ = 0;
    bool collectionsStale_ = true;
    bool songsStale_ = true;
    bool derivationQueued_ = false;
    // Set while the lists are rebuilt, so that the views' own signals do
    // not write back into the view state.
    bool restoring_ = false;

    QLineEdit* search_ = nullptr;
    QToolButton* openMIDIButton_ = nullptr;
    QToolButton* addFolderButton_ = nullptr;
    QToolButton* newPlaylistButton_ = nullptr;
    QSplitter* splitter_ = nullptr;
    bool splitterPlaced_ = false;
    LibraryCollectionList* collectionList_ = nullptr;
    LibraryCollectionModel* collectionModel_ = nullptr;
    LibraryCollectionDelegate* collectionDelegate_ = nullptr;
    QStackedWidget* paneStack_ = nullptr;
    LibrarySongList* songList_ = nullptr;
    LibrarySongModel* songModel_ = nullptr;
    LibraryUnavailableContent* emptyScreen_ = nullptr;
    LibraryUnavailableContent* unavailableScreen_ = nullptr;
    PlaylistNameDialog* newPlaylistDialog_ = nullptr;
    PlaylistNameDialog* renameDialog_ = nullptr;
    QTimer spinner_;
    double spinnerPhase_ = 0;
};

} // namespace corvane
