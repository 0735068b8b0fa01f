#include "CorvaneApp/inspector/VisualInspectorView.hpp"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "CorvaneApp/inspector/PracticeInspectorTab.hpp"
#include "CorvaneApp/inspector/VisualEffectsInspectorTab.hpp"
#include "CorvaneApp/inspector/VisualInspectorRows.hpp"
#include "CorvaneApp/kit/HiddenScrollers.hpp"
#include "CorvaneApp/kit/style/StudioAccent.hpp"
#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/StudioSegmentedPicker.hpp"
#include "CorvaneApp/kit/StudioSliderTrack.hpp"
#include "CorvaneApp/session/PracticeSessionStore.hpp"

namespace corvane {

VisualInspectorView::VisualInspectorView(PracticeSessionStore& store, std::function<void()> openInstrumentEditor,
                                         QWidget* parent)
    : QWidget(parent), store_(store), openInstrumentEditor_(std::move(openInstrumentEditor))
{
    setObjectName(QStringLiteral("VisualInspectorView"));
    setAutoFillBackground(true);
    QPalette panel = palette();
    panel.setColor(QPalette::Window, StudioAppearance::panel());
    setPalette(panel);

    auto column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    picker_ = new StudioSegmentedPicker({{QStringLiteral("Prática"), QStringLiteral("pianokeys")},
                                         {QStringLiteral("Visual"), QStringLiteral("paintpalette")}},
                                        0, this);
    picker_->setAccessibleName(QStringLiteral("Painel"));
    picker_->setToolTip(QStringLiteral("Escolher painel do inspector"));
    // The switch keeps its own size, centred, rather than spanning the panel.
    picker_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto pickerRow = new QHBoxLayout;
    pickerRow->setContentsMargins(14, 12, 14, 12);
    pickerRow->addWidget(picker_, 0, Qt::AlignCenter);
    column->addLayout(pickerRow);
    connect(picker_, &StudioSegmentedPicker::currentIndexEdited, this,
            [this](int index) { setPage(allCases<InspectorPage>()[std::size_t(index)]); });
    column->addWidget(visualDivider(this));

    connect(&store_, &PracticeSessionStore::visualPresetChanged, this, &VisualInspectorView::applyAccent);
    applyAccent();
    showPage();
    hidingScrollers(this);
}

QWidget* VisualInspectorView::pageView() const
{
    if (practicePage_) return practicePage_;
    return visualPage_;
}

void VisualInspectorView::setPage(InspectorPage page)
{
    picker_->setCurrentIndex(int(page));
    if (page == page_ && pageView()) return;
    page_ = page;
    showPage();
}

void VisualInspectorView::showPage()
{
    delete practicePage_;
    practicePage_ = nullptr;
    delete visualPage_;
    visualPage_ = nullptr;
    QWidget* shown = nullptr;
    if (page_ == InspectorPage::practice)
        shown = practicePage_ = new PracticeInspectorTab(store_, openInstrumentEditor_, this);
    else
        shown = visualPage_ = new VisualEffectsInspectorTab(store_, this);
    static_cast<QVBoxLayout*>(layout())->addWidget(shown, 1);
    shown->show();
}

QColor VisualInspectorView::accent() const
{
    const VisualPreset& preset = store_.visualPreset();
    return studioHsbColor(preset.accentHue, preset.accentSaturation, preset.accentBrightness);
}

void VisualInspectorView::applyAccent()
{
    const QColor color = accent();
    if (color == studioAccent(this) && palette().color(QPalette::Highlight) == color) return;
    setStudioAccent(this, color);
    QPalette tinted = palette();
    tinted.setColor(QPalette::Highlight, color);
    tinted.setColor(QPalette::Link, color);
    setPalette(tinted);
}

} // namespace corvane
