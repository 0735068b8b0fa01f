#pragma once

#include <QAbstractButton>

#include "CorvaneApp/kit/RetroLED.hpp"

namespace corvane {

// A cream push button with a black symbol that sinks while held; 60 × 37.
// The symbol is a named pictogram ("play.fill", "backward.fill", …) drawn in a
// square of `glyphSize`.
class RetroTransportButton : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(QString systemImage READ systemImage)
public:
    RetroTransportButton(const QString& systemImage, double glyphSize, QWidget* parent = nullptr);

    const QString& systemImage() const { return systemImage_; }
    void setSymbol(const QString& systemImage, double glyphSize);
    // The tooltip, shown as given; also the spoken name.
    void setHelp(const QString& help);

    QSize sizeHint() const override { return {60, 37}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString systemImage_;
    double glyphSize_;
};

// The loop lamp button: "ON" and amber while the marked passage repeats.
class RetroLoopButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit RetroLoopButton(QWidget* parent = nullptr);

    bool isActive() const { return lamp_.isOn(); }
    void setActive(bool active);
    double lampLevel() const { return lamp_.level(); }

    QSize sizeHint() const override { return {43, 35}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void applyTexts();
    LampLevel lamp_;
};

} // namespace corvane
