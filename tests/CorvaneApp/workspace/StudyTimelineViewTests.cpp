#include "WorkspaceTestSupport.hpp"

#include "CorvaneApp/commands/PracticeCommandActions.hpp"
#include "CorvaneApp/kit/RetroLED.hpp"
#include "CorvaneApp/kit/RetroOdometer.hpp"
#include "CorvaneApp/kit/RetroKnob.hpp"
#include "CorvaneApp/kit/RetroTransportButton.hpp"
#include "CorvaneApp/workspace/MeasureScrubBar.hpp"
#include "CorvaneApp/workspace/StudyTimelineView.hpp"
#include "CorvaneLibrary/DefaultsStore.hpp"

using namespace corvane;

TEST(StudyTimelineTimeLabel, RoundsAndNeverGoesBelowZero)
{
    EXPECT_EQ(StudyTimelineView::timeLabel(75), QStringLiteral("1:15"));
    EXPECT_EQ(StudyTimelineView::timeLabel(3600), QStringLiteral("60:00"));
    EXPECT_EQ(StudyTimelineView::timeLabel(-3), QStringLiteral("0:00"));
    EXPECT_EQ(StudyTimelineView::timeLabel(59.5), QStringLiteral("1:00"));
    EXPECT_EQ(StudyTimelineView::timeLabel(9.4), QStringLiteral("0:09"));
}

class StudyTimelineTest : public ::testing::Test {
protected:
    PracticeSessionStore& c() { return harness.controller(); }
    ControllerHarness harness{true};
    StudyTimelineView view{harness.controller()};
};

TEST_F(StudyTimelineTest, WithoutSongTheDeckIsIdleAndDisabled)
{
    // The controller's idle stage plays without a song; the deck does not show it.
    EXPECT_TRUE(c().isPlaying());
    EXPECT_FALSE(view.isTransportActive());
    EXPECT_FALSE(view.transportLamp().isOn());
    EXPECT_EQ(view.playButton().systemImage(), "play.fill");
    EXPECT_EQ(view.playButton().toolTip(), QStringLiteral("Reproduzir (Espaço)"));
    EXPECT_EQ(view.summary().title(), QStringLiteral("Sem música"));
    EXPECT_EQ(view.summary().elapsed(), QStringLiteral("0:00"));
    EXPECT_EQ(view.summary().total(), QStringLiteral("0:00"));
    EXPECT_EQ(view.summary().filledWidth(), 3.0);
    EXPECT_EQ(view.odometer().value(), 0);
    EXPECT_FALSE(view.transportControls().isEnabled());
    EXPECT_FALSE(view.speedAndLoopControls().isEnabled());
}

TEST_F(StudyTimelineTest, HelpTextsNameTheStoredSeekStep)
{
    EXPECT_EQ(view.backButton().toolTip(), QStringLiteral("Voltar 5 segundos (Alt+←)"));
    EXPECT_EQ(view.forwardButton().toolTip(), QStringLiteral("Avançar 5 segundos (Alt+→)"));
    c().setSeekStepSeconds(12.0);
    EXPECT_EQ(view.backButton().toolTip(), QStringLiteral("Voltar 12 segundos (Alt+←)"));
    EXPECT_EQ(view.forwardButton().toolTip(), QStringLiteral("Avançar 12 segundos (Alt+→)"));
    c().setSeekStepSeconds(0);
    EXPECT_EQ(view.backButton().toolTip(), QStringLiteral("Voltar 5 segundos (Alt+←)")) << "not above 0: the default";
}

TEST_F(StudyTimelineTest, ButtonsKnobAndLoopButtonDriveTheController)
{
    harness.openSong(10, "Minha peça");
    view.show();
    EXPECT_EQ(view.summary().title(), QStringLiteral("Minha peça"));
    EXPECT_EQ(view.summary().total(), QStringLiteral("0:20"));
    EXPECT_TRUE(view.transportControls().isEnabled());
    EXPECT_TRUE(view.speedAndLoopControls().isEnabled());

    QTest::mouseClick(&view.forwardButton(), Qt::LeftButton);
    EXPECT_NEAR(c().playbackPositionSeconds(), 5, 0.05);
    EXPECT_EQ(view.summary().elapsed(), QStringLiteral("0:05"));
    EXPECT_EQ(view.odometer().value(), 3); // bars start at 0, 2, 4 s
    QTest::mouseClick(&view.backButton(), Qt::LeftButton);
    EXPECT_NEAR(c().playbackPositionSeconds(), 0, 0.05);
    EXPECT_EQ(view.odometer().value(), 1);
    c().seek(4.0);
    EXPECT_EQ(view.odometer().value(), 3); // exactly at a measure start

    emit view.speedKnob().valueEdited(1.5);
    EXPECT_EQ(c().playbackRate(), 1.5);
    EXPECT_EQ(view.speedKnob().toolTip(),
              QStringLiteral("Velocidade: 150%. Arraste para ajustar; clique duas vezes para voltar a 100%"));

    c().setLoopSelection(2, 6);
    QTest::mouseClick(&view.loopButton(), Qt::LeftButton);
    EXPECT_EQ(c().loopRange(), (MIDILoopRange{2, 6}));
    EXPECT_TRUE(view.loopButton().isActive());
    QTest::mouseClick(&view.loopButton(), Qt::LeftButton);
    EXPECT_FALSE(c().loopRange());
    EXPECT_FALSE(view.loopButton().isActive());
}

TEST_F(StudyTimelineTest, PlayButtonShowsPauseWhilePlaying)
{
    harness.openSong(10);
    view.show();
    ASSERT_FALSE(c().isPlaying());
    QTest::mouseClick(&view.playButton(), Qt::LeftButton);
    // Without an engine the controller may refuse to start; the deck follows what it says.
    EXPECT_EQ(view.isTransportActive(), c().isPlaying());
    EXPECT_EQ(view.playButton().systemImage(), c().isPlaying() ? "pause.fill" : "play.fill");
    EXPECT_EQ(view.transportLamp().isOn(), c().isPlaying());
    EXPECT_EQ(view.playButton().toolTip(),
              c().isPlaying() ? QStringLiteral("Pausar (Espaço)") : QStringLiteral("Reproduzir (Espaço)"));
}
