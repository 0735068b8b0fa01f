#include "CorvaneApp/library/MusicLibraryView.hpp"

#include <QAction>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QShowEvent>
#include <QSplitter>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <map>

#include "CorvaneApp/commands/ShortcutLabel.hpp"
#include "CorvaneApp/kit/HiddenScrollers.hpp"
#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/kit/style/StudioResourceBundle.hpp"
#include "CorvaneApp/kit/style/StudioSymbols.hpp"
#include "CorvaneApp/library/LibraryContentScreens.hpp"
#include "CorvaneApp/library/LibraryListModels.hpp"
#include "CorvaneApp/library/LibraryListViews.hpp"
#include "CorvaneApp/library/LibraryRowDelegates.hpp"
#include "CorvaneApp/library/PlaylistNameDialog.hpp"
#include "CorvaneLibrary/MusicLibraryStore.hpp"

namespace corvane {

namespace {

constexpr int headerHeight = 52;
constexpr int symbolSize = 16;

DemoFileLocator bundledDemoFiles()
{
    return [](BundledDemoSong demo) -> std::optional<std::string> {
        const auto file = resourceURL(demo, StudioResourceBundle::candidates());
        return file ? std::optional(file->string()) : std::nullopt;
    };
}

QIcon symbolIcon(const QString& name, const QColor& color = StudioAppearance::primaryText())
{
    return studioSymbolIcon(name, symbolSize, color);
}

QToolButton* headerButton(const QString& title, const QString& systemImage, QWidget* parent)
{
    auto button = new QToolButton(parent);
    button->setText(title);
    button->setAccessibleName(title);
    button->setProperty("systemImage", systemImage);
    button->setIcon(symbolIcon(systemImage));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    button->setFont(studioCallout());
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

void fill(QWidget* widget, const QColor& color)
{
    widget->setAutoFillBackground(true);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, color);
    widget->setPalette(palette);
}

} // namespace

MusicLibraryView::MusicLibraryView(MusicLibraryStore& store, MusicLibraryActions actions, QWidget* parent,
                                   DemoFileLocator locateDemo)
    : QWidget(parent), store_(store), actions_(std::move(actions)),
      locateDemo_(locateDemo ? std::move(locateDemo) : bundledDemoFiles())
{
    setObjectName(QStringLiteral("MusicLibraryView"));
    fill(this, StudioAppearance::panel());

    auto column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(makeHeader());
    column->addWidget(makePanes(), 1);
    followCollectionList();
    followSongList();
    spinner_.setInterval(80);
    connect(&spinner_, &QTimer::timeout, this, [this] {
        spinnerPhase_ += 0.08;
        collectionDelegate_->setSpinnerPhase(spinnerPhase_);
        collectionList_->viewport()->update();
    });


    connectStore();
    // The studio look has no scroll bars; the wheel and the keys still scroll.
    hidingScrollers(this);
}

QSplitter* MusicLibraryView::makePanes()
{
    splitter_ = new QSplitter(Qt::Horizontal, this);
    splitter_->setObjectName(QStringLiteral("librarySplitter"));
    splitter_->setChildrenCollapsible(false);
    splitter_->setHandleWidth(1);
    splitter_->setStyleSheet(QStringLiteral("QSplitter::handle { background: rgba(255, 255, 255, 26); }"));

    collectionModel_ = new LibraryCollectionModel(this);
    collectionList_ = new LibraryCollectionList(splitter_);
    collectionList_->setModel(collectionModel_);
    collectionList_->setMinimumWidth(collectionMinimumWidth);
    collectionList_->setMaximumWidth(collectionMaximumWidth);
    fill(collectionList_, StudioAppearance::sunken());
    collectionDelegate_ = static_cast<LibraryCollectionDelegate*>(collectionList_->itemDelegate());

    paneStack_ = new QStackedWidget(splitter_);
    paneStack_->setObjectName(QStringLiteral("songPane"));
    paneStack_->setMinimumWidth(songPaneMinimumWidth);

    songModel_ = new LibrarySongModel(this);
    songList_ = new LibrarySongList(paneStack_);
    songList_->setModel(songModel_);
    emptyScreen_ = new LibraryUnavailableContent(paneStack_);
    emptyScreen_->setObjectName(QStringLiteral("emptyScreen"));
    unavailableScreen_ = new LibraryUnavailableContent(paneStack_);
    unavailableScreen_->setObjectName(QStringLiteral("unavailableFolderScreen"));
    unavailableScreen_->setContent(
        QStringLiteral("folder.badge.questionmark"), QStringLiteral("Pasta indisponível"),
        QStringLiteral("Reautorize a pasta para recuperar suas músicas e referências de playlists."));
    unavailableScreen_->setActionTitle(QStringLiteral("Reautorizar pasta…"));
    paneStack_->addWidget(songList_);
    paneStack_->addWidget(emptyScreen_);
    paneStack_->addWidget(unavailableScreen_);

    splitter_->addWidget(collectionList_);
    splitter_->addWidget(paneStack_);
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);

    return splitter_;
}

void MusicLibraryView::followCollectionList()
{
    connect(collectionList_, &LibraryCollectionList::collectionChosen, this, [this](const LibraryCollection& c) {
        if (!restoring_) setSelection(c);
    });
    connect(collectionList_, &LibraryCollectionList::buttonRowClicked, this, [this](CollectionRow::Kind kind) {
        if (kind == CollectionRow::Kind::addFolder && actions_.addFolder) actions_.addFolder();
        if (kind == CollectionRow::Kind::newPlaylist) startCreatingPlaylist();
    });
    connect(collectionList_, &LibraryCollectionList::menuRequested, this, &MusicLibraryView::showCollectionMenu);
    collectionList_->songsDropped = [this](const UUID& playlist, const std::vector<LibraryDragPayload>& payloads) {
        return dropSongs(playlist, payloads);
    };
}

void MusicLibraryView::followSongList()
{
    // Its empty screens too.
    connect(songList_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (restoring_) return;
        const QModelIndexList chosen = songList_->selectionModel()->selectedIndexes();
        const ResolvedLibrarySong* song = chosen.isEmpty() ? nullptr : songModel_->song(chosen.front());
        selectedSongID_ = song ? std::optional(song->id) : std::nullopt;
    });
    const auto groupToggled = [this](const QModelIndex& index, bool expanded) {
        if (restoring_) return;
        if (const SongGroupRows* group = songModel_->group(index)) {
            if (expanded)
                collapsedGroups_.erase(group->name);
            else
                collapsedGroups_.insert(group->name);
        }
    };
    connect(songList_, &QTreeView::expanded, this, [groupToggled](const QModelIndex& i) { groupToggled(i, true); });
    connect(songList_, &QTreeView::collapsed, this, [groupToggled](const QModelIndex& i) { groupToggled(i, false); });
    connect(songList_, &LibrarySongList::practiceRequested, this, [this](const QModelIndex& index) {
        if (const ResolvedLibrarySong* song = songModel_->song(index)) practice(ResolvedLibrarySong(*song));
    });
    connect(songList_, &LibrarySongList::deleteRequested, this,
            [this](const QModelIndex& index) { deleteRows({index.row()}); });
    connect(songList_, &LibrarySongList::menuRequested, this, &MusicLibraryView::showSongMenu);
    songList_->filesDropped = [this](const QList<QUrl>& urls) { return acceptDroppedItems(urls); };
    songList_->canMoveRows = [this] { return editablePlaylist(selection_, searchText_).has_value(); };
    songList_->rowMoved = [this](std::int64_t row, std::int64_t destination) { moveRows({row}, destination); };
    emptyScreen_->setFilesDropped([this](const QList<QUrl>& urls) { return acceptDroppedItems(urls); });
    connect(unavailableScreen_, &LibraryUnavailableContent::actionTriggered, this, [this] {
        if (auto source = selection_.sourceID(); source && actions_.reauthorizeFolder) actions_.reauthorizeFolder(*source);
    });
}

MusicLibraryView::~MusicLibraryView() = default;

QWidget* MusicLibraryView::makeHeader()
{
    auto header = new QWidget(this);
    header->setObjectName(QStringLiteral("libraryHeader"));
    header->setFixedHeight(headerHeight + 1);
    auto stack = new QVBoxLayout(header);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    auto row = new QHBoxLayout;
    row->setContentsMargins(18, 8, 12, 8);
    row->setSpacing(6);
    stack->addLayout(row, 1);

    auto title = new QLabel(QStringLiteral("Biblioteca"), header);
    title->setObjectName(QStringLiteral("libraryTitle"));
    title->setFont(studioTitleSmall());
    QPalette palette = title->palette();
    palette.setColor(QPalette::WindowText, StudioAppearance::primaryText());
    title->setPalette(palette);
    row->addWidget(title);
    row->addStretch(1);

    search_ = new QLineEdit(header);
    search_->setObjectName(QStringLiteral("searchField"));
    search_->setPlaceholderText(QStringLiteral("Buscar músicas"));
    search_->setClearButtonEnabled(true);
    search_->setFixedWidth(210);
    search_->addAction(symbolIcon(QStringLiteral("magnifyingglass"), StudioAppearance::secondaryText()),
                       QLineEdit::LeadingPosition);
    connect(search_, &QLineEdit::textChanged, this, [this](const QString& text) { setSearchText(text); });
    row->addWidget(search_);
    row->addSpacing(6);

    openMIDIButton_ = headerButton(QStringLiteral("Abrir MIDI"), QStringLiteral("doc.badge.plus"), header);
    openMIDIButton_->setObjectName(QStringLiteral("openMIDIButton"));
    openMIDIButton_->setToolTip(
        QStringLiteral("Abrir um arquivo MIDI (%1)").arg(shortcutLabel(QKeySequence(QStringLiteral("Ctrl+O")))));
    connect(openMIDIButton_, &QToolButton::clicked, this, [this] {
        if (actions_.openMIDI) actions_.openMIDI();
    });
    addFolderButton_ = headerButton(QStringLiteral("Adicionar pasta"), QStringLiteral("folder.badge.plus"), header);
    addFolderButton_->setObjectName(QStringLiteral("addFolderButton"));
    connect(addFolderButton_, &QToolButton::clicked, this, [this] {
        if (actions_.addFolder) actions_.addFolder();
    });
    newPlaylistButton_ = headerButton(QStringLiteral("Nova playlist"), QStringLiteral("text.badge.plus"), header);
    newPlaylistButton_->setObjectName(QStringLiteral("newPlaylistButton"));
    connect(newPlaylistButton_, &QToolButton::clicked, this, &MusicLibraryView::startCreatingPlaylist);
    for (auto button : {openMIDIButton_, addFolderButton_, newPlaylistButton_}) row->addWidget(button);

    // The strip's lower edge.
    auto rule = new QWidget(header);
    rule->setObjectName(QStringLiteral("headerRule"));
    rule->setFixedHeight(1);
    fill(rule, StudioAppearance::controlStroke());
    stack->addWidget(rule);
    return header;
}

void MusicLibraryView::connectStore()
{
    connect(&store_, &MusicLibraryStore::sourcesChanged, this, [this] { markStale(true); });
    connect(&store_, &MusicLibraryStore::playlistsChanged, this, [this] { markStale(true); });
    connect(&store_, &MusicLibraryStore::tracksBySourceChanged, this, [this] { markStale(true); });
    // A scan starting or ending moves only the progress marks.
    connect(&store_, &MusicLibraryStore::scanningSourceIDsChanged, this, [this] { markStale(false); });
}

LibraryContents MusicLibraryView::contents() const
{
    return LibraryContents{store_.sources(), store_.playlists(), store_.tracksBySource()};
}

// Derivation.

// The store may signal several times in one turn, and resolving songs may
// itself make it signal: the lists are derived once, in the next turn.
void MusicLibraryView::markStale(bool songs)
{
    collectionsStale_ = true;
    songsStale_ = songsStale_ || songs;
    if (derivationQueued_) return;
    derivationQueued_ = true;
    QMetaObject::invokeMethod(this, &MusicLibraryView::deriveNow, Qt::QueuedConnection);
}

void MusicLibraryView::deriveNow()
{
    derivationQueued_ = false;
    // A hidden screen derives when it is shown again.
    if (!isVisible() || (!collectionsStale_ && !songsStale_)) return;
    ++derivationCount_;
    const bool songs = songsStale_;
    collectionsStale_ = songsStale_ = false;
    deriveCollections();
    if (songs) deriveSongs();
}

void MusicLibraryView::deriveCollections()
{
    collectionModel_->setRows(collectionRows(contents(), store_.scanningSourceIDs()));
    syncCollectionSelection();
    updateSpinner();
}

void MusicLibraryView::deriveSongs()
{
    // A playlist may name the same demo many times: each is looked for once.
    std::map<BundledDemoSong, std::optional<std::string>> demoFiles;
    const DemoFileLocator locate = [&](BundledDemoSong demo) {
        auto found = demoFiles.find(demo);
        if (found == demoFiles.end()) found = demoFiles.emplace(demo, locateDemo_(demo)).first;
        return found->second;
    };
    selectedSongs_ = corvane::selectedSongs(selection_, contents(), locate, [this](const LibrarySongReference& reference) {
        return store_.resolve(reference);
    });
    refilter();
}

void MusicLibraryView::refilter()
{
    LibrarySongListContent content;
    content.songs = corvane::filteredSongs(selectedSongs_, searchText_);
    if (selection_.sourceID()) content.groups = groupedSourceSongRows(content.songs);

    const bool sameCollection = shownCollection_ == selection_;
    const int scroll = songList_->verticalScrollBar()->value();
    restoring_ = true;
    const bool changed = songModel_->setContent(std::move(content));
    restoring_ = false;
    if (changed || !sameCollection) restoreListState(sameCollection, scroll);
    shownCollection_ = selection_;
    showPane();
}

// After a reset the list shows the same collection as before as it was:
// open groups, highlighted song, scroll position. A new collection starts
// at its top.
void MusicLibraryView::restoreListState(bool sameCollection, int scroll)
{
    restoring_ = true;
    if (songModel_->isGrouped()) {
        const int groups = songModel_->rowCount();
        for (int row = 0; row < groups; ++row) {
            const QModelIndex index = songModel_->index(row, 0);
            songList_->setExpanded(index, isGroupExpanded(songModel_->group(index)->name));
        }
    }
    syncSongSelection();
    songList_->layOutNow();
    songList_->verticalScrollBar()->setValue(sameCollection ? scroll : 0);
    restoring_ = false;
}

void MusicLibraryView::syncSongSelection()
{
    const bool wasRestoring = std::exchange(restoring_, true);
    const QModelIndex index = selectedSongID_ ? songModel_->indexOfSong(*selectedSongID_) : QModelIndex();
    if (index.isValid())
        songList_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    else
        songList_->selectionModel()->clear();
    restoring_ = wasRestoring;
}

void MusicLibraryView::syncCollectionSelection()
{
    const bool wasRestoring = std::exchange(restoring_, true);
    const QModelIndex index = collectionModel_->indexOf(selection_);
    if (index.isValid()) {
        collectionList_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    } else {
        // A source or playlist that is gone: nothing is highlighted.
        collectionList_->selectionModel()->clear();
    }
    restoring_ = wasRestoring;
}

void MusicLibraryView::showPane()
{
    songPane_ = corvane::songPane(selection_, store_.sources(), filteredSongs().empty());
    switch (songPane_) {
    case SongPane::unavailableFolder: paneStack_->setCurrentWidget(unavailableScreen_); break;
    case SongPane::empty:
        emptyScreen_->setContent(emptySystemImage(searchText_), emptyTitle(searchText_),
                                 emptyDescription(searchText_, selection_));
        paneStack_->setCurrentWidget(emptyScreen_);
        break;
    case SongPane::list: paneStack_->setCurrentWidget(songList_); break;
    }
}

void MusicLibraryView::updateSpinner()
{
    const bool busy = isVisible() && !store_.scanningSourceIDs().empty();
    if (busy && !spinner_.isActive())
        spinner_.start();
    else if (!busy)
        spinner_.stop();
}

// View state.

const std::vector<ResolvedLibrarySong>& MusicLibraryView::filteredSongs() const { return songModel_->content().songs; }

void MusicLibraryView::setSelection(const LibraryCollection& selection)
{
    if (selection == selection_) return;
    selection_ = selection;
    syncCollectionSelection();
    deriveSongs();
}

void MusicLibraryView::setSelectedSongID(std::optional<std::string> songID)
{
    selectedSongID_ = std::move(songID);
    syncSongSelection();
}

void MusicLibraryView::setSearchText(const QString& text)
{
    if (text == searchText_) return;
    searchText_ = text;
    if (search_->text() != text) search_->setText(text);
    refilter();
}

void MusicLibraryView::setGroupExpanded(const std::string& name, bool expanded)
{
    if (expanded)
        collapsedGroups_.erase(name);
    else
        collapsedGroups_.insert(name);
    const QModelIndex index = songModel_->indexOfGroup(name);
    if (!index.isValid()) return;
    const bool wasRestoring = std::exchange(restoring_, true);
    songList_->setExpanded(index, expanded);
    restoring_ = wasRestoring;
}

void MusicLibraryView::resetToInitialState()
{
    selection_ = LibraryCollection::all();
    selectedSongID_.reset();
    collapsedGroups_.clear();
    searchText_.clear();
    if (!search_->text().isEmpty()) {
        const QSignalBlocker quiet(search_);
        search_->clear();
    }
    shownCollection_.reset();
    for (auto dialog : {newPlaylistDialog_, renameDialog_})
        if (dialog && dialog->isVisible()) dialog->reject();
    isCreatingPlaylist_ = false;
    newPlaylistName_.clear();
    playlistBeingRenamed_.reset();
    renamedPlaylistName_.clear();
}

void MusicLibraryView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!splitterPlaced_ && splitter_->width() > collectionIdealWidth) {
        splitterPlaced_ = true;
        splitter_->setSizes({collectionIdealWidth, splitter_->width() - collectionIdealWidth});
    }
    // A window coming back from the task bar shows the screen as it was.
    if (event->spontaneous()) {
        updateSpinner();
        return;
    }
    resetToInitialState();
    store_.refreshAll();
    collectionsStale_ = songsStale_ = true;
    deriveNow();
}

void MusicLibraryView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    spinner_.stop();
}

} // namespace corvane
