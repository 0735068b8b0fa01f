#include "CorvaneApp/inspector/InspectorTrackControls.hpp"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>

#include "CorvaneApp/inspector/InspectorTrackModel.hpp"
#include "CorvaneApp/kit/HiddenScrollers.hpp"
#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/StudioChipButton.hpp"
#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/kit/StudioLabels.hpp"
#include "CorvaneApp/kit/TrackListView.hpp"
#include "CorvaneApp/kit/TrackRowView.hpp"
#include "CorvaneApp/session/PracticeSessionStore.hpp"

namespace corvane {

namespace {

constexpr int groupSpacing = 10;
constexpr int rowSpacing = 8;

} // namespace

InspectorTrackControls::InspectorTrackControls(PracticeSessionStore& store, QWidget* parent)
    : QWidget(parent), store_(store), model_(new InspectorTrackModel(store, this))
{
    // Until a section takes it, the accessory has no parent and is never shown.
    accessory_ = new QWidget;
    auto accessoryRow = new QHBoxLayout(accessory_);
    accessoryRow->setContentsMargins(0, 0, 0, 0);
    onlyAssigned_ = new StudioChipButton(QStringLiteral("Só as atribuídas"), 20, std::nullopt, accessory_);
    onlyAssigned_->setHelp(QStringLiteral("Cala todas as faixas que não são esquerda nem direita"));
    accessoryRow->addWidget(onlyAssigned_);
    connect(onlyAssigned_, &QAbstractButton::clicked, this, [this] { store_.muteTracksWithoutHand(); });

    auto stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    emptyText_ = studioTextLabel(QStringLiteral("Abra uma música para ver as faixas."), studioCaption(),
                                 StudioAppearance::secondaryText(), this);
    stack->addWidget(emptyText_);

    list_ = new TrackListView(this);
    list_->setSpacing(rowSpacing, groupSpacing);
    list_->setModel(model_);
    stack->addWidget(list_);
    hidingScrollers(this);

    connect(list_, &TrackListView::contentHeightChanged, this, &InspectorTrackControls::fitHeight);
    for (auto changed : {&PracticeSessionStore::timelineNotesChanged, &PracticeSessionStore::trackSettingsChanged})
        connect(&store_, changed, this, &InspectorTrackControls::applySettings);
    applySettings();
    fitHeight();
}

InspectorTrackControls::~InspectorTrackControls()
{
    if (accessory_ && !accessory_->parent()) delete accessory_.data();
}

TrackRowView* InspectorTrackControls::row(std::int64_t trackIndex) const { return list_->madeRow(trackIndex); }

StudioSectionLabel* InspectorTrackControls::playingTitle() const
{
    return static_cast<StudioSectionLabel*>(list_->madeEntry(model_->playingTitleRow()));
}

QLabel* InspectorTrackControls::nonePlayingText() const
{
    return static_cast<QLabel*>(list_->madeEntry(model_->nonePlayingRow()));
}

StudioSectionLabel* InspectorTrackControls::mutedTitle() const
{
    return static_cast<StudioSectionLabel*>(list_->madeEntry(model_->mutedTitleRow()));
}

std::vector<TrackRowView*> InspectorTrackControls::rowsWhere(bool muted) const
{
    std::vector<TrackRowView*> rows;
    for (TrackRowView* view : list_->madeRows())
        if (view->isMuted() == muted) rows.push_back(view);
    return rows;
}

std::vector<TrackRowView*> InspectorTrackControls::playingRows() const { return rowsWhere(false); }
std::vector<TrackRowView*> InspectorTrackControls::mutedRows() const { return rowsWhere(true); }

void InspectorTrackControls::applySettings()
{
    onlyAssigned_->setVisible(store_.hasUnassignedPlayableTracks());
    const bool hasTracks = !store_.colorTrackIndices().empty();
    emptyText_->setVisible(!hasTracks);
    list_->setVisible(hasTracks);
}

void InspectorTrackControls::fitHeight()
{
    list_->setFixedHeight(std::min(list_->contentHeight(), maximumListHeight));
}

} // namespace corvane
