#pragma once

#include <QAbstractButton>

#include <optional>

namespace corvane {

// A small rounded button tinted with the accent colour. With `isSelected`
// absent it is a plain action chip; present, it shows a choice that is on or
// off. It looks selected only because its owner says so: a click never
// selects it (it is not checkable), the owner reacts to `clicked` and calls
// setSelected. Being an abstract button and not a push button, it never
// becomes a dialog's default button.
class StudioChipButton : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(QString systemImage READ systemImage CONSTANT)
    Q_PROPERTY(double opacity READ opacity WRITE setOpacity)
public:
    // A chip that shows one of the kit's symbols instead of a text.
    struct Symbol {
        QString name;
    };

    StudioChipButton(const QString& text, double height, std::optional<bool> isSelected = std::nullopt,
                     QWidget* parent = nullptr);
    StudioChipButton(Symbol symbol, double height, std::optional<bool> isSelected = std::nullopt,
                     QWidget* parent = nullptr);
    // A chip with a symbol before its text.
    StudioChipButton(Symbol symbol, const QString& text, double height, QWidget* parent = nullptr);

    std::optional<bool> isSelected() const { return isSelected_; }
    void setSelected(std::optional<bool> isSelected);
    double chipHeight() const { return height_; }
    // Empty for a chip of text alone.
    const QString& systemImage() const { return systemImage_; }
    // The tooltip; also the spoken name of a chip without text.
    void setHelp(const QString& help);

    // The whole chip's opacity (0...1), for fading it in and out; painted
    // as its own so that the chip draws the same in a grab as on screen.
    double opacity() const { return opacity_; }
    void setOpacity(double opacity);

    // What the chip is painted with now, from its state and the accent.
    QColor fillColor() const;
    QColor foregroundColor() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void updateAccessibleName();

    double height_;
    std::optional<bool> isSelected_;
    QString systemImage_;
    double opacity_ = 1;
};

} // namespace corvane
