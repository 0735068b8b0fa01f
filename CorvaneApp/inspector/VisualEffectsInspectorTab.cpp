#include "CorvaneApp/inspector/VisualEffectsInspectorTab.hpp"

#include <QHBoxLayout>
#include <QScrollArea>
#include <QVBoxLayout>

#include "CorvaneApp/inspector/VisualBackgroundInspectorView.hpp"
#include "CorvaneApp/inspector/VisualColorControls.hpp"
#include "CorvaneApp/inspector/VisualEnvironmentControls.hpp"
#include "CorvaneApp/inspector/VisualParticleControls.hpp"
#include "CorvaneApp/kit/HiddenScrollers.hpp"
#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/kit/StudioScrollColumn.hpp"
#include "CorvaneApp/kit/StudioSegmentedPicker.hpp"

namespace corvane {

namespace {

constexpr int contentPadding = 14;
constexpr int contentSpacing = 16;

} // namespace

QString visualInspectorCategoryTitle(VisualInspectorCategory category)
{
    switch (category) {
    case VisualInspectorCategory::color: return QStringLiteral("Cor");
    case VisualInspectorCategory::particles: return QStringLiteral("Partículas");
    case VisualInspectorCategory::environment: return QStringLiteral("Ambiente");
    case VisualInspectorCategory::background: return QStringLiteral("Fundo");
    }
    return {};
}

VisualEffectsInspectorTab::VisualEffectsInspectorTab(PracticeSessionStore& store, QWidget* parent)
    : QWidget(parent), store_(store)
{
    setObjectName(QStringLiteral("VisualEffectsInspectorTab"));
    auto stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);

    std::vector<StudioSegment> segments;
    for (const auto category : allCases<VisualInspectorCategory>())
        segments.push_back({visualInspectorCategoryTitle(category), QString()});
    picker_ = new StudioSegmentedPicker(std::move(segments), 0, this);
    picker_->setAccessibleName(QStringLiteral("Categoria visual"));
    // Four titles as wide as the widest would need 320 points of the panel's
    // 234: here each segment is as wide as its own title in the caption
    // size, and the room left is shared in proportion.
    auto segmentRow = static_cast<QBoxLayout*>(picker_->layout());
    for (int i = 0; i < picker_->count(); ++i) {
        StudioSegmentButton* segment = picker_->segmentButton(i);
        segment->setFont(studioCaption());
        const int own = segment->sizeHint().width();
        segment->setMinimumWidth(own);
        segmentRow->setStretch(i, own);
    }
    auto pickerRow = new QHBoxLayout;
    pickerRow->setContentsMargins(12, 10, 12, 0);
    pickerRow->addWidget(picker_);
    stack->addLayout(pickerRow);
    connect(picker_, &StudioSegmentedPicker::currentIndexEdited, this, [this](int index) {
        setCategory(allCases<VisualInspectorCategory>()[std::size_t(index)]);
    });

    scroll_ = makeStudioScrollColumn(this, column_);
    column_->setContentsMargins(contentPadding, contentPadding, contentPadding, contentPadding);
    column_->setSpacing(contentSpacing);
    // The content sits at the top; the room below it stays empty.
    column_->addStretch(1);
    scroll_->setAutoFillBackground(true);
    QPalette panel = scroll_->palette();
    panel.setColor(QPalette::Window, StudioAppearance::panel());
    scroll_->setPalette(panel);
    stack->addWidget(scroll_, 1);
    hidingScrollers(this);

    showCategory();
}

void VisualEffectsInspectorTab::setCategory(VisualInspectorCategory category)
{
    picker_->setCurrentIndex(int(category));
    if (category == category_ && content_) return;
    category_ = category;
    showCategory();
}

void VisualEffectsInspectorTab::showCategory()
{
    QWidget* holder = scroll_->widget();
    if (content_) {
        column_->removeWidget(content_);
        delete content_;
    }
    switch (category_) {
    case VisualInspectorCategory::color: content_ = new VisualColorControls(store_, selectedTrackIndex_, holder); break;
    case VisualInspectorCategory::particles: content_ = new VisualParticleControls(store_, holder); break;
    case VisualInspectorCategory::environment: content_ = new VisualEnvironmentControls(store_, holder); break;
    case VisualInspectorCategory::background: content_ = new VisualBackgroundInspectorView(store_, holder); break;
    }
    column_->insertWidget(0, content_);
    content_->show();
}

} // namespace corvane
