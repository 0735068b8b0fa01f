#pragma once

#include <QWidget>

class QPropertyAnimation;

namespace corvane {

// The layer over the main window's content that holds the sidebar: a dimming
// backdrop over everything and the 240-pixel sidebar at the leading edge,
// both moved in and out by the sidebar spring. A click on the backdrop (not
// on the sidebar) asks for it to close.
class SidebarOverlay : public QWidget {
    Q_OBJECT
    Q_PROPERTY(double progress READ progress WRITE setProgress)
public:
    static constexpr int sidebarWidth = 240;
    static constexpr double backdropOpacity = 0.38;

    explicit SidebarOverlay(QWidget* parent = nullptr);

    // Where the sidebar's content goes.
    QWidget* sidebarPlace() const { return sidebar_; }

    bool isPresented() const { return presented_; }
    void setPresented(bool presented);

    // 0 hidden, 1 fully in; the spring overshoots a little past 1.
    double progress() const { return progress_; }
    void setProgress(double progress);

signals:
    void backdropTapped();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutSidebar();

    QWidget* sidebar_ = nullptr;
    QPropertyAnimation* animation_ = nullptr;
    bool presented_ = false;
    bool pressedOnBackdrop_ = false;
    double progress_ = 0;
};

} // namespace corvane
