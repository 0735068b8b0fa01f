#include "CorvaneApp/library/PlaylistNameDialog.hpp"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "CorvaneApp/kit/style/StudioFonts.hpp"

namespace corvane {

PlaylistNameDialog::PlaylistNameDialog(const QString& title, const QString& message, const QString& confirmTitle,
                                       QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(title);
    setWindowModality(Qt::WindowModal);
    setMinimumWidth(320);
    auto column = new QVBoxLayout(this);
    column->setContentsMargins(20, 18, 20, 16);
    column->setSpacing(10);

    auto heading = new QLabel(title, this);
    heading->setFont(studioHeadline());
    column->addWidget(heading);
    message_ = new QLabel(message, this);
    message_->setWordWrap(true);
    message_->setFont(studioCallout());
    message_->setVisible(!message.isEmpty());
    column->addWidget(message_);

    auto form = new QFormLayout;
    name_ = new QLineEdit(this);
    name_->setObjectName(QStringLiteral("nameField"));
    form->addRow(QStringLiteral("Nome"), name_);
    column->addLayout(form);

    auto buttons = new QHBoxLayout;
    buttons->addStretch(1);
    cancel_ = new QPushButton(QStringLiteral("Cancelar"), this);
    confirm_ = new QPushButton(confirmTitle, this);
    confirm_->setDefault(true);
    buttons->addWidget(cancel_);
    buttons->addWidget(confirm_);
    column->addLayout(buttons);

    connect(name_, &QLineEdit::textChanged, this, &PlaylistNameDialog::nameEdited);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(confirm_, &QPushButton::clicked, this, [this] {
        emit confirmed();
        accept();
    });
}

QString PlaylistNameDialog::message() const { return message_->text(); }

} // namespace corvane
