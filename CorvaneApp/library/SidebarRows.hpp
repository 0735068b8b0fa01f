#pragma once

#include <QString>
#include <QWidget>

#include "CorvaneDomain/Date.hpp"
#include "CorvaneDomain/LibraryDestination.hpp"
#include "CorvaneDomain/RecentPracticeSong.hpp"

namespace corvane {

// The painted rows of the sidebar. They read the accent of the window
// (studioAccent) whenever they paint, so an accent edit shows at once.

// A row that answers a click (left button released over it, or Return or
// Space with the focus) with `clicked`; it keeps only its pressed state.
class SidebarPressableRow : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

signals:
    void clicked();

protected:
    bool isPressed() const { return pressed_; }
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool pressed_ = false;
};

// "Brelmo" with "waveform" in the title font and the accent colour. It
// takes no clicks and is never highlighted.
class SidebarTitleRow : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString systemImage READ systemImage)
public:
    explicit SidebarTitleRow(QWidget* parent = nullptr);
    QString title() const { return QStringLiteral("Brelmo"); }
    QString systemImage() const { return QStringLiteral("waveform"); }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// One destination of the window: its symbol and title; while it is the
// selection, primary text on the accent at 16 % opacity, else secondary text
// on nothing.
class SidebarDestinationRow : public SidebarPressableRow {
    Q_OBJECT
    Q_PROPERTY(QString systemImage READ systemImage)
public:
    explicit SidebarDestinationRow(LibraryDestination destination, QWidget* parent = nullptr);

    LibraryDestination destination() const { return destination_; }
    QString title() const;
    QString systemImage() const;
    bool isSelected() const { return selected_; }
    void setSelected(bool selected);
    // What the row paints now.
    QColor foreground() const;
    QColor background() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    LibraryDestination destination_;
    bool selected_ = false;
};

// A recent song: its title on one line with a small accent dot at the
// right, and how long ago it was practised below.
class SidebarRecentSongRow : public SidebarPressableRow {
    Q_OBJECT
public:
    explicit SidebarRecentSongRow(RecentPracticeSong song, QWidget* parent = nullptr);

    const RecentPracticeSong& song() const { return song_; }
    const QString& dateText() const { return dateText_; }
    void refreshDate(Date now);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    RecentPracticeSong song_;
    QString dateText_;
};

// "Preferências" with "gearshape", the width of the sidebar, in secondary text.
class SidebarSettingsButton : public SidebarPressableRow {
    Q_OBJECT
    Q_PROPERTY(QString systemImage READ systemImage)
public:
    explicit SidebarSettingsButton(QWidget* parent = nullptr);
    QString title() const { return QStringLiteral("Preferências"); }
    QString systemImage() const { return QStringLiteral("gearshape"); }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace corvane
