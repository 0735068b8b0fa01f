#pragma once

#include <QAbstractButton>
#include <QWidget>

#include <vector>

namespace corvane {

// One choice of a segmented picker: its text and, optionally, a symbol drawn before it.
struct StudioSegment {
    QString text;
    QString systemImage;
    bool operator==(const StudioSegment&) const = default;
};

// One segment: a button that shows whether it is the picker's choice.
class StudioSegmentButton : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(QString systemImage READ systemImage CONSTANT)
public:
    StudioSegmentButton(const StudioSegment& segment, QWidget* parent = nullptr);

    const QString& systemImage() const { return systemImage_; }
    bool isSelected() const { return selected_; }
    void setSelected(bool selected);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString systemImage_;
    bool selected_ = false;
};

// A row of segments in a capsule, exactly one of them chosen. The choice
// lives with the owner: setCurrentIndex shows it without a signal; a click,
// or Left and Right while the picker has the focus, asks for another one
// through `currentIndexEdited` (and shows it at once).
class StudioSegmentedPicker : public QWidget {
    Q_OBJECT
public:
    explicit StudioSegmentedPicker(std::vector<StudioSegment> segments, int currentIndex = 0,
                                   QWidget* parent = nullptr);

    int count() const { return int(buttons_.size()); }
    // −1 only when there are no segments.
    int currentIndex() const { return current_; }
    // Indices outside the segments are ignored.
    void setCurrentIndex(int index);
    StudioSegmentButton* segmentButton(int index) const;

signals:
    void currentIndexEdited(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void choose(int index);

    std::vector<StudioSegmentButton*> buttons_;
    int current_ = -1;
};

} // namespace corvane
