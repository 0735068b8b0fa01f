#pragma once

#include <QImage>
#include <QWidget>

#include <optional>

#include "CorvaneApp/kit/StudioChipButton.hpp"
#include "CorvaneDomain/BackgroundImageReference.hpp"

class QFileDialog;
class QLabel;
class QMessageBox;


namespace corvane {

class PracticeSessionStore;

class StudioColorRow;
class StudioMenuRow;
class StudioParameterRow;
class StudioSection;
class StudioSegmentedPicker;
class VisualPresetRows;

// The photo of the background, cropped to fill its frame, with rounded corners.
class BackgroundPhotoPreview : public QWidget {
    Q_OBJECT
public:
    explicit BackgroundPhotoPreview(QWidget* parent = nullptr);

    // Already scaled and cropped to the frame's device pixels.
    void setPhoto(const QImage& photo);
    const QImage& photo() const { return photo_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage photo_;
};

// A line of text cut in the middle with an ellipsis when it is wider than
// the label; the whole text stays its tooltip.
class MiddleElidedLabel : public QWidget {
    Q_OBJECT
public:
    explicit MiddleElidedLabel(QWidget* parent = nullptr);

    const QString& text() const { return text_; }
    void setText(const QString& text);
    // What is drawn at the present width.
    QString shownText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
};

// "Sem foto": what the photo section shows while no photo can be drawn.
class BackgroundPhotoEmptyState : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString systemImage READ systemImage CONSTANT)
public:
    explicit BackgroundPhotoEmptyState(QWidget* parent = nullptr);

    QString systemImage() const;
    QString title() const;
    QString description() const;

private:
    QLabel* title_;
    QLabel* description_;
};

// The visual page's "Fundo" category: the stage's backdrop colours and grain,
// the background photo (chosen, replaced, removed) and how it is laid over
// the stage. Every row writes one field of the controller's look; the photo
// itself changes only through the controller, whose complaints about it
// open this view's alert while the view is on screen.
class VisualBackgroundInspectorView : public QWidget {
    Q_OBJECT
public:
    explicit VisualBackgroundInspectorView(PracticeSessionStore& store, QWidget* parent = nullptr);
    ~VisualBackgroundInspectorView() override;

    // The preview's height; its width is the column's.
    static constexpr int previewHeight = 112;

    StudioSection* stageSection() const { return stageSection_; }
    StudioSection* photoSection() const { return photoSection_; }
    StudioSection* compositionSection() const { return compositionSection_; }

    StudioColorRow* topColorRow() const { return topColor_; }
    StudioColorRow* bottomColorRow() const { return bottomColor_; }
    StudioColorRow* gridColorRow() const { return gridColor_; }
    StudioParameterRow* grainRow() const { return grain_; }
    StudioSegmentedPicker* contentModePicker() const { return contentMode_; }
    StudioMenuRow* blendModeRow() const { return blendMode_; }
    StudioParameterRow* opacityRow() const { return opacity_; }

    // The "Foto" section: the preview with the file name and its two buttons,
    // or the empty state with "Escolher foto".
    bool showsPreview() const { return showsPreview_; }
    BackgroundPhotoPreview* preview() const { return preview_; }
    MiddleElidedLabel* fileNameLabel() const { return fileName_; }
    // The last component of the stored photo's path; empty without a photo.
    QString selectedFileName() const;
    StudioChipButton* replaceButton() const { return replace_; }
    StudioChipButton* removeButton() const { return remove_; }
    BackgroundPhotoEmptyState* emptyState() const { return emptyState_; }
    StudioChipButton* chooseButton() const { return choose_; }

    // The file importer, made the first time a photo is asked for.
    bool isChoosingImage() const { return isChoosingImage_; }
    QFileDialog* fileDialog() const { return fileDialog_; }
    // The alert about the photo; present only while it is shown.
    QMessageBox* alert() const;

    // How many times a preview has been decoded in this process: once per
    // file (path, modification time, size) and frame size, whatever happens
    // to the look in between.
    static int previewDecodeCount();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* makeStageRows();
    QWidget* makePhotoRows();
    QWidget* makeCompositionRows();

    void presentImporter();
    void importerFinished(int result);
    // Brings the photo section up to the controller's photo; decodes only
    // when the file or the frame is not the one already decoded.
    void refreshPhoto();
    void showComposition(bool hasPhoto);
    // Shows the alert while there is a message and the view is on screen,
    // and closes it (keeping the message) when either stops.
    void syncAlert();
    void alertFinished();

    PracticeSessionStore& store_;
    VisualPresetRows* rows_;

    StudioSection* stageSection_ = nullptr;
    StudioSection* photoSection_ = nullptr;
    StudioSection* compositionSection_ = nullptr;
    StudioColorRow* topColor_ = nullptr;
    StudioColorRow* bottomColor_ = nullptr;
    StudioColorRow* gridColor_ = nullptr;
    StudioParameterRow* grain_ = nullptr;
    StudioSegmentedPicker* contentMode_ = nullptr;
    StudioMenuRow* blendMode_ = nullptr;
    StudioParameterRow* opacity_ = nullptr;
    QWidget* compositionRows_ = nullptr;

    QWidget* photoRows_ = nullptr;
    QWidget* withPhoto_ = nullptr;
    BackgroundPhotoPreview* preview_ = nullptr;
    MiddleElidedLabel* fileName_ = nullptr;
    StudioChipButton* replace_ = nullptr;
    StudioChipButton* remove_ = nullptr;
    QWidget* withoutPhoto_ = nullptr;
    BackgroundPhotoEmptyState* emptyState_ = nullptr;
    StudioChipButton* choose_ = nullptr;
    bool showsPreview_ = false;
    // The photo changed while the view was hidden: decoded when it shows.
    bool photoOutdated_ = true;
    std::optional<BackgroundImageReference> shownReference_;

    bool isChoosingImage_ = false;
    QFileDialog* fileDialog_ = nullptr;
    QMessageBox* alert_ = nullptr;
    // Set while the view closes the alert itself, which leaves the message.
    bool closingAlertQuietly_ = false;
};

} // namespace corvane
