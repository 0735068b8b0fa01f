#pragma once

#include <QAbstractButton>
#include <QColor>

#include <cstdint>

namespace corvane {

// One track's colour in the palette: a 22-point disc, ringed brighter when
// it is the track being edited. A press chooses the track.
class TrackSwatchButton : public QAbstractButton {
    Q_OBJECT
public:
    static constexpr int side = 22;

    TrackSwatchButton(std::int64_t trackIndex, QWidget* parent = nullptr);

    std::int64_t trackIndex() const { return trackIndex_; }
    // The grid hands the button to another track as it scrolls.
    void setTrackIndex(std::int64_t trackIndex) { trackIndex_ = trackIndex; }
    const QColor& color() const { return color_; }
    void setColor(const QColor& color);
    bool isCurrent() const { return current_; }
    void setCurrent(bool current);
    // The ring: 2 wide in the primary text colour when current, else 1 wide
    // in the secondary text colour at 0.4.
    double ringWidth() const { return current_ ? 2 : 1; }

    QSize sizeHint() const override { return QSize(side, side); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::int64_t trackIndex_;
    QColor color_;
    bool current_ = false;
};

} // namespace corvane
