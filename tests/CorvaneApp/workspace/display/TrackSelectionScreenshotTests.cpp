// The track selection sheet over the main window on the X server of the
// test, with the inspector's track section placed where the inspector goes,
// kept as a picture for a reviewer.
#include "WorkspaceTestSupport.hpp"

#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <iostream>

#include "CorvaneApp/TrackTestSongs.hpp"
#include "CorvaneApp/inspector/InspectorTrackControls.hpp"
#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/StudioChipButton.hpp"
#include "CorvaneApp/kit/StudioSection.hpp"
#include "CorvaneApp/kit/TrackRowView.hpp"
#include "CorvaneApp/window/AppDelegate.hpp"
#include "CorvaneApp/window/MainWindow.hpp"
#include "CorvaneApp/window/RootView.hpp"
#include "CorvaneApp/workspace/TrackSelectionSheet.hpp"

using namespace corvane;

TEST(TrackSelectionScreenshot, SheetWithFiveTracksAndTheInspectorSection)
{
    AppDelegate look;
    ControllerHarness harness(true);
    auto& store = harness.controller();
    TestFolder folder("brelmo-track-screenshot");

    MainWindow window;
    window.attach(store);
    RootView& root = *window.rootView();
    // The inspector's "Faixas" section where the practice page will put it.
    auto host = new QWidget(root.inspectorPlace());
    host->setAutoFillBackground(true);
    QPalette panel = host->palette();
    panel.setColor(QPalette::Window, StudioAppearance::panel());
    host->setPalette(panel);
    auto column = new QVBoxLayout(host);
    column->setContentsMargins(14, 16, 14, 16);
    auto controls = new InspectorTrackControls(store);
    auto padded = new QWidget;
    auto padding = new QVBoxLayout(padded);
    padding->setContentsMargins(0, 12, 0, 0);
    padding->addWidget(controls);
    column->addWidget(new StudioSection(QStringLiteral("Faixas"), std::nullopt, padded, controls->accessory()));
    column->addStretch(1);
    auto place = new QVBoxLayout(root.inspectorPlace());
    place->setContentsMargins(0, 0, 0, 0);
    place->addWidget(host);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    store.loadMIDI(folder.write("Quinteto.mid", trackSong({{"Mão direita", 240},
                                                           {"Mão esquerda", 198},
                                                           {"Orquestra de cordas com contrabaixos, violoncelos, "
                                                            "violas e violinos em uníssono",
                                                            1520},
                                                           {"Percussão", 12345},
                                                           {"", 1}})));
    ASSERT_EQ(store.lastImportError(), std::nullopt);
    TrackSelectionSheet* sheet = root.trackSelectionSheet();
    ASSERT_TRUE(sheet && sheet->isVisible());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(sheet));
    QTest::mouseClick(&sheet->row(1)->rightChip(), Qt::LeftButton);
    QTest::mouseClick(&sheet->row(2)->leftChip(), Qt::LeftButton);
    QTest::mouseClick(&sheet->row(4)->speakerChip(), Qt::LeftButton);
    processEventsFor(std::chrono::milliseconds(300));
    EXPECT_EQ(sheet->row(1)->hand(), PracticeTrackHand::right);
    EXPECT_EQ(sheet->row(2)->hand(), PracticeTrackHand::left);
    EXPECT_TRUE(sheet->row(4)->isMuted());
    EXPECT_TRUE(sheet->row(3)->shownLabel().endsWith(QChar(0x2026)));
    EXPECT_EQ(controls->mutedRows().size(), 1u);

    // The sheet as the window shows it: centred under the window's top edge.
    const QPixmap under = window.grab();
    const QPixmap over = sheet->grab();
    QPixmap picture = under;
    {
        QPainter painter(&picture);
        const QPoint at(int(under.width() / under.devicePixelRatio() - over.width() / over.devicePixelRatio()) / 2, 24);
        painter.drawPixmap(at, over);
        painter.setPen(QColor(255, 255, 255, 40));
        painter.drawRect(QRect(at, sheet->size()).adjusted(-1, -1, 0, 0));
    }
    const QString file = QStringLiteral(BRELMO_SCREENSHOT_FOLDER "/track-selection-sheet.png");
    ASSERT_TRUE(picture.save(file));
    std::cout << "track selection picture: " << file.toStdString() << "\n";

    QTest::mouseClick(&sheet->startButton(), Qt::LeftButton);
    EXPECT_FALSE(store.isTrackSelectionPresented());
    EXPECT_TRUE(store.isPlaying());
    store.togglePlayback();
}
