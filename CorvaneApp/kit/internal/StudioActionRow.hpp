#pragma once

#include <QAbstractButton>
#include <QColor>
#include <optional>

class QLabel;

namespace corvane {

class StudioFieldLabel;

// A whole row that is one button: its title as a field label, then, at the
// trailing end, an optional value in `accent` and an optional accessory
// widget (the row takes it over). A click anywhere on it emits `clicked`.
class StudioActionRow : public QAbstractButton {
    Q_OBJECT
public:
    StudioActionRow(const QString& title, std::optional<QString> value, const QColor& accent,
                    QWidget* accessory = nullptr, QWidget* parent = nullptr);

    void setValue(std::optional<QString> value);
    std::optional<QString> value() const;
    QWidget* accessory() const { return accessory_; }
    StudioFieldLabel* titleLabel() const { return title_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    StudioFieldLabel* title_;
    QLabel* value_;
    QWidget* accessory_;
};

} // namespace corvane
