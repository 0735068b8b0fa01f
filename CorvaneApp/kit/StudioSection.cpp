#include "CorvaneApp/kit/StudioSection.hpp"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/kit/StudioLabels.hpp"

namespace corvane {

StudioSection::StudioSection(std::optional<QString> title, std::optional<QString> infoText, QWidget* content,
                             QWidget* accessory, QWidget* parent)
    : QWidget(parent), title_(std::move(title)), header_(new QWidget), infoLabel_(new QLabel), content_(content),
      accessory_(accessory)
{
    auto stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 4, 0, 4);
    stack->setSpacing(12);

    // The header keeps its height whatever it holds, so sections line up.
    header_->setFixedHeight(20);
    auto row = new QHBoxLayout(header_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    if (title_) {
        titleLabel_ = new StudioCapsLabel(*title_, 0.7, StudioAppearance::tertiaryText());
        row->addWidget(titleLabel_);
    }
    row->addSpacerItem(new QSpacerItem(6, 0, QSizePolicy::MinimumExpanding, QSizePolicy::Minimum));
    infoLabel_->setFont(studioReadout());
    infoLabel_->setTextFormat(Qt::PlainText);
    QPalette palette = infoLabel_->palette();
    palette.setColor(QPalette::WindowText, StudioAppearance::secondaryText());
    infoLabel_->setPalette(palette);
    row->addWidget(infoLabel_);
    if (accessory_) row->addWidget(accessory_);
    stack->addWidget(header_);

    if (content_) stack->addWidget(content_);
    setInfoText(std::move(infoText));
}

void StudioSection::setInfoText(std::optional<QString> infoText)
{
    infoText_ = std::move(infoText);
    infoLabel_->setText(infoText_.value_or(QString()));
    infoLabel_->setVisible(infoText_.has_value());
}

} // namespace corvane
