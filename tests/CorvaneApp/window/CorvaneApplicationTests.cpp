// Starting the application: the window's first frame is its only painting
// until its content comes.
#include <QEvent>
#include <QWidget>

#include "CorvaneApp/window/CorvaneApplication.hpp"
#include "CorvaneApp/window/MainWindow.hpp"
#include "CorvaneLibrary/DefaultsStore.hpp"
#include "WindowTestSupport.hpp"

using namespace corvane;

namespace {

// Counts what the widgets of one window are sent, by type.
class EventCounter : public QObject {
public:
    EventCounter(QWidget& window, QEvent::Type type) : window_(window), type_(type) {}
    int count = 0;

    bool eventFilter(QObject* object, QEvent* event) override
    {
        auto widget = qobject_cast<QWidget*>(object);
        if (event->type() == type_ && widget && (widget == &window_ || window_.isAncestorOf(widget))) ++count;
        return false;
    }

private:
    QWidget& window_;
    QEvent::Type type_;
};

} // namespace

// Showing a window leaves each widget a request to paint later. Left for
// later, they often came after the first frame and painted the whole window
// a second time, which waited for the display server to take the first.
TEST(CorvaneApplication, ShowingTheWindowLeavesNoPaintingForAfterItsFirstFrame)
{
    sharedJackServer();
    FileFolder folder;
    DefaultsStore defaults(folder.path() / "defaults.json");
    CorvaneApplication application(defaults);
    EventCounter laterPaintings(application.mainWindow(), QEvent::UpdateLater);

    application.start();
    qApp->installEventFilter(&laterPaintings);
    ASSERT_TRUE(processEventsUntil([&] { return application.mainWindow().hasPaintedFirstFrame(); }));
    EXPECT_EQ(laterPaintings.count, 0);
    EXPECT_TRUE(application.mainWindow().isVisible());

    qApp->removeEventFilter(&laterPaintings);
    ASSERT_TRUE(processEventsUntil([&] { return application.practiceStore() != nullptr; }));
}
