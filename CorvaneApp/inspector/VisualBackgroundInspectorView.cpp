#include "CorvaneApp/inspector/VisualBackgroundInspectorView.hpp"

#include <QDateTime>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "CorvaneApp/inspector/VisualInspectorRows.hpp"
#include "CorvaneApp/kit/style/StudioAccent.hpp"
#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/StudioChipButton.hpp"
#include "CorvaneApp/kit/StudioColorRow.hpp"
#include "CorvaneApp/kit/StudioFileDialog.hpp"
#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/kit/StudioLabels.hpp"
#include "CorvaneApp/kit/StudioMenuRow.hpp"
#include "CorvaneApp/kit/StudioParameterRow.hpp"
#include "CorvaneApp/kit/StudioSection.hpp"
#include "CorvaneApp/kit/StudioSegmentedPicker.hpp"
#include "CorvaneApp/kit/style/StudioSymbols.hpp"
#include "CorvaneApp/session/PracticeSessionStore.hpp"
#include "CorvaneDomain/RawValueEnum.hpp"
#include "CorvaneDomain/VisualPresetLabels.hpp"

namespace corvane {

namespace {

using Background = VisualBackgroundConfiguration;

constexpr double previewCornerRadius = 8;
// A format that cannot scale while decoding is decoded whole first; beyond
// this much memory the preview is given up rather than the machine's memory.
constexpr qint64 maximumPreviewDecodeMiB = 512;

const QString photoSymbol = QStringLiteral("photo");
const QString choosePhotoSymbol = QStringLiteral("photo.badge.plus");

// The one decoded preview of the process. Pages are made afresh each time
// they are chosen, so the picture outlives the view that decoded it.
struct PreviewKey {
    QString path;
    qint64 modified = 0;
    qint64 bytes = 0;
    QSize pixels;
    qreal pixelRatio = 1;
    bool operator==(const PreviewKey&) const = default;
};

struct PreviewCache {
    std::optional<PreviewKey> key;
    QImage image;
    int decodes = 0;
};

PreviewCache& previewCache()
{
    static PreviewCache cache;
    return cache;
}

// The picture at `path` scaled to cover `pixels` (aspect kept) and cropped
// to it around the centre, turned upright as its metadata says; null when it
// does not decode. Formats that can scale while decoding (JPEG) never hold
// the whole picture in memory.
QImage decodePreview(const QString& path, QSize pixels)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty() || pixels.isEmpty()) return {};
    // Scaling and cropping happen in the file's own orientation, before the turn.
    const bool turned = reader.transformation() & QImageIOHandler::TransformationRotate90;
    const QSize target = turned ? pixels.transposed() : pixels;
    const double scale =
        std::max(double(target.width()) / size.width(), double(target.height()) / size.height());
    const QSize scaled(std::max(target.width(), int(std::ceil(size.width() * scale))),
                       std::max(target.height(), int(std::ceil(size.height() * scale))));
    if (!reader.supportsOption(QImageIOHandler::ScaledSize)) {
        const qint64 mebibytes = ((qint64(size.width()) * size.height() * 4) >> 20) + 1;
        if (mebibytes > maximumPreviewDecodeMiB) return {};
        reader.setAllocationLimit(std::max(reader.allocationLimit(), int(mebibytes)));
    }
    reader.setScaledSize(scaled);
    reader.setScaledClipRect(QRect(QPoint((scaled.width() - target.width()) / 2,
                                          (scaled.height() - target.height()) / 2),
                                   target));
    QImage image = reader.read();
    if (image.isNull()) return {};
    if (image.size() != pixels) image = image.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image;
}

// The image files the dialog offers: every pattern of every type Qt reads.
QString imageNameFilter()
{
    QStringList patterns;
    const QMimeDatabase types;
    for (const QByteArray& name : QImageReader::supportedMimeTypes())
        for (const QString& pattern : types.mimeTypeForName(QString::fromLatin1(name)).globPatterns())
            if (!patterns.contains(pattern)) patterns << pattern;
    patterns.sort();
    return patterns.join(QLatin1Char(' '));
}

constexpr double photoButtonHeight = 24;

// The empty state's pictogram.
class PhotoSymbol : public QWidget {
public:
    explicit PhotoSymbol(QWidget* parent) : QWidget(parent) { setFixedSize(34, 28); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        paintStudioSymbol(painter, photoSymbol, QRectF(rect()), StudioAppearance::secondaryText());
    }
};

} // namespace

// The preview.

BackgroundPhotoPreview::BackgroundPhotoPreview(QWidget* parent) : QWidget(parent)
{
    setFixedHeight(VisualBackgroundInspectorView::previewHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setMinimumWidth(1);
    setAccessibleName(QStringLiteral("Prévia da foto de fundo"));
}

void BackgroundPhotoPreview::setPhoto(const QImage& photo)
{
    if (photo_.cacheKey() == photo.cacheKey()) return;
    photo_ = photo;
    update();
}

void BackgroundPhotoPreview::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QPainterPath frame;
    frame.addRoundedRect(QRectF(rect()), previewCornerRadius, previewCornerRadius);
    painter.setClipPath(frame);
    painter.fillRect(rect(), StudioAppearance::sunken());
    // Decoded for this frame already; a frame being resized shows it stretched until the next decode.
    if (!photo_.isNull()) painter.drawImage(QRectF(rect()), photo_);
}

// The file name.

MiddleElidedLabel::MiddleElidedLabel(QWidget* parent) : QWidget(parent)
{
    setFont(studioCaption());
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
}

void MiddleElidedLabel::setText(const QString& text)
{
    if (text == text_) return;
    text_ = text;
    setToolTip(text);
    setAccessibleName(text);
    updateGeometry();
    update();
}

QString MiddleElidedLabel::shownText() const { return fontMetrics().elidedText(text_, Qt::ElideMiddle, width()); }

QSize MiddleElidedLabel::sizeHint() const
{
    return {fontMetrics().horizontalAdvance(text_), fontMetrics().height()};
}

QSize MiddleElidedLabel::minimumSizeHint() const { return {0, fontMetrics().height()}; }

void MiddleElidedLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(StudioAppearance::secondaryText());
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shownText());
}

// The empty state.

BackgroundPhotoEmptyState::BackgroundPhotoEmptyState(QWidget* parent) : QWidget(parent)
{
    auto column = new QVBoxLayout(this);
    column->setContentsMargins(8, 12, 8, 12);
    column->setSpacing(6);
    column->addWidget(new PhotoSymbol(this), 0, Qt::AlignHCenter);
    title_ = studioTextLabel(QStringLiteral("Sem foto"), studioHeadline(), StudioAppearance::primaryText(), this);
    title_->setAlignment(Qt::AlignHCenter);
    column->addWidget(title_);
    description_ = studioTextLabel(QStringLiteral("Use uma imagem como fundo da área de prática."), studioCaption(),
                             StudioAppearance::secondaryText(), this);
    description_->setAlignment(Qt::AlignHCenter);
    description_->setWordWrap(true);
    column->addWidget(description_);
    setAccessibleName(title());
    setAccessibleDescription(description());
}

QString BackgroundPhotoEmptyState::systemImage() const { return photoSymbol; }

QString BackgroundPhotoEmptyState::title() const { return title_->text(); }

QString BackgroundPhotoEmptyState::description() const { return description_->text(); }

// The view.

VisualBackgroundInspectorView::VisualBackgroundInspectorView(PracticeSessionStore& store, QWidget* parent)
    : QWidget(parent), store_(store), rows_(new VisualPresetRows(store, this))
{
    setObjectName(QStringLiteral("VisualBackgroundInspectorView"));
    VisualCategoryColumn column(this);
    QWidget* stage = makeStageRows();
    column.addSection(QStringLiteral("Palco"), stage);
    photoRows_ = makePhotoRows();
    column.addSection(QStringLiteral("Foto"), photoRows_);
    compositionRows_ = makeCompositionRows();
    column.addSection(QStringLiteral("Composição"), compositionRows_);
    stageSection_ = qobject_cast<StudioSection*>(stage->parentWidget());
    photoSection_ = qobject_cast<StudioSection*>(photoRows_->parentWidget());
    compositionSection_ = qobject_cast<StudioSection*>(compositionRows_->parentWidget());

    // The file the photo is drawn from; the reference itself arrives with the look.
    connect(&store_, &PracticeSessionStore::backgroundImageURLChanged, this, [this] {
        photoOutdated_ = true;
        refreshPhoto();
    });
    shownReference_ = store_.visualPreset().background.imageReference;
    fileName_->setText(selectedFileName());
    showComposition(shownReference_.has_value());
    rows_->onShow([this](const VisualPreset& preset) {
        // A step of a slider leaves the photo alone: nothing to look at on disk.
        const auto& reference = preset.background.imageReference;
        if (reference == shownReference_) return;
        shownReference_ = reference;
        fileName_->setText(selectedFileName());
        showComposition(reference.has_value());
        photoOutdated_ = true;
        refreshPhoto();
    });
    connect(&store_, &PracticeSessionStore::backgroundImageErrorChanged, this,
            &VisualBackgroundInspectorView::syncAlert);
    photoRows_->installEventFilter(this);
}

VisualBackgroundInspectorView::~VisualBackgroundInspectorView()
{
    // The page going away takes the alert with it, but not the message.
    closingAlertQuietly_ = true;
    delete alert_;
}

QWidget* VisualBackgroundInspectorView::makeStageRows()
{
    QVBoxLayout* stack = nullptr;
    QWidget* rows = VisualCategoryColumn::rowStack(stack);
    const Background& now = store_.visualPreset().background;
    const auto shown = [](double value) { return visualShownValue(value, 0, 1); };
    // Each signal of a colour row writes its one field.
    const auto writer = [this](double Background::*field) {
        return [this, field](double value) {
            if (!std::isfinite(value)) return;
            rows_->edit([&](VisualPreset& preset) { preset.background.*field = value; });
        };
    };
    const auto colorRow = [&](const QString& title, double Background::*hue, double Background::*saturation,
                              double Background::*brightness, double Background::*opacity) {
        auto row = opacity ? new StudioColorRow(title, shown(now.*hue), shown(now.*saturation),
                                                shown(now.*brightness), shown(now.*opacity),
                                                StudioValueFormat::percentFine())
                           : new StudioColorRow(title, shown(now.*hue), shown(now.*saturation),
                                                shown(now.*brightness));
        rows_->onShow([row, hue, saturation, brightness, opacity, shown](const VisualPreset& preset) {
            const Background& background = preset.background;
            row->setHue(shown(background.*hue));
            row->setSaturation(shown(background.*saturation));
            row->setBrightness(shown(background.*brightness));
            if (opacity) row->setOpacity(shown(background.*opacity));
        });
        connect(row, &StudioColorRow::hueEdited, this, writer(hue));
        connect(row, &StudioColorRow::saturationEdited, this, writer(saturation));
        connect(row, &StudioColorRow::brightnessEdited, this, writer(brightness));
        if (opacity) connect(row, &StudioColorRow::opacityEdited, this, writer(opacity));
        stack->addWidget(row);
        return row;
    };
    topColor_ = colorRow(QStringLiteral("Cor superior"), &Background::topHue, &Background::topSaturation,
                         &Background::topBrightness, nullptr);
    bottomColor_ = colorRow(QStringLiteral("Cor inferior"), &Background::bottomHue, &Background::bottomSaturation,
                            &Background::bottomBrightness, nullptr);
    gridColor_ = colorRow(QStringLiteral("Cor do grid"), &Background::gridHue, &Background::gridSaturation,
                          &Background::gridBrightness, &Background::gridOpacity);

    grain_ = new StudioParameterRow(QStringLiteral("Grão"), shown(now.grainIntensity), 0, 1, 0.01,
                                    StudioValueFormat::percent(), std::nullopt, std::nullopt, visualLabelWidth);
    rows_->onShow([this, shown](const VisualPreset& preset) { grain_->setValue(shown(preset.background.grainIntensity)); });
    connect(grain_, &StudioParameterRow::valueEdited, this, writer(&Background::grainIntensity));
    stack->addWidget(grain_);
    return rows;
}

QWidget* VisualBackgroundInspectorView::makePhotoRows()
{
    QVBoxLayout* stack = nullptr;
    QWidget* rows = VisualCategoryColumn::rowStack(stack);

    withPhoto_ = new QWidget(rows);
    auto photo = new QVBoxLayout(withPhoto_);
    photo->setContentsMargins(0, 0, 0, 0);
    photo->setSpacing(8);
    preview_ = new BackgroundPhotoPreview(withPhoto_);
    photo->addWidget(preview_);
    fileName_ = new MiddleElidedLabel(withPhoto_);
    fileName_->setObjectName(QStringLiteral("backgroundFileName"));
    photo->addWidget(fileName_);
    auto buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    replace_ = new StudioChipButton(QStringLiteral("Trocar foto"), photoButtonHeight, std::nullopt, withPhoto_);
    remove_ = new StudioChipButton(QStringLiteral("Remover"), photoButtonHeight, std::nullopt, withPhoto_);
    // The removal cannot be undone: the chip wears the destructive colour.
    remove_->setProperty("destructive", true);
    setStudioAccent(remove_, StudioAppearance::destructive());
    buttons->addWidget(replace_);
    buttons->addStretch(1);
    buttons->addWidget(remove_);
    photo->addLayout(buttons);
    stack->addWidget(withPhoto_);

    withoutPhoto_ = new QWidget(rows);
    auto empty = new QVBoxLayout(withoutPhoto_);
    empty->setContentsMargins(0, 0, 0, 0);
    empty->setSpacing(8);
    emptyState_ = new BackgroundPhotoEmptyState(withoutPhoto_);
    empty->addWidget(emptyState_);
    choose_ = new StudioChipButton(StudioChipButton::Symbol{choosePhotoSymbol}, QStringLiteral("Escolher foto"),
                                   photoButtonHeight, withoutPhoto_);
    empty->addWidget(choose_, 0, Qt::AlignLeft);
    stack->addWidget(withoutPhoto_);

    withPhoto_->hide();
    connect(replace_, &QAbstractButton::clicked, this, &VisualBackgroundInspectorView::presentImporter);
    connect(choose_, &QAbstractButton::clicked, this, &VisualBackgroundInspectorView::presentImporter);
    connect(remove_, &QAbstractButton::clicked, this, [this] { store_.removeBackgroundImage(); });
    return rows;
}

QWidget* VisualBackgroundInspectorView::makeCompositionRows()
{
    QVBoxLayout* stack = nullptr;
    QWidget* rows = VisualCategoryColumn::rowStack(stack);
    const Background& now = store_.visualPreset().background;

    static constexpr auto modes = allCases<BackgroundImageContentMode>();
    auto fit = new QWidget(rows);
    auto line = new QHBoxLayout(fit);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(8);
    // The label keeps its own width: in the label column the picker would not fit the panel.
    auto label = new StudioFieldLabel(QStringLiteral("Ajuste"), fit);
    line->addWidget(label, 0, Qt::AlignVCenter);
    const auto indexOf = [](BackgroundImageContentMode mode) {
        return int(std::find(modes.begin(), modes.end(), mode) - modes.begin());
    };
    contentMode_ = new StudioSegmentedPicker({{QStringLiteral("Preencher"), {}}, {QStringLiteral("Caber"), {}}},
                                             indexOf(now.contentMode), fit);
    contentMode_->setAccessibleName(QStringLiteral("Ajuste"));
    line->addWidget(contentMode_, 1);
    rows_->onShow([this, indexOf](const VisualPreset& preset) {
        contentMode_->setCurrentIndex(indexOf(preset.background.contentMode));
    });
    connect(contentMode_, &StudioSegmentedPicker::currentIndexEdited, this, [this](int index) {
        if (index < 0 || index >= int(modes.size())) return;
        rows_->edit([&](VisualPreset& preset) { preset.background.contentMode = modes[std::size_t(index)]; });
    });
    stack->addWidget(fit);

    static constexpr auto blends = allCases<BackgroundBlendMode>();
    QStringList labels;
    for (BackgroundBlendMode mode : blends) labels << QString::fromUtf8(localizedTitle(mode));
    blendMode_ = rows_->menu(
        QStringLiteral("Mistura"), labels,
        [](const VisualPreset& preset) {
            return int(std::find(blends.begin(), blends.end(), preset.background.blendMode) - blends.begin());
        },
        [](VisualPreset& preset, int index) { preset.background.blendMode = blends[std::size_t(index)]; });
    stack->addWidget(blendMode_);

    const auto shown = [](double value) { return visualShownValue(value, 0, 1); };
    opacity_ = new StudioParameterRow(QStringLiteral("Opacidade"), shown(now.opacity), 0, 1, 0.01,
                                      StudioValueFormat::percent(), std::nullopt, std::nullopt, visualLabelWidth);
    rows_->onShow([this, shown](const VisualPreset& preset) { opacity_->setValue(shown(preset.background.opacity)); });
    connect(opacity_, &StudioParameterRow::valueEdited, this, [this](double value) {
        if (!std::isfinite(value)) return;
        rows_->edit([&](VisualPreset& preset) { preset.background.opacity = value; });
    });
    stack->addWidget(opacity_);

    // Disabled rows are drawn dimmed as a whole, whatever each control does on its own.
    auto dim = new QGraphicsOpacityEffect(rows);
    dim->setOpacity(0.45);
    dim->setEnabled(false);
    rows->setGraphicsEffect(dim);
    return rows;
}

void VisualBackgroundInspectorView::showComposition(bool hasPhoto)
{
    compositionRows_->setEnabled(hasPhoto);
    if (auto dim = compositionRows_->graphicsEffect()) dim->setEnabled(!hasPhoto);
}

QString VisualBackgroundInspectorView::selectedFileName() const
{
    const auto& reference = store_.visualPreset().background.imageReference;
    if (!reference) return {};
    return QString::fromStdString(std::filesystem::path(reference->path).filename().string());
}

// The photo.

int VisualBackgroundInspectorView::previewDecodeCount() { return previewCache().decodes; }

void VisualBackgroundInspectorView::refreshPhoto()
{
    // Only a view on screen has a frame to decode for.
    if (!isVisible()) {
        photoOutdated_ = true;
        return;
    }
    photoOutdated_ = false;
    QImage image;
    if (const auto& url = store_.backgroundImageURL()) {
        const QString path = QString::fromStdString(*url);
        const QFileInfo file(path);
        const qreal ratio = devicePixelRatioF();
        const QSize pixels(int(std::ceil(photoRows_->width() * ratio)), int(std::ceil(previewHeight * ratio)));
        if (file.isFile() && !pixels.isEmpty()) {
            const PreviewKey key{path, file.lastModified().toMSecsSinceEpoch(), file.size(), pixels, ratio};
            PreviewCache& cache = previewCache();
            if (cache.key != key) {
                cache.key = key;
                cache.image = decodePreview(path, pixels);
                cache.image.setDevicePixelRatio(ratio);
                ++cache.decodes;
            }
            image = cache.image;
        }
    }
    preview_->setPhoto(image);
    showsPreview_ = !image.isNull();
    withoutPhoto_->setVisible(!showsPreview_);
    withPhoto_->setVisible(showsPreview_);
}

bool VisualBackgroundInspectorView::eventFilter(QObject* watched, QEvent* event)
{
    // A new column width is a new frame to decode for.
    if (watched == photoRows_ && event->type() == QEvent::Resize && isVisible()) refreshPhoto();
    return QWidget::eventFilter(watched, event);
}

void VisualBackgroundInspectorView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The file may have changed (or gone) while the view was away.
    refreshPhoto();
    syncAlert();
}

void VisualBackgroundInspectorView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    syncAlert();
}

// The file importer.

void VisualBackgroundInspectorView::presentImporter()
{
    if (!fileDialog_) {
        fileDialog_ = makeStudioFileDialog(this);
        fileDialog_->setObjectName(QStringLiteral("backgroundImageImporter"));
        fileDialog_->setWindowModality(Qt::WindowModal);
        fileDialog_->setAcceptMode(QFileDialog::AcceptOpen);
        fileDialog_->setFileMode(QFileDialog::ExistingFile);
        fileDialog_->setNameFilter(imageNameFilter());
        connect(fileDialog_, &QFileDialog::finished, this, &VisualBackgroundInspectorView::importerFinished);
    }
    isChoosingImage_ = true;
    // open(), not exec(): the stage goes on drawing behind the dialog.
    if (!fileDialog_->isVisible()) fileDialog_->open();
}

void VisualBackgroundInspectorView::importerFinished(int result)
{
    isChoosingImage_ = false;
    if (result != QDialog::Accepted) return;
    const QStringList chosen = fileDialog_->selectedFiles();
    if (chosen.isEmpty()) return;
    store_.selectBackgroundImage(std::filesystem::path(chosen.front().toStdString()));
}

// The alert.

QMessageBox* VisualBackgroundInspectorView::alert() const
{
    return alert_ && alert_->isVisible() ? alert_ : nullptr;
}

void VisualBackgroundInspectorView::syncAlert()
{
    const auto& message = store_.backgroundImageError();
    const bool wanted = message.has_value() && isVisible();
    if (!wanted) {
        if (alert_ && alert_->isVisible()) {
            closingAlertQuietly_ = true;
            alert_->done(QDialog::Rejected);
            closingAlertQuietly_ = false;
        }
        return;
    }
    if (!alert_) {
        alert_ = new QMessageBox(this);
        alert_->setObjectName(QStringLiteral("backgroundImageAlert"));
        alert_->setIcon(QMessageBox::Warning);
        alert_->setWindowModality(Qt::WindowModal);
        alert_->setText(QStringLiteral("Não foi possível usar a foto"));
        // The one button is the cancel button: Escape and closing the window press it too.
        alert_->setEscapeButton(alert_->addButton(QStringLiteral("OK"), QMessageBox::RejectRole));
        connect(alert_, &QDialog::finished, this, &VisualBackgroundInspectorView::alertFinished);
    }
    alert_->setWindowTitle(QStringLiteral("Não foi possível usar a foto"));
    // A message without words would leave the alert saying nothing.
    alert_->setInformativeText(message->empty() ? QStringLiteral("Erro desconhecido")
                                                : QString::fromStdString(*message));
    if (!alert_->isVisible()) alert_->open();
}

void VisualBackgroundInspectorView::alertFinished()
{
    // Closed by the user, whichever way: the message has been seen.
    if (!closingAlertQuietly_) store_.setBackgroundImageError(std::nullopt);
}

} // namespace corvane
