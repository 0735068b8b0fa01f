#include "CorvaneApp/settings/SettingsFormParts.hpp"

#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QScrollArea>
#include <QVBoxLayout>

#include "CorvaneApp/kit/HiddenScrollers.hpp"
#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/kit/StudioLabels.hpp"
#include "CorvaneApp/kit/StudioScrollColumn.hpp"
#include "CorvaneApp/kit/style/StudioSymbols.hpp"

namespace corvane {

namespace {

constexpr int rowHeight = 26;

void paintText(QLabel* label, const QColor& color)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, color);
    label->setPalette(palette);
}

// A pictogram drawn at its box's size in one colour.
class SymbolMark : public QWidget {
public:
    SymbolMark(const QString& name, const QColor& color, QSize size, QWidget* parent)
        : QWidget(parent), name_(name), color_(color)
    {
        setFixedSize(size);
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        paintStudioSymbol(painter, name_, QRectF(rect()), color_);
    }

private:
    QString name_;
    QColor color_;
};

} // namespace

const QColor& settingsRed()
{
    return StudioAppearance::destructive();
}

const QColor& settingsOrange()
{
    static const QColor color(255, 159, 10);
    return color;
}

QLabel* makeSettingsCaption(const QString& text, const QColor& color, QWidget* parent)
{
    auto label = studioTextLabel(text, studioCaption(), color, parent);
    label->setWordWrap(true);
    return label;
}

QLabel* makeSettingsSectionHeader(const QString& text, QWidget* parent)
{
    QFont font = studioCallout();
    font.setWeight(QFont::DemiBold);
    auto label = studioTextLabel(text, font, StudioAppearance::secondaryText(), parent);
    label->setContentsMargins(4, 0, 0, 2);
    return label;
}

// Groups.

SettingsGroup::SettingsGroup(QWidget* parent) : QWidget(parent), rows_(new QVBoxLayout(this))
{
    rows_->setContentsMargins(12, 8, 12, 8);
    rows_->setSpacing(6);
}

void SettingsGroup::addRow(QWidget* row) { rows_->addWidget(row); }

void SettingsGroup::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(StudioAppearance::controlStroke(), 1));
    painter.setBrush(StudioAppearance::controlFill());
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 7, 7);
}

SettingsForm::SettingsForm(QWidget* parent) : QWidget(parent)
{
    auto stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    QScrollArea* area = makeStudioScrollColumn(this, column_);
    column_->setContentsMargins(14, 14, 14, 14);
    column_->setSpacing(6);
    stack->addWidget(area);
    hidingScrollers(this);
}

void SettingsForm::addWidget(QWidget* widget, int spacingBefore)
{
    if (spacingBefore > 0) column_->addSpacing(spacingBefore);
    column_->addWidget(widget);
}

void SettingsForm::addSection(QWidget* header, SettingsGroup* group)
{
    if (column_->count() > 0) column_->addSpacing(12);
    if (header) column_->addWidget(header);
    column_->addWidget(group);
}

void SettingsForm::finish() { column_->addStretch(1); }

// Buttons.

SettingsButton::SettingsButton(const QString& systemImage, const QString& title, QWidget* parent)
    : QPushButton(title, parent), systemImage_(systemImage)
{
    setIconSize(QSize(14, 14));
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    QPalette palette = this->palette();
    palette.setColor(QPalette::ButtonText, StudioAppearance::primaryText());
    setPalette(palette);
    paintIcon();
}

void SettingsButton::changeEvent(QEvent* event)
{
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) paintIcon();
}

void SettingsButton::paintIcon()
{
    // A disabled button's pictogram fades with its text.
    const QColor color = isEnabled() ? StudioAppearance::primaryText() : StudioAppearance::tertiaryText();
    setIcon(studioSymbolIcon(systemImage_, 14, color));
}

// Pickers and read-only rows.

SettingsPickerRow::SettingsPickerRow(const QString& title, QWidget* parent)
    : QWidget(parent), title_(new StudioFieldLabel(title)), combo_(new QComboBox)
{
    combo_->setAccessibleName(title);
    combo_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    combo_->setMinimumContentsLength(12);
    combo_->setMaximumWidth(300);
    setMinimumHeight(rowHeight);
    auto row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    row->addWidget(title_, 0, Qt::AlignVCenter);
    row->addStretch(1);
    row->addWidget(combo_, 0, Qt::AlignVCenter);
}

SettingsValueRow::SettingsValueRow(const QString& title, const QString& value, const QColor& color,
                                   QWidget* parent)
    : QWidget(parent), title_(new StudioFieldLabel(title)), value_(studioTextLabel(value, studioBody(), color, nullptr))
{
    value_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setMinimumHeight(rowHeight);
    auto row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    row->addWidget(title_, 0, Qt::AlignVCenter);
    row->addStretch(1);
    row->addWidget(value_, 0, Qt::AlignVCenter);
    setAccessibleName(title);
    setAccessibleDescription(value);
}

void SettingsValueRow::setValue(const QString& value, const QColor& color)
{
    value_->setText(value);
    paintText(value_, color);
    setAccessibleDescription(value);
}

QString SettingsValueRow::value() const { return value_->text(); }

QColor SettingsValueRow::valueColor() const { return value_->palette().color(QPalette::WindowText); }

SettingsSymbolLabel::SettingsSymbolLabel(const QString& systemImage, const QString& text, const QColor& color,
                                         QWidget* parent)
    : QWidget(parent), systemImage_(systemImage), color_(color), text_(studioTextLabel(text, studioCallout(), color, nullptr))
{
    text_->setWordWrap(true);
    auto row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(7);
    row->addWidget(new SymbolMark(systemImage, color, QSize(15, 14), this), 0, Qt::AlignTop);
    row->addWidget(text_, 1);
    setAccessibleName(text);
}

QString SettingsSymbolLabel::text() const { return text_->text(); }

SettingsProgressRow::SettingsProgressRow(QWidget* parent)
    : QWidget(parent), bar_(new QProgressBar), text_(studioTextLabel(QString(), studioCallout(),
                                                                StudioAppearance::secondaryText(), nullptr))
{
    // No end is known: the bar only says that something runs.
    bar_->setRange(0, 0);
    bar_->setTextVisible(false);
    bar_->setFixedSize(60, 6);
    auto row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    row->addWidget(bar_, 0, Qt::AlignVCenter);
    row->addWidget(text_, 1, Qt::AlignVCenter);
}

void SettingsProgressRow::setText(const QString& text)
{
    text_->setText(text);
    setAccessibleName(text);
}

QString SettingsProgressRow::text() const { return text_->text(); }

// The empty state.

SettingsEmptyState::SettingsEmptyState(const QString& systemImage, const QString& title, const QString& description,
                                       QWidget* parent)
    : QWidget(parent), systemImage_(systemImage)
{
    auto column = new QVBoxLayout(this);
    column->setContentsMargins(36, 24, 36, 24);
    column->setSpacing(0);
    column->addStretch(1);
    column->addWidget(new SymbolMark(systemImage, StudioAppearance::secondaryText(), QSize(48, 44), this), 0,
                      Qt::AlignHCenter);
    column->addSpacing(14);

    QFont titleFont = studioHeadline();
    titleFont.setPixelSize(20);
    title_ = studioTextLabel(title, titleFont, StudioAppearance::primaryText(), this);
    title_->setAlignment(Qt::AlignHCenter);
    column->addWidget(title_);
    column->addSpacing(6);
    description_ = studioTextLabel(description, studioCallout(), StudioAppearance::secondaryText(), this);
    description_->setAlignment(Qt::AlignHCenter);
    description_->setWordWrap(true);
    column->addWidget(description_);
    column->addStretch(1);
    setAccessibleName(title);
    setAccessibleDescription(description);
}

QString SettingsEmptyState::title() const { return title_->text(); }

QString SettingsEmptyState::description() const { return description_->text(); }

} // namespace corvane
