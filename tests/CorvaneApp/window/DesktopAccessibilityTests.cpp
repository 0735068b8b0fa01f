// The desktop's reduce-motion and contrast wishes, read from a fake portal on
// a private session bus and handed to the practice screen.
#include <gtest/gtest.h>

#include "CorvaneApp/window/DesktopAccessibilitySource.hpp"
#include "CorvaneApp/workspace/CountInBadge.hpp"
#include "CorvaneApp/workspace/PracticeWorkspaceView.hpp"
#include "CorvaneApp/workspace/WaitingBadge.hpp"
#include "FakeDesktopPortal.hpp"
#include "WindowTestSupport.hpp"

using namespace corvane;

namespace {

const QString appearance = QStringLiteral("org.freedesktop.appearance");
const QString gnomeInterface = QStringLiteral("org.gnome.desktop.interface");
const QString gnomeA11y = QStringLiteral("org.gnome.desktop.a11y.interface");
const QString kde = QStringLiteral("org.kde.kdeglobals.KDE");

// A practice screen following the wishes of the bus at `address`.
struct FollowingWorkspace {
    explicit FollowingWorkspace(const QString& address) : source(address) { source.handTo(workspace); }

    bool becomesKnown() { return processEventsUntil([&] { return source.isKnown(); }); }
    bool stageReducesMotion() const { return workspace.stageAccessibilityOptions().reduceMotion(); }
    bool stageIncreasesContrast() const { return workspace.stageAccessibilityOptions().increaseContrast(); }
    // Both badges come and go on their spring.
    bool badgesAnimate() const { return workspace.countInBadge().animates() && workspace.waitingBadge().animates(); }

    ControllerHarness harness;
    PracticeWorkspaceView workspace{harness.controller(), WorkspaceStage::plain};
    DesktopAccessibilitySource source;
};

struct PortalKeyCase {
    QString group;
    QString key;
    QVariant on;
    QVariant off;
    bool isMotion;
};

} // namespace

TEST(DesktopAccessibility, EachPortalKeyTurnsTheStageAndTheBadgesOnAndOffLive)
{
    PrivateSessionBus bus;
    ASSERT_FALSE(bus.address().isEmpty()) << "dbus-daemon did not start";
    FakeDesktopPortal portal(bus.address());
    ASSERT_TRUE(portal.isRegistered());

    const std::vector<PortalKeyCase> cases{
        {appearance, QStringLiteral("reduced-motion"), QVariant(1u), QVariant(0u), true},
        {gnomeInterface, QStringLiteral("enable-animations"), QVariant(false), QVariant(true), true},
        {kde, QStringLiteral("AnimationDurationFactor"), QVariant(0.0), QVariant(0.5), true},
        {appearance, QStringLiteral("contrast"), QVariant(1u), QVariant(0u), false},
        {gnomeA11y, QStringLiteral("high-contrast"), QVariant(true), QVariant(false), false},
    };
    for (const auto& key : cases) {
        SCOPED_TRACE(key.key.toStdString());
        portal.clear();
        portal.set(key.group, key.key, key.on);
        FollowingWorkspace screen(bus.address());
        ASSERT_TRUE(screen.becomesKnown());
        EXPECT_EQ(screen.stageReducesMotion(), key.isMotion);
        EXPECT_EQ(screen.stageIncreasesContrast(), !key.isMotion);
        EXPECT_EQ(screen.badgesAnimate(), !key.isMotion);

        portal.change(key.group, key.key, key.off);
        EXPECT_TRUE(processEventsUntil([&] { return !screen.stageReducesMotion() && !screen.stageIncreasesContrast(); }));
        EXPECT_TRUE(screen.badgesAnimate());
        portal.change(key.group, key.key, key.on);
        EXPECT_TRUE(processEventsUntil([&] { return screen.source.current() != DesktopAccessibility{}; }));
    }

    // The common key outranks the desktop's own, even when it says "no".
    portal.clear();
    portal.set(appearance, QStringLiteral("reduced-motion"), 0u);
    portal.set(gnomeInterface, QStringLiteral("enable-animations"), false);
    portal.set(kde, QStringLiteral("AnimationDurationFactor"), 0.0);
    portal.set(gnomeA11y, QStringLiteral("high-contrast"), true);
    FollowingWorkspace screen(bus.address());
    ASSERT_TRUE(screen.becomesKnown());
    EXPECT_FALSE(screen.stageReducesMotion());
    EXPECT_TRUE(screen.stageIncreasesContrast());
    // The stored particle setting still reaches the stage beside them.
    screen.harness.controller().setReduceParticles(true);
    EXPECT_TRUE(screen.workspace.stageAccessibilityOptions().reduceParticles());
    EXPECT_EQ(screen.workspace.stageAccessibilityOptions().effectIntensity(), 1.0);
}

TEST(DesktopAccessibility, PortalOfVersionOneIsReadThroughRead)
{
    PrivateSessionBus bus;
    FakeDesktopPortal portal(bus.address(), 1);
    ASSERT_TRUE(portal.isRegistered());
    portal.set(gnomeInterface, QStringLiteral("enable-animations"), false);
    portal.set(gnomeA11y, QStringLiteral("high-contrast"), true);

    FollowingWorkspace screen(bus.address());
    ASSERT_TRUE(screen.becomesKnown());
    EXPECT_EQ(screen.source.current(), (DesktopAccessibility{true, true}));
    EXPECT_FALSE(screen.badgesAnimate());
    portal.change(gnomeInterface, QStringLiteral("enable-animations"), true);
    EXPECT_TRUE(processEventsUntil([&] { return screen.badgesAnimate(); }));
    EXPECT_TRUE(screen.stageIncreasesContrast());
}

TEST(DesktopAccessibility, WithoutPortalOrBusBothStayOff)
{
    PrivateSessionBus bus;
    FollowingWorkspace withoutPortal(bus.address());
    FollowingWorkspace withoutBus(QStringLiteral("unix:path=/nonexistent/brelmo-test-bus"));
    for (auto* screen : {&withoutPortal, &withoutBus}) {
        ASSERT_TRUE(screen->becomesKnown());
        EXPECT_EQ(screen->source.current(), DesktopAccessibility{});
        EXPECT_FALSE(screen->stageReducesMotion());
        EXPECT_FALSE(screen->stageIncreasesContrast());
        EXPECT_TRUE(screen->badgesAnimate());
    }
}

TEST(DesktopAccessibility, WrongTypesLateAnswersAndFloodsAreHarmless)
{
    PrivateSessionBus bus;
    FakeDesktopPortal portal(bus.address());
    ASSERT_TRUE(portal.isRegistered());

    // Values of the wrong type count as no answer: the next key speaks.
    portal.set(appearance, QStringLiteral("reduced-motion"), QStringLiteral("1"));
    portal.set(gnomeInterface, QStringLiteral("enable-animations"), 0u);
    portal.set(kde, QStringLiteral("AnimationDurationFactor"), 0.0);
    portal.set(appearance, QStringLiteral("contrast"), true);
    portal.set(gnomeA11y, QStringLiteral("high-contrast"), QStringLiteral("true"));
    {
        FollowingWorkspace screen(bus.address());
        ASSERT_TRUE(screen.becomesKnown());
        EXPECT_EQ(screen.source.current(), (DesktopAccessibility{true, false}));
        // A change of the wrong type silences that key too.
        portal.change(kde, QStringLiteral("AnimationDurationFactor"), QStringLiteral("0"));
        EXPECT_TRUE(processEventsUntil([&] { return !screen.stageReducesMotion(); }));

        // A hundred flips: the last one, "no animations", wins.
        for (int flip = 0; flip < 100; ++flip)
            portal.change(gnomeInterface, QStringLiteral("enable-animations"), QVariant(flip % 2 == 0));
        EXPECT_TRUE(processEventsUntil([&] { return screen.stageReducesMotion(); }));
        processEventsFor(std::chrono::milliseconds(200));
        EXPECT_TRUE(screen.stageReducesMotion());
        EXPECT_FALSE(screen.badgesAnimate());
    }

    // A portal that never answers leaves both off; its answers after the
    // screen and the source are gone go nowhere.
    portal.holdReplies(true);
    const int readsBefore = portal.readCount();
    {
        FollowingWorkspace screen(bus.address());
        ASSERT_TRUE(processEventsUntil([&] { return portal.readCount() >= readsBefore + 5; }));
        processEventsFor(std::chrono::milliseconds(100));
        EXPECT_FALSE(screen.source.isKnown());
        EXPECT_EQ(screen.source.current(), DesktopAccessibility{});
        EXPECT_TRUE(screen.badgesAnimate());
    }
    portal.releaseReplies();
    processEventsFor(std::chrono::milliseconds(200));
    portal.holdReplies(false);

    // A source dropped before it reached the bus leaves no connection behind.
    { DesktopAccessibilitySource dropped(bus.address()); }
    processEventsFor(std::chrono::milliseconds(200));
}
