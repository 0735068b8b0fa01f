#pragma once

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QDragEnterEvent>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "CorvaneApp/library/LibraryListModels.hpp"
#include "CorvaneApp/library/LibraryListViews.hpp"
#include "CorvaneApp/library/MusicLibraryView.hpp"
#include "CorvaneLibrary/LibraryTestSupport.hpp"
#include "CorvaneLibrary/MusicLibraryStore.hpp"

// Drags `data` over `target` (a viewport for item views) at `position` and
// drops it there, as the window system would: no move or drop when the
// enter is refused. Whether the drop was taken.
inline bool dragAndDrop(QWidget* target, const QPoint& position, const QMimeData& data)
{
    const auto actions = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(position, actions, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (enter.isAccepted()) {
        QDragMoveEvent move(position, actions, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &move);
        if (move.isAccepted()) {
            QDropEvent drop(QPointF(position), actions, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(target, &drop);
            return drop.isAccepted();
        }
    }
    QDragLeaveEvent leave;
    QApplication::sendEvent(target, &leave);
    return false;
}

inline std::unique_ptr<QMimeData> fileDrag(const std::vector<std::filesystem::path>& files)
{
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const auto& file : files) urls.append(QUrl::fromLocalFile(QString::fromStdString(file.string())));
    data->setUrls(urls);
    return data;
}

// The texts of a menu's entries, in order.
inline QStringList entryTitles(const QMenu* menu)
{
    QStringList titles;
    for (const QAction* action : menu->actions())
        if (!action->isSeparator()) titles << action->text();
    return titles;
}

inline QAction* entry(const QMenu* menu, const QString& title)
{
    for (QAction* action : menu->actions())
        if (action->text() == title) return action;
    return nullptr;
}

// A library store on a defaults file of its own, a folder for songs, demo
// files, and the screen with actions that only record their calls.
class LibraryViewTest : public ::testing::Test {
protected:
    corvane::testing::TemporaryFolder root;
    std::unique_ptr<corvane::DefaultsStore> defaults =
        std::make_unique<corvane::DefaultsStore>(root.path() / "defaults.json");
    std::shared_ptr<corvane::testing::ControllableBookmarks> bookmarks =
        std::make_shared<corvane::testing::ControllableBookmarks>();
    corvane::MusicLibraryStore store{*defaults, bookmarks};
    std::set<std::string> missingDemos;

    int openMIDICalls = 0;
    int addFolderCalls = 0;
    std::vector<corvane::UUID> reauthorized;
    std::vector<corvane::ResolvedLibrarySong> practised;
    std::unique_ptr<corvane::MusicLibraryView> view;

    void SetUp() override { settle(); }
    void TearDown() override { view.reset(); }

    corvane::MusicLibraryView& makeView()
    {
        for (const auto demo : corvane::allBundledDemoSongs())
            root.file("demos/" + std::string(corvane::rawValue(demo)) + ".mid");
        corvane::MusicLibraryActions actions{
            [this] { ++openMIDICalls; }, [this] { ++addFolderCalls; },
            [this](const corvane::UUID& id) { reauthorized.push_back(id); },
            [this](const corvane::ResolvedLibrarySong& song) { practised.push_back(song); }};
        view = std::make_unique<corvane::MusicLibraryView>(
            store, std::move(actions), nullptr, [this](corvane::BundledDemoSong demo) -> std::optional<std::string> {
                const std::string id(corvane::rawValue(demo));
                if (missingDemos.count(id)) return std::nullopt;
                return (root.path() / "demos" / (id + ".mid")).string();
            });
        // The destination area of the main window.
        view->resize(965, 762);
        view->show();
        settle();
        return *view;
    }

    // Lets scans and the queued derivation run.
    void settle()
    {
        QCoreApplication::processEvents();
        ASSERT_TRUE(processEventsUntil([&] { return store.scanningSourceIDs().empty(); }));
        QCoreApplication::processEvents();
    }

    corvane::UUID addFolder(const std::string& folder)
    {
        bool finished = false;
        const auto id = store.addFolder(folder, [&] { finished = true; });
        EXPECT_TRUE(processEventsUntil([&] { return finished; }));
        settle();
        return *id;
    }

    // The centre of `index`'s row, in its view's viewport.
    static QPoint centreOf(const QAbstractItemView* list, const QModelIndex& index)
    {
        return list->visualRect(index).center();
    }

    QModelIndex collectionIndex(const corvane::LibraryCollection& collection) const
    {
        return view->collectionModel().indexOf(collection);
    }

    std::vector<std::string> playlistTitles(const corvane::UUID& id) const
    {
        std::vector<std::string> titles;
        if (const auto playlist = store.playlist(id))
            for (const auto& entry : playlist->entries) titles.push_back(entry.title);
        return titles;
    }
};
