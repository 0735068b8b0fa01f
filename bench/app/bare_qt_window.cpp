// bench_bare_qt_window: the least a Qt Widgets program does before its event
// loop's first turn (the application object, an empty window shown), so that
// bench_startup can show this machine's floor beside the program's figure.
// Prints the steady clock at that first turn, in milliseconds, and quits.

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(640, 400);
    window.show();
    QTimer::singleShot(0, &app, [&app] {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        std::printf("%.3f\n", std::chrono::duration<double, std::milli>(now).count());
        app.quit();
    });
    return app.exec();
}
