#include "CorvaneApp/inspector/SavedLoopRow.hpp"

#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>

#include <cmath>

#include "CorvaneApp/inspector/InspectorLoopLabels.hpp"
#include "CorvaneApp/kit/style/StudioAccent.hpp"
#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/kit/style/StudioSymbols.hpp"

namespace corvane {

namespace {

constexpr int rowHeight = 22;
constexpr int symbolFrame = 22;
constexpr double symbolSide = 16;
constexpr int spacing = 8;
constexpr int spacerMinimum = 6;
constexpr int accuracyWidth = 34;
constexpr int menuIconSize = 14;

QRectF symbolBox(const QRectF& frame)
{
    return QRectF(frame.center().x() - symbolSide / 2, frame.center().y() - symbolSide / 2, symbolSide,
                  symbolSide);
}

// Only the first line of a name is drawn; a name that goes on shows that it does.
QString firstLine(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f' || c == 0x85 || c == 0x2028 || c == 0x2029)
            return text.left(i) + QChar(0x2026);
    }
    return text;
}

// The menus' icons are drawn once for every row. Kept for the life of the
// process (never destroyed after the application object).
const QIcon& resetIcon()
{
    static const QIcon* icon = new QIcon(
        studioSymbolIcon(QStringLiteral("arrow.counterclockwise"), menuIconSize, StudioAppearance::primaryText()));
    return *icon;
}

const QIcon& removeIcon()
{
    // Red: the action cannot be undone.
    static const QIcon* icon = new QIcon(studioSymbolIcon(QStringLiteral("trash"), menuIconSize, StudioAppearance::destructive()));
    return *icon;
}

// The loop symbol shown in place of the button while the name is edited.
class LoopSymbol : public QWidget {
public:
    explicit LoopSymbol(QWidget* parent) : QWidget(parent) { setFixedSize(symbolFrame, symbolFrame); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        paintStudioSymbol(painter, QStringLiteral("repeat.circle"), symbolBox(rect()),
                          StudioAppearance::tertiaryText());
    }
};

} // namespace

// --- activation button ---

SavedLoopActivateButton::SavedLoopActivateButton(QWidget* parent) : QAbstractButton(parent)
{
    setFont(studioCallout());
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void SavedLoopActivateButton::setContent(const QString& name, const QString& repetitions, const QString& accuracy,
                                         bool isActive)
{
    if (name == name_ && repetitions == repetitions_ && accuracy == accuracy_ && isActive == active_) return;
    name_ = name;
    repetitions_ = repetitions;
    accuracy_ = accuracy;
    active_ = isActive;
    setAccessibleName(name);
    update();
}

QString SavedLoopActivateButton::systemImage() const
{
    return active_ ? QStringLiteral("repeat.circle.fill") : QStringLiteral("repeat.circle");
}

// What is left for the name once the symbol, the spacer and the figures have theirs.
double SavedLoopActivateButton::nameWidth() const
{
    double right = width();
    if (!accuracy_.isEmpty()) right -= accuracyWidth + spacing;
    if (!repetitions_.isEmpty())
        right -= QFontMetricsF(studioReadout()).horizontalAdvance(repetitions_) + spacing;
    right -= spacerMinimum + spacing;
    return std::max(0.0, right - (symbolFrame + spacing));
}

QString SavedLoopActivateButton::shownName() const
{
    return QFontMetrics(font()).elidedText(firstLine(name_), Qt::ElideRight, int(std::floor(nameWidth())));
}

QSize SavedLoopActivateButton::sizeHint() const { return {160, rowHeight}; }
QSize SavedLoopActivateButton::minimumSizeHint() const { return {symbolFrame + spacing + 24, rowHeight}; }

void SavedLoopActivateButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (isDown()) painter.setOpacity(0.6);
    const QColor accent = studioAccent(this);
    const QRectF frame(0, (height() - symbolFrame) / 2.0, symbolFrame, symbolFrame);
    paintStudioSymbol(painter, systemImage(), symbolBox(frame), active_ ? accent : StudioAppearance::tertiaryText());

    painter.setFont(font());
    painter.setPen(active_ ? accent : StudioAppearance::primaryText());
    painter.drawText(QRectF(symbolFrame + spacing, 0, nameWidth(), height()),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shownName());

    double right = width();
    painter.setFont(studioReadout());
    if (!accuracy_.isEmpty()) {
        painter.setPen(StudioAppearance::secondaryText());
        painter.drawText(QRectF(right - accuracyWidth, 0, accuracyWidth, height()),
                         Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, accuracy_);
        right -= accuracyWidth + spacing;
    }
    if (!repetitions_.isEmpty()) {
        const double width = QFontMetricsF(studioReadout()).horizontalAdvance(repetitions_);
        painter.setPen(StudioAppearance::tertiaryText());
        painter.drawText(QRectF(right - width - 1, 0, width + 1, height()),
                         Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, repetitions_);
    }
}

// --- icon buttons ---

SavedLoopIconButton::SavedLoopIconButton(const QString& systemImage, const QString& title, QWidget* parent)
    : QAbstractButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(sizeHint());
    setSymbol(systemImage, title, false);
}

void SavedLoopIconButton::setSymbol(const QString& systemImage, const QString& title, bool accented)
{
    systemImage_ = systemImage;
    accented_ = accented;
    setToolTip(title);
    setAccessibleName(title);
    update();
}

void SavedLoopIconButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (isDown()) painter.setOpacity(0.6);
    const double side = 12;
    const QRectF box(width() / 2.0 - side / 2, height() / 2.0 - side / 2, side, side);
    paintStudioSymbol(painter, systemImage_, box, accented_ ? studioAccent(this) : StudioAppearance::tertiaryText());
}

// --- row ---

SavedLoopRow::SavedLoopRow(PracticeLoopBookmark bookmark, bool isActive, Actions actions, QWidget* parent)
    : QWidget(parent), bookmark_(std::move(bookmark)), active_(isActive), actions_(std::move(actions))
{
    setFont(studioCallout());
    auto row = new QHBoxLayout(this);
    row->setContentsMargins(0, 2, 0, 2);
    row->setSpacing(spacing);

    activate_ = new SavedLoopActivateButton(this);
    connect(activate_, &QAbstractButton::clicked, this, [this] {
        if (actions_.activate) actions_.activate();
    });
    row->addWidget(activate_, 1);

    renameSymbol_ = new LoopSymbol(this);
    renameSymbol_->hide();
    row->addWidget(renameSymbol_);
    field_ = new QLineEdit(this);
    field_->setFrame(false);
    field_->setFont(studioCallout());
    QPalette palette = field_->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, StudioAppearance::primaryText());
    palette.setColor(QPalette::PlaceholderText, StudioAppearance::tertiaryText());
    field_->setPalette(palette);
    field_->setAttribute(Qt::WA_MacShowFocusRect, false);
    field_->setTextMargins(0, 0, 0, 0);
    field_->hide();
    field_->installEventFilter(this);
    connect(field_, &QLineEdit::textChanged, this, [this](const QString& text) { draftName_ = text; });
    connect(field_, &QLineEdit::returnPressed, this, &SavedLoopRow::commit);
    row->addWidget(field_, 1);

    renameButton_ = new SavedLoopIconButton(QStringLiteral("pencil"), QStringLiteral("Renomear"), this);
    connect(renameButton_, &QAbstractButton::clicked, this, [this] { renaming_ ? commit() : beginRename(); });
    row->addWidget(renameButton_);

    // One pair of actions serves both menus.
    resetAction_ = new QAction(resetIcon(), QStringLiteral("Zerar desempenho"), this);
    connect(resetAction_, &QAction::triggered, this, [this] {
        if (actions_.resetProgress) actions_.resetProgress();
    });
    removeAction_ = new QAction(removeIcon(), QStringLiteral("Remover trecho"), this);
    connect(removeAction_, &QAction::triggered, this, [this] {
        if (actions_.remove) actions_.remove();
    });
    moreMenu_ = new QMenu(this);
    moreMenu_->addAction(resetAction_);
    moreMenu_->addSeparator();
    moreMenu_->addAction(removeAction_);
    contextMenu_ = new QMenu(this);
    contextMenu_->addAction(resetAction_);
    contextMenu_->addAction(removeAction_);

    moreButton_ = new SavedLoopIconButton(QStringLiteral("ellipsis"), QStringLiteral("Mais ações para este trecho"),
                                          this);
    connect(moreButton_, &QAbstractButton::clicked, this,
            [this] { moreMenu_->popup(moreButton_->mapToGlobal(QPoint(0, moreButton_->height()))); });
    row->addWidget(moreButton_);

    showBookmark();
}

void SavedLoopRow::setBookmark(const PracticeLoopBookmark& bookmark)
{
    if (bookmark == bookmark_) return;
    bookmark_ = bookmark;
    showBookmark();
}

void SavedLoopRow::setActive(bool active)
{
    if (active == active_) return;
    active_ = active;
    showBookmark();
}

QString SavedLoopRow::displayName() const { return QString::fromStdString(bookmark_.displayName()); }
QString SavedLoopRow::activateHelp() const { return savedLoopActivateHelp(bookmark_); }

bool SavedLoopRow::isProgressFree() const
{
    return bookmark_.repetitions == 0 && bookmark_.metrics.evaluatedNoteCount() == 0;
}

// Everything drawn from the bookmark; the rename field keeps its text.
void SavedLoopRow::showBookmark()
{
    const QString repetitions = bookmark_.repetitions >= 1 ? loopRepetitionsLabel(bookmark_.repetitions) : QString();
    const auto ratio = bookmark_.metrics.onTimeRatio();
    activate_->setContent(displayName(), repetitions, ratio ? loopAccuracyLabel(*ratio) : QString(), active_);
    activate_->setToolTip(activateHelp());
    field_->setPlaceholderText(QString::fromStdString(bookmark_.autoName()));
    resetAction_->setEnabled(!isProgressFree());
}

void SavedLoopRow::showRenaming()
{
    activate_->setVisible(!renaming_);
    renameSymbol_->setVisible(renaming_);
    field_->setVisible(renaming_);
    if (renaming_)
        renameButton_->setSymbol(QStringLiteral("checkmark"), QStringLiteral("Confirmar nome"), true);
    else
        renameButton_->setSymbol(QStringLiteral("pencil"), QStringLiteral("Renomear"), false);
}

void SavedLoopRow::beginRename()
{
    if (renaming_) return;
    draftName_ = QString::fromStdString(bookmark_.name);
    field_->setText(draftName_);
    renaming_ = true;
    showRenaming();
    field_->setFocus(Qt::OtherFocusReason);
}

void SavedLoopRow::commit()
{
    if (!renaming_) return;
    renaming_ = false;
    const std::string name = trimmedLoopName(draftName_.toStdString());
    // Hiding the field takes its focus away, which finds the rename over.
    showRenaming();
    if (name != bookmark_.name && actions_.rename) actions_.rename(name);
}

void SavedLoopRow::abandonRename()
{
    if (!renaming_) return;
    renaming_ = false;
    showRenaming();
}

void SavedLoopRow::contextMenuEvent(QContextMenuEvent* event)
{
    contextMenu_->popup(event->globalPos());
    event->accept();
}

bool SavedLoopRow::eventFilter(QObject* watched, QEvent* event)
{
    // The field's own edit menu and a switch to another window leave the
    // focus where it was; only a real move away confirms.
    if (watched == field_ && event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) commit();
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace corvane
