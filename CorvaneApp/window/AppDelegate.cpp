#include "CorvaneApp/window/AppDelegate.hpp"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>
#include <QTimer>
#include <QWindow>

#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/window/OpenMIDIRequests.hpp"

namespace corvane {

AppDelegate::AppDelegate(QObject* parent) : QObject(parent)
{
    QApplication::setQuitOnLastWindowClosed(true);
    // The style follows the palette it is given, whatever the desktop's theme.
    if (auto fusion = QStyleFactory::create(QStringLiteral("Fusion"))) QApplication::setStyle(fusion);
    applyNow();
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive) applyStudioAppearance();
    });
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* window) {
        if (window) applyStudioAppearance();
    });
}

void AppDelegate::openFiles(const std::vector<std::filesystem::path>& files)
{
    OpenMIDIRequests::shared().enqueue(files);
}

void AppDelegate::applyStudioAppearance()
{
    QTimer::singleShot(0, this, &AppDelegate::applyNow);
}

void AppDelegate::applyNow()
{
    // Windows that did not choose their own palette take the application's;
    // setting an equal one again changes nothing.
    if (QApplication::palette() != StudioAppearance::darkPalette()) QApplication::setPalette(StudioAppearance::darkPalette());
}

} // namespace corvane
