#pragma once

#include <QWidget>

#include <array>
#include <functional>
#include <optional>
#include <vector>

#include "CorvaneDomain/LibraryDestination.hpp"
#include "CorvaneDomain/RecentPracticeSong.hpp"

class QLabel;
class QVBoxLayout;

namespace corvane {

class SidebarDestinationRow;
class SidebarRecentSongRow;
class SidebarSettingsButton;
class SidebarTitleRow;

// What the sidebar asks of the window.
struct SidebarActions {
    // A destination was chosen (the window shows it and closes the sidebar).
    std::function<void(std::optional<LibraryDestination> destination)> selectionEdited;
    // A recent song was chosen.
    std::function<void(const RecentPracticeSong& song)> continueSong;
    // "Preferências": the settings window.
    std::function<void()> openSettings;
};

// The navigation panel that slides in over the main window: the title row,
// one row per destination, up to four recent songs under "Peças recentes",
// a divider and the settings link, on the textured panel. It keeps no state:
// the selection and the songs are what the window last gave it, and choosing
// a row only tells the window. Recent songs change with every graded note,
// so it reads them from its source when it is shown and, while shown, at
// most once per event-loop turn.
class SidebarView : public QWidget {
    Q_OBJECT
public:
    static constexpr int maximumRecentSongs = 4;

    explicit SidebarView(SidebarActions actions, QWidget* parent = nullptr);

    // The window's destination; no row is highlighted without one.
    const std::optional<LibraryDestination>& selection() const { return selection_; }
    void setSelection(std::optional<LibraryDestination> destination);

    // Every recent song, newest first; the panel shows the first four.
    const std::vector<RecentPracticeSong>& recentSongs() const { return recentSongs_; }
    void setRecentSongs(std::vector<RecentPracticeSong> songs);
    void setRecentSongsSource(std::function<std::vector<RecentPracticeSong>()> source);
    // The source has new songs: read in the next turn while shown, else when next shown.
    void recentSongsChanged();
    int sourceReadCount() const { return sourceReadCount_; }

    // Parts of the panel.
    SidebarTitleRow* titleRow() const { return titleRow_; }
    const std::array<SidebarDestinationRow*, 3>& destinationRows() const { return destinationRows_; }
    // Hidden without recent songs.
    QWidget* recentSection() const { return recentSection_; }
    QLabel* recentHeader() const { return recentHeader_; }
    const std::vector<SidebarRecentSongRow*>& recentRows() const { return recentRows_; }
    QWidget* divider() const { return divider_; }
    SidebarSettingsButton* settingsButton() const { return settingsButton_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void readSource();
    void showRecentRows();

    SidebarActions actions_;
    std::optional<LibraryDestination> selection_;
    std::vector<RecentPracticeSong> recentSongs_;
    std::function<std::vector<RecentPracticeSong>()> source_;
    bool readQueued_ = false;
    int sourceReadCount_ = 0;

    SidebarTitleRow* titleRow_ = nullptr;
    std::array<SidebarDestinationRow*, 3> destinationRows_{};
    QWidget* recentSection_ = nullptr;
    QLabel* recentHeader_ = nullptr;
    QVBoxLayout* recentColumn_ = nullptr;
    std::vector<SidebarRecentSongRow*> recentRows_;
    QWidget* divider_ = nullptr;
    SidebarSettingsButton* settingsButton_ = nullptr;
};

} // namespace corvane
