#pragma once

#include <QWidget>

#include <optional>

class QLabel;

namespace corvane {

class StudioCapsLabel;

// A titled group of rows: a header 20 high (the title in capitals at the
// left, an optional read-out and an accessory widget at the right) above the
// content. The section takes over the widgets it is given.
class StudioSection : public QWidget {
    Q_OBJECT
public:
    StudioSection(std::optional<QString> title, std::optional<QString> infoText, QWidget* content,
                  QWidget* accessory = nullptr, QWidget* parent = nullptr);

    std::optional<QString> title() const { return title_; }
    std::optional<QString> infoText() const { return infoText_; }
    // The read-out changes with what the section shows; absent hides it.
    void setInfoText(std::optional<QString> infoText);

    QWidget* header() const { return header_; }
    QWidget* content() const { return content_; }
    QWidget* accessory() const { return accessory_; }
    // Null without a title.
    StudioCapsLabel* titleLabel() const { return titleLabel_; }
    QLabel* infoLabel() const { return infoLabel_; }

private:
    std::optional<QString> title_;
    std::optional<QString> infoText_;
    QWidget* header_;
    StudioCapsLabel* titleLabel_ = nullptr;
    QLabel* infoLabel_;
    QWidget* content_;
    QWidget* accessory_;
};

} // namespace corvane
