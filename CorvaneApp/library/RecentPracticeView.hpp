#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

#include "CorvaneDomain/PracticeHistoryEntry.hpp"
#include "CorvaneDomain/RecentPracticeSong.hpp"

class QMenu;
class QScrollArea;
class QStackedWidget;
class QVBoxLayout;

namespace corvane {

class LibraryUnavailableContent;
class PracticeHistoryRow;
class RecentPracticeSectionBox;
class RecentSongRow;
class StudioSectionLabel;

// What the recent-practice screen asks of the window.
struct RecentPracticeActions {
    std::function<void(const RecentPracticeSong& song)> continueSong;
    std::function<void(const PracticeHistoryEntry& session)> continueSession;
    std::function<void(const RecentPracticeSong& song)> resetSong;
};

// The two lists, in the order they are shown.
struct RecentPracticeContents {
    std::vector<RecentPracticeSong> recentSongs;
    std::vector<PracticeHistoryEntry> history;
};

// The "Recentes" destination of the main window: the recent songs and the
// past sessions, each continued with a click; a song's menu also zeroes its
// progress after a confirmation. Both lists are shown whole and in the
// order given. Stored progress changes at every graded note, so the screen
// does not rebuild on each change: it reads its source when shown and,
// while shown, at most once per event-loop turn, and then changes only the
// rows whose data differ (the scroll position stays).
class RecentPracticeView : public QWidget {
    Q_OBJECT
public:
    explicit RecentPracticeView(RecentPracticeActions actions, QWidget* parent = nullptr);
    ~RecentPracticeView() override;

    // Where the lists come from; read when the screen is shown and after
    // sourceChanged().
    void setSource(std::function<RecentPracticeContents()> source);
    // The source has new data: read again in the next turn while shown,
    // else when next shown. Many calls in one turn make one read.
    void sourceChanged();

    // Shows these lists now.
    void setContents(RecentPracticeContents contents);
    const std::vector<RecentPracticeSong>& recentSongs() const { return contents_.recentSongs; }
    const std::vector<PracticeHistoryEntry>& history() const { return contents_.history; }

    // The song whose reset waits for the confirmation.
    const std::optional<RecentPracticeSong>& songPendingReset() const { return songPendingReset_; }
    // What the menu's "Zerar desempenho" does: asks before resetting `song`.
    void requestReset(const RecentPracticeSong& song);
    // The confirmation, while it exists.
    QMessageBox* resetAlert() const { return resetAlert_; }
    // The menu of a recent song, made anew (the caller owns it); it keeps its own copy of the song.
    QMenu* makeSongMenu(const RecentPracticeSong& song, QWidget* parent);

    // Parts of the screen.
    bool isShowingEmptyState() const;
    LibraryUnavailableContent* emptyState() const { return emptyState_; }
    QScrollArea* scrollArea() const { return scrollArea_; }
    const std::vector<RecentSongRow*>& songRows() const { return songRows_; }
    const std::vector<PracticeHistoryRow*>& historyRows() const { return historyRows_; }
    // How often the source was read, and how many rows were made or given
    // new data since the screen was made (for the tests and benchmarks).
    int sourceReadCount() const { return sourceReadCount_; }
    int rowChangeCount() const { return rowChangeCount_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void readSource();
    void applySongs();
    void applyHistory();
    void showSongMenu(RecentSongRow* row, const QPoint& globalPosition);
    void finishReset(bool confirmed);

    RecentPracticeActions actions_;
    std::function<RecentPracticeContents()> source_;
    RecentPracticeContents contents_;
    std::optional<RecentPracticeSong> songPendingReset_;
    bool readQueued_ = false;
    int sourceReadCount_ = 0;
    int rowChangeCount_ = 0;

    QStackedWidget* pages_ = nullptr;
    LibraryUnavailableContent* emptyState_ = nullptr;
    QScrollArea* scrollArea_ = nullptr;
    RecentPracticeSectionBox* songBox_ = nullptr;
    StudioSectionLabel* sessionsLabel_ = nullptr;
    RecentPracticeSectionBox* sessionBox_ = nullptr;
    std::vector<RecentSongRow*> songRows_;
    std::vector<PracticeHistoryRow*> historyRows_;
    QPointer<QMessageBox> resetAlert_;
};

} // namespace corvane
