#pragma once

#include <QString>
#include <QWidget>

#include "CorvaneDomain/Date.hpp"
#include "CorvaneDomain/PracticeHistoryEntry.hpp"
#include "CorvaneDomain/RecentPracticeSong.hpp"

namespace corvane {

// One clickable row of the recent-practice lists, painted in one pass: a
// symbol in an 18-wide frame, the title over a caption at the left, a
// read-out over a caption at the right, and an optional trailing symbol.
// The texts are made when the data changes, never while painting. The row
// keeps only its pressed state.
class RecentPracticeRow : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString systemImage READ systemImage)
public:
    static constexpr int spacing = 12;
    static constexpr int symbolFrameWidth = 18;

    const QString& systemImage() const { return systemImage_; }
    // Empty when the row has none.
    const QString& trailingSystemImage() const { return trailingSystemImage_; }
    const QString& titleText() const { return title_; }
    const QString& captionText() const { return caption_; }
    const QString& readoutText() const { return readout_; }
    const QString& detailText() const { return detail_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void clicked();

protected:
    RecentPracticeRow(QString systemImage, QString trailingSystemImage, QWidget* parent);
    void setTexts(QString title, QString caption, QString readout, QString detail);

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString systemImage_;
    QString trailingSystemImage_;
    QString title_;
    QString caption_;
    QString readout_;
    QString detail_;
    bool pressed_ = false;
};

// A recently practised song: "music.note", its title and how long ago it was
// practised, its total practice time and notes, and "play.fill".
class RecentSongRow : public RecentPracticeRow {
    Q_OBJECT
public:
    explicit RecentSongRow(RecentPracticeSong song, QWidget* parent = nullptr);

    const RecentPracticeSong& song() const { return song_; }
    // False (and nothing redrawn) when the song is the one shown.
    bool setSong(RecentPracticeSong song);
    // The relative date moves on with the clock though the song does not.
    void refreshDate(Date now);

signals:
    // A right click (or the menu key) on the row, at this global position.
    void menuRequested(const QPoint& globalPosition);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    RecentPracticeSong song_;
};

// A past session: "calendar", the song's title and when the session began,
// its practice time and its grading summary. It has no menu.
class PracticeHistoryRow : public RecentPracticeRow {
    Q_OBJECT
public:
    explicit PracticeHistoryRow(PracticeHistoryEntry session, QWidget* parent = nullptr);

    const PracticeHistoryEntry& session() const { return session_; }
    bool setSession(PracticeHistoryEntry session);
    QString timingSummary() const;

private:
    PracticeHistoryEntry session_;
};

} // namespace corvane
