#include "CorvaneApp/kit/TrackRowView.hpp"

#include <QHBoxLayout>
#include <QPainter>

#include <cmath>

#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/StudioChipButton.hpp"
#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/kit/style/StudioLocale.hpp"

namespace corvane {

namespace {

const QString leftHelp = QStringLiteral("Mão esquerda toca esta faixa");
const QString rightHelp = QStringLiteral("Mão direita toca esta faixa");
const QString muteHelp = QStringLiteral("Tirar esta faixa do estudo");
const QString unmuteHelp = QStringLiteral("Trazer esta faixa de volta ao estudo");

} // namespace

// The two lines of a row. It takes whatever width the chips leave and asks
// for none, so no name, however long, widens the row.
class TrackRowTexts : public QWidget {
public:
    explicit TrackRowTexts(QWidget* parent) : QWidget(parent), labelFont_(studioLegend())
    {
        labelFont_.setLetterSpacing(QFont::AbsoluteSpacing, 0.6);
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        setFixedHeight(labelHeight() + lineSpacing + captionHeight());
    }

    void setTexts(const QString& label, const QString& subtitle, double labelOpacity)
    {
        if (label == label_ && subtitle == subtitle_ && labelOpacity == labelOpacity_) return;
        label_ = label;
        subtitle_ = subtitle;
        labelOpacity_ = labelOpacity;
        setAccessibleName(label);
        setAccessibleDescription(subtitle);
        update();
    }

    QString shownLabel() const { return QFontMetrics(labelFont_).elidedText(label_, Qt::ElideRight, width()); }
    QString shownSubtitle() const
    {
        return QFontMetrics(studioCaption()).elidedText(subtitle_, Qt::ElideRight, width());
    }

    QSize sizeHint() const override { return {0, height()}; }
    QSize minimumSizeHint() const override { return {0, height()}; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
        painter.setFont(labelFont_);
        painter.setPen(StudioAppearance::secondaryText());
        painter.setOpacity(labelOpacity_);
        painter.drawText(QRect(0, 0, width(), labelHeight()), flags, shownLabel());
        painter.setOpacity(1);
        painter.setFont(studioCaption());
        painter.setPen(StudioAppearance::tertiaryText());
        painter.drawText(QRect(0, labelHeight() + lineSpacing, width(), captionHeight()), flags, shownSubtitle());
    }

private:
    static constexpr int lineSpacing = 1;
    int labelHeight() const { return int(std::ceil(QFontMetricsF(labelFont_).height())); }
    static int captionHeight() { return int(std::ceil(QFontMetricsF(studioCaption()).height())); }

    QFont labelFont_;
    QString label_;
    QString subtitle_;
    double labelOpacity_ = 1;
};

TrackRowView::TrackRowView(SetHand setHand, SetMuted setMuted, QWidget* parent)
    : QWidget(parent), setHand_(std::move(setHand)), setMuted_(std::move(setMuted)), texts_(new TrackRowTexts(this)),
      left_(new StudioChipButton(QStringLiteral("E"), chipHeight, false, this)),
      right_(new StudioChipButton(QStringLiteral("D"), chipHeight, false, this)),
      sounding_(new StudioChipButton(StudioChipButton::Symbol{QStringLiteral("speaker.wave.2.fill")}, chipHeight,
                                     true, this)),
      silenced_(new StudioChipButton(StudioChipButton::Symbol{QStringLiteral("speaker.slash.fill")}, chipHeight,
                                     false, this))
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(spacing);
    row->addWidget(texts_, 1, Qt::AlignVCenter);
    for (auto chip : {left_, right_, sounding_, silenced_}) row->addWidget(chip, 0, Qt::AlignVCenter);

    left_->setHelp(leftHelp);
    right_->setHelp(rightHelp);
    sounding_->setHelp(muteHelp);
    silenced_->setHelp(unmuteHelp);
    silenced_->hide();

    connect(left_, &QAbstractButton::clicked, this, [this] { chooseHand(PracticeTrackHand::left); });
    connect(right_, &QAbstractButton::clicked, this, [this] { chooseHand(PracticeTrackHand::right); });
    connect(sounding_, &QAbstractButton::clicked, this, &TrackRowView::toggleMuted);
    connect(silenced_, &QAbstractButton::clicked, this, &TrackRowView::toggleMuted);
    texts_->setTexts(QString(), QString(), labelOpacity());
}

void TrackRowView::setValues(const QString& label, const QString& subtitle, PracticeTrackHand hand, bool isMuted)
{
    label_ = label;
    subtitle_ = subtitle;
    hand_ = hand;
    isMuted_ = isMuted;
    texts_->setTexts(oneLine(label_), oneLine(subtitle_), labelOpacity());
    left_->setSelected(hand == PracticeTrackHand::left);
    right_->setSelected(hand == PracticeTrackHand::right);
    if (sounding_->isHidden() != isMuted) {
        // Focus stays on the speaker when the click swaps its chip.
        StudioChipButton* shown = isMuted ? silenced_ : sounding_;
        StudioChipButton* hidden = isMuted ? sounding_ : silenced_;
        const bool hadFocus = hidden->hasFocus();
        shown->show();
        hidden->hide();
        if (hadFocus) shown->setFocus(Qt::OtherFocusReason);
    }
}

QString TrackRowView::shownLabel() const { return texts_->shownLabel(); }
QString TrackRowView::shownSubtitle() const { return texts_->shownSubtitle(); }
QWidget& TrackRowView::texts() const { return *texts_; }
StudioChipButton& TrackRowView::speakerChip() const { return isMuted_ ? *silenced_ : *sounding_; }

QStringList TrackRowView::chipActions(bool isMuted) { return {leftHelp, rightHelp, isMuted ? unmuteHelp : muteHelp}; }

StudioChipButton* TrackRowView::chipFor(const QString& action) const
{
    for (StudioChipButton* chip : {left_, right_, &speakerChip()})
        if (chip->toolTip() == action) return chip;
    return nullptr;
}

QWidget* TrackRowView::chainFocusAfter(QWidget* previous)
{
    for (StudioChipButton* chip : {left_, right_, sounding_, silenced_}) {
        QWidget::setTabOrder(previous, chip);
        previous = chip;
    }
    return previous;
}

// Each hand chip switches between its hand and automatic; choosing one hand
// while the other is assigned goes straight to the chosen one.
void TrackRowView::chooseHand(PracticeTrackHand chip)
{
    const PracticeTrackHand chosen = hand_ == chip ? PracticeTrackHand::automatic : chip;
    // A copy: the caller may close the list, and this row with it, in the callback.
    if (const SetHand report = setHand_) report(chosen);
}

void TrackRowView::toggleMuted()
{
    if (const SetMuted report = setMuted_) report(!isMuted_);
}

QString TrackRowView::noteCountText(std::int64_t count)
{
    return studioLocale().toString(qlonglong(count)) + QStringLiteral(" notas");
}

QString TrackRowView::oneLine(const QString& text)
{
    QString line = text;
    for (QChar& c : line) {
        const auto category = c.category();
        if (category == QChar::Other_Control || category == QChar::Separator_Line ||
            category == QChar::Separator_Paragraph)
            c = QLatin1Char(' ');
    }
    return line;
}

} // namespace corvane
