#include "CorvaneApp/library/LibraryContentScreens.hpp"

#include <QDragEnterEvent>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/kit/style/StudioSymbols.hpp"

namespace corvane {

namespace {

// The screen's large symbol.
class SymbolMark : public QWidget {
public:
    SymbolMark(const QString* name, QWidget* parent) : QWidget(parent), name_(name) { setFixedSize(48, 44); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        paintStudioSymbol(painter, *name_, QRectF(rect()), StudioAppearance::secondaryText());
    }

private:
    const QString* name_;
};

QLabel* centredLabel(const QFont& font, const QColor& color, QWidget* parent)
{
    auto label = new QLabel(parent);
    label->setFont(font);
    label->setAlignment(Qt::AlignHCenter);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    return label;
}

} // namespace

LibraryUnavailableContent::LibraryUnavailableContent(QWidget* parent) : QWidget(parent)
{
    setAcceptDrops(false);
    auto column = new QVBoxLayout(this);
    column->setContentsMargins(40, 24, 40, 24);
    column->setSpacing(0);
    column->addStretch(1);

    symbol_ = new SymbolMark(&systemImage_, this);
    column->addWidget(symbol_, 0, Qt::AlignHCenter);
    column->addSpacing(14);

    QFont titleFont = studioHeadline();
    titleFont.setPixelSize(20);
    title_ = centredLabel(titleFont, StudioAppearance::primaryText(), this);
    title_->setObjectName(QStringLiteral("unavailableTitle"));
    column->addWidget(title_);
    column->addSpacing(6);

    description_ = centredLabel(studioCallout(), StudioAppearance::secondaryText(), this);
    description_->setObjectName(QStringLiteral("unavailableDescription"));
    // Full width, so that a long text wraps onto more lines instead of being cut.
    column->addWidget(description_);
    column->addSpacing(16);

    action_ = new QPushButton(this);
    action_->setObjectName(QStringLiteral("unavailableAction"));
    action_->hide();
    connect(action_, &QPushButton::clicked, this, &LibraryUnavailableContent::actionTriggered);
    column->addWidget(action_, 0, Qt::AlignHCenter);
    column->addStretch(1);
}

void LibraryUnavailableContent::setContent(const QString& systemImage, const QString& title,
                                           const QString& description)
{
    systemImage_ = systemImage;
    title_->setText(title);
    description_->setText(description);
    setAccessibleName(title);
    setAccessibleDescription(description);
    symbol_->update();
}

QString LibraryUnavailableContent::title() const { return title_->text(); }

QString LibraryUnavailableContent::description() const { return description_->text(); }

void LibraryUnavailableContent::setActionTitle(const QString& title)
{
    action_->setText(title);
    action_->setVisible(!title.isEmpty());
}

void LibraryUnavailableContent::setFilesDropped(std::function<bool(const QList<QUrl>&)> handler)
{
    filesDropped_ = std::move(handler);
    setAcceptDrops(bool(filesDropped_));
}

void LibraryUnavailableContent::dragEnterEvent(QDragEnterEvent* event)
{
    if (filesDropped_ && event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        event->ignore();
}

void LibraryUnavailableContent::dragMoveEvent(QDragMoveEvent* event)
{
    if (filesDropped_ && event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        event->ignore();
}

void LibraryUnavailableContent::dropEvent(QDropEvent* event)
{
    if (filesDropped_ && event->mimeData()->hasUrls() && filesDropped_(event->mimeData()->urls()))
        event->acceptProposedAction();
    else
        event->ignore();
}

} // namespace corvane
