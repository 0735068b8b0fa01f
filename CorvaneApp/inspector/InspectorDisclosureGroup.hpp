#pragma once

#include <QAbstractButton>
#include <QVariantAnimation>
#include <QWidget>

class QLabel;

namespace corvane {

class StudioFieldLabel;

// The label row of a disclosure group: a chevron, the title as a field
// label, and a detail text at the right in secondary colour. The whole row
// is the button, blank space included, and shows the pointing hand.
class DisclosureLabelRow : public QAbstractButton {
    Q_OBJECT
public:
    explicit DisclosureLabelRow(const QString& title, QWidget* parent = nullptr);

    StudioFieldLabel& titleLabel() const { return *title_; }
    QLabel& detailLabel() const { return *detail_; }
    // Leaves the label alone when the text is the same.
    void setDetail(const QString& text);
    // How far the chevron has turned towards "open", 0...1.
    void setOpenness(double openness);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    StudioFieldLabel* title_;
    QLabel* detail_;
    double openness_ = 1;
};

// A label row above content that opens and closes when the row is clicked,
// moving with a spring of response 0.5 s and damping 0.85. It starts open.
// The content sits 12 below the row.
class InspectorDisclosureGroup : public QWidget {
    Q_OBJECT
public:
    static constexpr double springResponse = 0.5;
    static constexpr double springDamping = 0.85;

    InspectorDisclosureGroup(const QString& title, QWidget* content, QWidget* parent = nullptr);

    bool isExpanded() const { return expanded_; }
    // Animated unless `animated` is false; the same state changes nothing.
    void setExpanded(bool expanded, bool animated = true);
    bool isAnimating() const { return animation_.state() == QAbstractAnimation::Running; }
    int animationDurationMilliseconds() const { return animation_.duration(); }

    DisclosureLabelRow& labelRow() const { return *label_; }
    QWidget& content() const { return *content_; }
    // The clip around the content, shown while open or moving.
    QWidget& contentClip() const { return *clip_; }

signals:
    void expandedChanged(bool expanded);

private:
    void step(double progress);

    bool expanded_ = true;
    DisclosureLabelRow* label_;
    QWidget* clip_;
    QWidget* content_;
    QVariantAnimation animation_;
    double fromHeight_ = 0;
};

} // namespace corvane
