#pragma once

#include <QMainWindow>

#include "CorvaneApp/window/RootView.hpp"

namespace corvane {

class PracticeCommands;
class PracticeSessionStore;

// The one main window ("main"): the menu bar above the root view, whose fixed
// size the window keeps. It is shown before the services exist so that the
// first frame does not wait for them; `attach` then puts in the root view
// and the practice menus.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    void attach(PracticeSessionStore& store, RootView::Assembly assembly = RootView::Assembly::atOnce);

    RootView* rootView() const { return rootView_; }
    PracticeCommands* commands() const { return commands_; }
    QMenu* fileMenu() const { return fileMenu_; }
    bool hasPaintedFirstFrame() const { return hasPaintedFirstFrame_; }

signals:
    // Once, when the first frame is on screen.
    void firstFramePainted();

protected:
    bool event(QEvent* event) override;

private:
    void publishActions();

    QMenu* fileMenu_ = nullptr;
    QToolButton* sidebarButton_ = nullptr;
    RootView* rootView_ = nullptr;
    PracticeCommands* commands_ = nullptr;
    bool hasPaintedFirstFrame_ = false;
    bool firstFrameReported_ = false;
};

} // namespace corvane
