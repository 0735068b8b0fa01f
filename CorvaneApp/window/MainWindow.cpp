#include "CorvaneApp/window/MainWindow.hpp"

#include <QApplication>
#include <QLayout>
#include <QMenuBar>
#include <QToolButton>
#include <QTimer>

#include "CorvaneApp/commands/PracticeCommands.hpp"
#include "CorvaneApp/window/RootView.hpp"
#include "CorvaneApp/window/SceneWindows.hpp"

namespace corvane {

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("main"));
    setWindowTitle(QStringLiteral("Brelmo"));

    // Until the root view comes, an empty black frame of its size holds its place.
    auto placeholder = new QWidget(this);
    placeholder->setFixedSize(RootView::contentWidth, RootView::contentHeight);
    placeholder->setAutoFillBackground(true);
    QPalette black = placeholder->palette();
    black.setColor(QPalette::Window, Qt::black);
    placeholder->setPalette(black);
    setCentralWidget(placeholder);
    // The window follows its content's fixed size: it cannot be resized.
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    // The toolbar's one item sits at the leading end of the menu bar. It is
    // there from the first frame, so that the window keeps its size when the
    // root view comes: a new size would paint the whole window again.
    sidebarButton_ = RootView::sidebarButtonShell(menuBar());
    menuBar()->setCornerWidget(sidebarButton_, Qt::TopLeftCorner);

    fileMenu_ = menuBar()->addMenu(QStringLiteral("Arquivo"));
    fileMenu_->addSeparator();
    auto settings = fileMenu_->addAction(QStringLiteral("Ajustes…"));
    settings->setShortcut(QKeySequence(QStringLiteral("Ctrl+,")));
    settings->setMenuRole(QAction::PreferencesRole);
    connect(settings, &QAction::triggered, this, [] { SceneWindows::shared().open(QStringLiteral("settings")); });
    fileMenu_->addSeparator();
    auto quit = fileMenu_->addAction(QStringLiteral("Sair"));
    quit->setShortcut(QKeySequence(QStringLiteral("Ctrl+Q")));
    quit->setMenuRole(QAction::QuitRole);
    connect(quit, &QAction::triggered, qApp, &QApplication::closeAllWindows);
}

MainWindow::~MainWindow()
{
    // The root view goes with the window's children, when this window is
    // only a QWidget any more: its going must not call back in here.
    if (rootView_) disconnect(rootView_, nullptr, this, nullptr);
}

void MainWindow::attach(PracticeSessionStore& store, RootView::Assembly assembly)
{
    if (rootView_) return;
    rootView_ = new RootView(store, this, assembly);
    setCentralWidget(rootView_);
    rootView_->setFocus();

    rootView_->dressSidebarButton(sidebarButton_);

    commands_ = new PracticeCommands(store, this);
    commands_->install(fileMenu_, menuBar());
    connect(rootView_, &RootView::practiceCommandActionsChanged, this, &MainWindow::publishActions);
    connect(rootView_, &QObject::destroyed, this, [this] {
        rootView_ = nullptr;
        commands_->setActions(std::nullopt);
    });
    publishActions();
}

void MainWindow::publishActions()
{
    if (rootView_) commands_->setActions(rootView_->practiceCommandActions());
}

bool MainWindow::event(QEvent* event)
{
    const bool result = QMainWindow::event(event);
    if (event->type() == QEvent::Paint && !firstFrameReported_) {
        firstFrameReported_ = true;
        // The frame reaches the screen when this round of painting is flushed.
        QTimer::singleShot(0, this, [this] {
            hasPaintedFirstFrame_ = true;
            emit firstFramePainted();
        });
    }
    return result;
}

} // namespace corvane
