#pragma once

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <vector>

class QAbstractScrollArea;

namespace corvane {

class TrackSwatchButton;

// The swatches in rows from the leading edge, 8 apart both ways, as many to
// a row as the width allows. The grid is as tall as all of them, but only
// the rows in view of the scroll area around it (and one more row each way)
// have buttons, handed from track to track as the page scrolls: a song of
// 65,535 tracks makes a screenful of them.
class TrackSwatchGrid : public QWidget {
    Q_OBJECT
public:
    static constexpr int spacing = 8;

    explicit TrackSwatchGrid(QWidget* parent = nullptr);

    // One swatch per track, in this order.
    void setTracks(const std::vector<std::int64_t>& trackIndices);
    const std::vector<std::int64_t>& tracks() const { return tracks_; }
    // The buttons made now, in track order.
    std::vector<TrackSwatchButton*> swatches() const;
    int columns() const { return columnsFor(width()); }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // A swatch was pressed.
    void trackChosen(std::int64_t trackIndex);
    // Buttons were handed to other tracks: the owner colours and names them.
    void swatchesPlaced();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int columnsFor(int width) const;
    void followScrollArea();
    void place();

    std::vector<std::int64_t> tracks_;
    // The buttons, the first `shown_` of them bound to consecutive tracks
    // from `firstShown_` on.
    std::vector<TrackSwatchButton*> buttons_;
    std::size_t firstShown_ = 0;
    std::size_t shown_ = 0;
    QPointer<QAbstractScrollArea> scrollArea_;
    QMetaObject::Connection scrolled_;
};

} // namespace corvane
