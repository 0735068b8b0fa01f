#pragma once

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <vector>

#include "CorvaneApp/kit/StudioLazyList.hpp"

class QAbstractScrollArea;

namespace corvane {

class TrackSwatchButton;

// The swatches in rows from the leading edge, 8 apart both ways, as many to
// a row as the width allows. The grid is as tall as all of them, but only
// the rows in view of the scroll area around it (and one more row each way)
// have buttons, handed from track to track as the page scrolls: a song of
// 65,535 tracks makes a screenful of them. Screen readers see every swatch,
// made or not (StudioLazyList).
class TrackSwatchGrid : public QWidget, public StudioLazyList {
    Q_OBJECT
public:
    static constexpr int spacing = 8;

    explicit TrackSwatchGrid(QWidget* parent = nullptr);

    // One swatch per track, in this order.
    void setTracks(const std::vector<std::int64_t>& trackIndices);
    const std::vector<std::int64_t>& tracks() const { return tracks_; }
    // What a track is called; the grid names each swatch by it, with the
    // help "Editar a cor de " and the name, whenever it binds the swatch
    // (setTracks binds every one anew, so new names come with it).
    void setTrackLabel(std::function<QString(std::int64_t)> label);
    // The buttons made now, in track order.
    std::vector<TrackSwatchButton*> swatches() const;
    int columns() const { return columnsFor(width()); }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    int accessibleRowCount() const override { return int(tracks_.size()); }
    AccessibleRow accessibleRow(int row) const override;
    QRect accessibleRowRect(int row) const override;
    QWidget* madeRowWidget(int row) const override;
    QWidget* revealRow(int row) override;
    QAbstractButton* rowControl(QWidget* rowWidget, const QString& action) const override;

signals:
    // A swatch was pressed.
    void trackChosen(std::int64_t trackIndex);
    // Buttons were handed to other tracks: the owner colours them.
    void swatchesPlaced();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int columnsFor(int width) const;
    void followScrollArea();
    void place();
    void name(TrackSwatchButton* button) const;
    QString labelOf(std::int64_t trackIndex) const;

    std::vector<std::int64_t> tracks_;
    std::function<QString(std::int64_t)> label_;
    // The buttons, the first `shown_` of them bound to consecutive tracks
    // from `firstShown_` on.
    std::vector<TrackSwatchButton*> buttons_;
    std::size_t firstShown_ = 0;
    std::size_t shown_ = 0;
    QPointer<QAbstractScrollArea> scrollArea_;
    QMetaObject::Connection scrolled_;
};

} // namespace corvane
