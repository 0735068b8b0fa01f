#pragma once

#include <QMargins>
#include <QPixmap>
#include <QWidget>

#include <array>
#include <optional>

class QPainter;

namespace corvane {

// One brass screw head of `size` logical pixels centred on `centre`, its slot
// turned clockwise by `slotAngle` degrees.
void paintRetroScrew(QPainter& painter, QPointF centre, double size, double slotAngle);

// The metal plate under `rect`: gradient, grain, inner shade and two-tone edge.
void paintRetroPlate(QPainter& painter, const QRectF& rect, double cornerRadius);

// The tiled grain of the plates: the resource bundle's "panel-texture.png"
// when it has one, else a grain drawn here once. The image may be asked for
// on any thread, ahead of the first painting; the pixmap on the window's.
const QImage& retroPanelTextureImage();
const QPixmap& retroPanelTexture();

struct RetroPanelStyle {
    std::optional<int> width;  // absent: as wide as the padded content
    std::optional<int> height; // absent: as high as the padded content
    double cornerRadius = 7;
    double screwInset = 7;
    double screwSize = 9;
    bool showsScrews = true;
    QMargins contentPadding{18, 6, 18, 6};
};

// A screwed metal plate; its content is whatever layout the caller sets on
// it, kept `contentPadding` from the edges. The plate is drawn once per size.
class RetroPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr std::array<double, 4> slotAngles{24, -38, 66, 12};

    explicit RetroPanel(RetroPanelStyle style, QWidget* parent = nullptr);

    const RetroPanelStyle& style() const { return style_; }
    // The centres of the screws, top-leading, top-trailing, bottom-leading,
    // bottom-trailing; empty without screws.
    std::vector<QPointF> screwCentres() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    RetroPanelStyle style_;
    QPixmap plate_;
};

// A caption engraved in the plate: the title in capitals.
class RetroEngravedLabel : public QWidget {
    Q_OBJECT
public:
    explicit RetroEngravedLabel(const QString& title, QWidget* parent = nullptr);

    const QString& text() const { return text_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont font_;
    QString text_;
};

} // namespace corvane
