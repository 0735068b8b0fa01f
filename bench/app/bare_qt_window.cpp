// bench_bare_qt_window: the least a Qt Widgets program does before its event
// loop's first turn and its first frame (the application object, an empty
// window of the program's size shown), so that bench_startup can show this
// machine's floor beside the program's figures. Prints the steady clock, in
// milliseconds, at that first turn and when its first painting is flushed
// (a turn after the window's first paint event, as the program reckons its
// own first frame), and quits.

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstdio>

namespace {

double steadyMilliseconds()
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

class Window : public QWidget {
public:
    double firstTurn = 0;

protected:
    bool event(QEvent* event) override
    {
        const bool result = QWidget::event(event);
        if (event->type() == QEvent::Paint && !painted_) {
            painted_ = true;
            QTimer::singleShot(0, this, [this] {
                const double now = steadyMilliseconds();
                std::printf("%.3f %.3f\n", firstTurn > 0 ? firstTurn : now, now);
                QApplication::quit();
            });
        }
        return result;
    }

private:
    bool painted_ = false;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    Window window;
    window.resize(1280, 790);
    window.show();
    QTimer::singleShot(0, &app, [&window] { window.firstTurn = steadyMilliseconds(); });
    return app.exec();
}
