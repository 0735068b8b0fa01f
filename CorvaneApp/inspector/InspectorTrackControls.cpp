#include "CorvaneApp/inspector/InspectorTrackControls.hpp"

#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>

#include "CorvaneApp/kit/StudioScrollColumn.hpp"
#include "CorvaneApp/kit/HiddenScrollers.hpp"
#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/StudioChipButton.hpp"
#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/kit/StudioLabels.hpp"
#include "CorvaneApp/kit/style/StudioLocale.hpp"
#include "CorvaneApp/kit/TrackRowView.hpp"
#include "CorvaneApp/session/PracticeSessionStore.hpp"

namespace corvane {

namespace {

constexpr int groupSpacing = 10;
constexpr int rowSpacing = 8;

QLabel* captionLabel(const QString& text, const QColor& color, QWidget* parent)
{
    auto label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(studioCaption());
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    return label;
}

} // namespace

InspectorTrackControls::InspectorTrackControls(PracticeSessionStore& store, QWidget* parent)
    : QWidget(parent), store_(store)
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
    emptyText_ = captionLabel(QStringLiteral("Abra uma música para ver as faixas."), StudioAppearance::secondaryText(),
                              this);
    stack->addWidget(emptyText_);

    list_ = makeStudioScrollColumn(this, column_);
    QWidget* content = list_->widget();
    playingTitle_ = new StudioSectionLabel(QStringLiteral("Tocando"), content);
    nonePlaying_ = captionLabel(QStringLiteral("Nenhuma faixa tocando."), StudioAppearance::tertiaryText(), content);
    mutedTitle_ = new StudioSectionLabel(QStringLiteral("Mudas"), content);
    stack->addWidget(list_);
    hidingScrollers(this);

    connect(&store_, &PracticeSessionStore::timelineNotesChanged, this, &InspectorTrackControls::syncRows);
    connect(&store_, &PracticeSessionStore::trackNamesChanged, this, &InspectorTrackControls::syncRows);
    connect(&store_, &PracticeSessionStore::trackSettingsChanged, this, &InspectorTrackControls::regroup);
    syncRows();
}

InspectorTrackControls::~InspectorTrackControls()
{
    if (accessory_ && !accessory_->parent()) delete accessory_.data();
}

TrackRowView* InspectorTrackControls::row(std::int64_t trackIndex) const
{
    const auto found = rows_.find(trackIndex);
    return found != rows_.end() ? found->second : nullptr;
}

std::vector<TrackRowView*> InspectorTrackControls::rowsWhere(bool muted) const
{
    std::vector<TrackRowView*> rows;
    for (const auto& [index, view] : rows_)
        if (view->isMuted() == muted) rows.push_back(view);
    return rows;
}

std::vector<TrackRowView*> InspectorTrackControls::playingRows() const { return rowsWhere(false); }
std::vector<TrackRowView*> InspectorTrackControls::mutedRows() const { return rowsWhere(true); }

QString InspectorTrackControls::trackSubtitle(std::int64_t trackIndex) const
{
    return TrackRowView::noteCountText(store_.trackNoteCount(trackIndex));
}

// Labels and note counts are read once per song; regroup() brings over the
// hands and mute flags.
void InspectorTrackControls::syncRows()
{
    const auto& indices = store_.colorTrackIndices();
    for (auto it = rows_.begin(); it != rows_.end();) {
        if (std::binary_search(indices.begin(), indices.end(), it->first)) {
            ++it;
            continue;
        }
        // The row may be the one whose click is being handled: it goes once
        // the event loop is back.
        column_->removeWidget(it->second);
        it->second->hide();
        it->second->deleteLater();
        it = rows_.erase(it);
    }
    QWidget* content = list_->widget();
    for (const std::int64_t index : indices) {
        TrackRowView*& view = rows_[index];
        if (!view)
            view = new TrackRowView([this, index](PracticeTrackHand hand) { store_.setTrackHand(hand, index); },
                                    [this, index](bool muted) { store_.setTrackMuted(muted, index); }, content);
        const PracticeTrackSetting setting = store_.trackSetting(index);
        view->setValues(studioLocale().toUpper(QString::fromStdString(store_.trackLabel(index))), trackSubtitle(index),
                        setting.hand, setting.isMuted);
    }
    regroup();
}

void InspectorTrackControls::regroup()
{
    for (const auto& [index, view] : rows_) {
        const PracticeTrackSetting setting = store_.trackSetting(index);
        view->setValues(view->label(), view->subtitle(), setting.hand, setting.isMuted);
    }
    onlyAssigned_->setVisible(store_.hasUnassignedPlayableTracks());
    const bool hasTracks = !rows_.empty();
    emptyText_->setVisible(!hasTracks);
    list_->setVisible(hasTracks);

    // The same widgets in a new order: nothing is rebuilt, the scroll position stays.
    while (QLayoutItem* item = column_->takeAt(0)) delete item;
    const auto playing = playingRows();
    const auto muted = mutedRows();
    column_->addWidget(playingTitle_);
    for (TrackRowView* view : playing) {
        column_->addSpacing(rowSpacing);
        column_->addWidget(view);
        view->show();
    }
    nonePlaying_->setVisible(playing.empty());
    if (playing.empty()) {
        column_->addSpacing(rowSpacing);
        column_->addWidget(nonePlaying_);
    }
    mutedTitle_->setVisible(!muted.empty());
    if (!muted.empty()) {
        column_->addSpacing(groupSpacing);
        column_->addWidget(mutedTitle_);
        for (TrackRowView* view : muted) {
            column_->addSpacing(rowSpacing);
            column_->addWidget(view);
            view->show();
        }
    }
    list_->setFixedHeight(std::min(list_->widget()->sizeHint().height(), maximumListHeight));
}

} // namespace corvane
