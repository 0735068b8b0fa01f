#include "CorvaneApp/kit/internal/StudioActionRow.hpp"

#include <QHBoxLayout>
#include <QLabel>

#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/kit/StudioLabels.hpp"

namespace corvane {

StudioActionRow::StudioActionRow(const QString& title, std::optional<QString> value, const QColor& accent,
                                 QWidget* accessory, QWidget* parent)
    : QAbstractButton(parent), title_(new StudioFieldLabel(title)), value_(new QLabel), accessory_(accessory)
{
    setFont(studioCallout());
    setText(title);
    setAccessibleName(title);
    setCursor(Qt::PointingHandCursor);
    auto row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(9);
    row->addWidget(title_);
    row->addStretch(1); // the layout's spacing keeps the value at least 9 from the title
    value_->setFont(studioCallout());
    QPalette palette = value_->palette();
    palette.setColor(QPalette::WindowText, accent);
    value_->setPalette(palette);
    value_->setTextFormat(Qt::PlainText);
    row->addWidget(value_);
    if (accessory_) row->addWidget(accessory_);
    // The row is the button: what it holds does not take the clicks.
    for (QWidget* child : {static_cast<QWidget*>(title_), static_cast<QWidget*>(value_), accessory_})
        if (child) child->setAttribute(Qt::WA_TransparentForMouseEvents);
    setValue(std::move(value));
}

void StudioActionRow::setValue(std::optional<QString> value)
{
    value_->setVisible(value.has_value());
    value_->setText(value.value_or(QString()));
}

std::optional<QString> StudioActionRow::value() const
{
    if (value_->isHidden()) return std::nullopt;
    return value_->text();
}

void StudioActionRow::paintEvent(QPaintEvent*) {}

} // namespace corvane
