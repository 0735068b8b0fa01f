#pragma once

#include <QWidget>

class QPropertyAnimation;

namespace corvane {

// The outline shown over the window while files are dragged over it: a
// rounded rectangle in the accent colour, 4 pixels in from the edges, fading
// in and out with a short ease-out. Never takes the mouse.
class DropHighlight : public QWidget {
    Q_OBJECT
    Q_PROPERTY(double opacity READ opacity WRITE setOpacity)
public:
    static constexpr int inset = 4;
    static constexpr double cornerRadius = 10;
    static constexpr double lineWidth = 3;
    static constexpr int fadeMilliseconds = 120;

    explicit DropHighlight(QWidget* parent = nullptr);

    bool isTargeted() const { return targeted_; }
    void setTargeted(bool targeted);

    double opacity() const { return opacity_; }
    void setOpacity(double opacity);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPropertyAnimation* fade_ = nullptr;
    bool targeted_ = false;
    double opacity_ = 0;
};

} // namespace corvane
