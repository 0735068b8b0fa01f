#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "CorvaneApp/commands/PracticeCommands.hpp"
#include "CorvaneLibrary/DefaultsStore.hpp"
#include "WindowTestSupport.hpp"

using namespace corvane;

TEST(PracticeCommandActions, SpeedStepsStayOnTheGridWithinTheirRange)
{
    const struct {
        double rate, change, expected;
    } cases[] = {
        {1.0, 0.05, 1.05},  {2.0, 0.05, 2.0},   {1.98, 0.05, 2.0}, {0.25, -0.05, 0.25}, {0.3, -0.05, 0.25},
        {0.27, -0.05, 0.25}, {0.333, 0.05, 0.4}, {1.02, 0.05, 1.05}, {std::nan(""), 0.05, 0.25},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(steppedPlaybackRate(c.rate, c.change), c.expected) << c.rate << " + " << c.change;
}

TEST(PracticeCommandActions, SeekStepLabelsHaveNoFractionDigits)
{
    EXPECT_EQ(seekStepLabel(10), "10");
    EXPECT_EQ(seekStepLabel(2.4), "2");
    EXPECT_EQ(seekStepLabel(1500), "1.500");
}

class PracticeCommandsTest : public ::testing::Test {
protected:
    ControllerHarness harness{false};
    QMenuBar menuBar;
    QMenu* fileMenu = menuBar.addMenu(QStringLiteral("Arquivo"));
    PracticeCommands commands{harness.controller()};

    void SetUp() override { commands.install(fileMenu, &menuBar); }

    PracticeCommandActions published(bool hasSong, bool hasLoop, std::string step = "5")
    {
        PracticeCommandActions actions;
        actions.hasSong = hasSong;
        actions.hasLoop = hasLoop;
        actions.seekStepLabel = std::move(step);
        actions.clearLoop = [this] { ++clearLoopCalls; };
        actions.toggleInspector = [this] { ++toggleInspectorCalls; };
        return actions;
    }
    int clearLoopCalls = 0;
    int toggleInspectorCalls = 0;
};

TEST_F(PracticeCommandsTest, EntriesFollowThePublishedActions)
{
    ASSERT_EQ(fileMenu->actions().front(), commands.openMIDIAction());
    const auto menus = menuBar.actions();
    ASSERT_EQ(menus.size(), 3);
    EXPECT_EQ(menus[1]->text(), "Prática");
    EXPECT_EQ(menus[2]->text(), "Navegação");
    EXPECT_EQ(commands.increaseSpeedAction()->shortcut(), QKeySequence(QStringLiteral("Ctrl+Alt+Up")));
    EXPECT_EQ(commands.clearLoopAction()->shortcut(), QKeySequence(QStringLiteral("Ctrl+Alt+Shift+L")));

    // Nothing published: all but play/pause are off, the step reads 5.
    commands.setActions(std::nullopt);
    EXPECT_TRUE(commands.togglePlaybackAction()->isEnabled());
    for (auto item : {commands.openMIDIAction(), commands.seekForwardAction(), commands.returnToStartAction(),
                      commands.clearLoopAction(), commands.showRecentAction(), commands.toggleInspectorAction()})
        EXPECT_FALSE(item->isEnabled()) << item->text().toStdString();
    EXPECT_EQ(commands.seekBackwardAction()->text(), "Voltar 5 segundos\tAlt+←");
    EXPECT_EQ(PracticeCommands::title(commands.seekForwardAction()), "Avançar 5 segundos");
    EXPECT_EQ(commands.decreaseSpeedAction()->text(), "Reduzir velocidade\tCtrl+Alt+↓");

    // A window without a song offers files and navigation only.
    commands.setActions(published(false, false));
    EXPECT_TRUE(commands.openMIDIAction()->isEnabled());
    EXPECT_TRUE(commands.toggleInspectorAction()->isEnabled());
    EXPECT_FALSE(commands.markLoopStartAction()->isEnabled());

    // A song without a loop: the loop marks but not "Desativar repetição".
    commands.setActions(published(true, false, "10"));
    EXPECT_TRUE(commands.markLoopStartAction()->isEnabled());
    EXPECT_TRUE(commands.applyLoopAction()->isEnabled());
    EXPECT_FALSE(commands.clearLoopAction()->isEnabled());
    EXPECT_EQ(PracticeCommands::title(commands.seekForwardAction()), "Avançar 10 segundos");

    commands.setActions(published(true, true));
    ASSERT_TRUE(commands.clearLoopAction()->isEnabled());
    commands.clearLoopAction()->trigger();
    commands.toggleInspectorAction()->trigger();
    EXPECT_EQ(clearLoopCalls, 1);
    EXPECT_EQ(toggleInspectorCalls, 1);

    // Actions withdrawn after the menu was drawn: the entry does nothing.
    commands.setActions(std::nullopt);
    commands.clearLoopAction()->trigger();
    EXPECT_EQ(clearLoopCalls, 1);
}

TEST_F(PracticeCommandsTest, PlayPauseNamesWhatWouldHappenToASong)
{
    auto& controller = harness.controller();
    // Without a song the controller's flag runs the idle stage animation only.
    ASSERT_TRUE(controller.isPlaying());
    EXPECT_EQ(commands.togglePlaybackAction()->text(), "Reproduzir");
    commands.togglePlaybackAction()->trigger();
    EXPECT_FALSE(controller.isPlaying());
    EXPECT_EQ(commands.togglePlaybackAction()->text(), "Reproduzir");
}
