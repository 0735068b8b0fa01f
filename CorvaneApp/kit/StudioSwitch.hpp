#pragma once

#include <QAbstractButton>

namespace corvane {

// A small on/off switch in the accent colour, with an optional label at its
// left. Space toggles it when it has the focus; assistive technology sees a
// check box with its state.
//
// `toggled` is the button's own signal, so it also fires on setChecked. An
// owner that mirrors its model into the switch sets it with the signals
// blocked (QSignalBlocker), so that only the user's changes come back.
class StudioSwitch : public QAbstractButton {
    Q_OBJECT
public:
    explicit StudioSwitch(const QString& label = QString(), QWidget* parent = nullptr);

    // The capsule's place in the widget: at the right end.
    QRectF trackRect() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
};

} // namespace corvane
