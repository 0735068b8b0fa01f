#pragma once

#include <QPixmap>
#include <QWidget>

namespace corvane {

// The thin wooden rail along the top of the stage's keyboard: the resource
// bundle's "wood-horizontal-piano.png" stretched along it when present, else
// wood drawn here. Takes no mouse input.
class StageWoodRail : public QWidget {
    Q_OBJECT
public:
    static constexpr double railHeight = 3.5;

    explicit StageWoodRail(QWidget* parent = nullptr);

    // Lays the rail across a stage `stageWidth` × `stageHeight`, centred on
    // the keyboard's top edge.
    void place(int stageWidth, int stageHeight);
    // The keyboard's top edge for a stage `stageHeight` high.
    static double keyboardTop(double stageHeight);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap wood_;
};

} // namespace corvane
