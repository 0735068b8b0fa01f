#pragma once

#include <QColor>
#include <QFont>
#include <QWidget>

class QLabel;

namespace corvane {

// A plain-text label in the given font and colour; markup in stored names
// (song titles, file names) is shown as typed.
QLabel* studioTextLabel(const QString& text, const QFont& font, const QColor& color, QWidget* parent = nullptr);

// A caption in capitals, in the legend font, spaced out and on one line,
// ending in an ellipsis when it has less room than it wants. Its spoken name
// is always the whole title; while it is cut, its tooltip is too.
class StudioCapsLabel : public QWidget {
    Q_OBJECT
public:
    StudioCapsLabel(const QString& title, double tracking, const QColor& color, QWidget* parent = nullptr);

    const QString& title() const { return title_; }
    void setTitle(const QString& title);
    // What is drawn: the title in pt_BR capitals.
    QString text() const;
    double tracking() const { return font_.letterSpacing(); }
    const QColor& color() const { return color_; }
    // Drawn with an ellipsis: the width is less than the whole text needs.
    bool isCut() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateToolTip();

    QString title_;
    QFont font_;
    QColor color_;
};

// The title of a field in a row: tracking 1.0, secondary text.
class StudioFieldLabel : public StudioCapsLabel {
    Q_OBJECT
public:
    explicit StudioFieldLabel(const QString& title, QWidget* parent = nullptr);
};

// The title of a group of rows: tracking 1.4, tertiary text.
class StudioSectionLabel : public StudioCapsLabel {
    Q_OBJECT
public:
    explicit StudioSectionLabel(const QString& title, QWidget* parent = nullptr);
};

} // namespace corvane
