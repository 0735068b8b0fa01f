#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace corvane {

// The small dialog that asks for a playlist's name: a title, an optional
// message, the field "Nome", and a confirming and a "Cancelar" button.
// Either button closes it; the confirming one emits `confirmed` first.
class PlaylistNameDialog : public QDialog {
    Q_OBJECT
public:
    PlaylistNameDialog(const QString& title, const QString& message, const QString& confirmTitle,
                       QWidget* parent = nullptr);

    QLineEdit* nameField() const { return name_; }
    QPushButton* confirmButton() const { return confirm_; }
    QPushButton* cancelButton() const { return cancel_; }
    QString message() const;

signals:
    void confirmed();
    // The field's text after every change, typed or set.
    void nameEdited(const QString& name);

private:
    QLabel* message_ = nullptr;
    QLineEdit* name_ = nullptr;
    QPushButton* confirm_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

} // namespace corvane
