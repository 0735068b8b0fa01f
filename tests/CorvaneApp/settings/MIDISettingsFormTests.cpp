#include <gtest/gtest.h>

#include <QComboBox>
#include <QSignalSpy>
#include <QTabWidget>
#include <QtTest/QTest>

#include "CorvaneApp/ControllerHarness.hpp"
#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/settings/MIDISettingsForm.hpp"
#include "CorvaneApp/settings/SettingsView.hpp"
#include "CorvaneAudio/midi/FakeMIDIPortSystem.hpp"
#include "CorvaneAudio/midi/MIDIDeviceMonitor.hpp"
#include "CorvaneLibrary/DefaultsStore.hpp"

using namespace corvane;

namespace {

const QString unavailable = QStringLiteral(" \u2014 indispon\u00EDvel");

QStringList itemsOf(const QComboBox* combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
    return items;
}

// What the user does: picks the option at `index` in the list.
void pick(QComboBox* combo, const QString& text)
{
    const int index = combo->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

class MIDISettingsFormTest : public ::testing::Test {
protected:
    MIDISettingsFormTest()
    {
        state->sources = {endpoint(1, 101, "Teclado A"), endpoint(2, 102, "Teclado B", true)};
        state->destinations = {endpoint(11, 201, "Sintetizador")};
    }
    // The monitor, then the settings over it, as the application makes them.
    void make()
    {
        monitor = std::make_unique<MIDIDeviceMonitor>(harness.defaults(), std::make_unique<FakeMIDIPortSystem>(state));
        view = std::make_unique<SettingsView>(harness.controller(), monitor.get(), nullptr, std::function<void()>{});
    }
    MIDISettingsForm& form() { return *view->midiForm(); }
    void expectInput(const QString& text, const QColor& color)
    {
        EXPECT_EQ(form().inputStatus()->value(), text);
        EXPECT_EQ(form().inputStatus()->valueColor(), color);
    }
    void expectOutput(const QString& text, const QColor& color)
    {
        EXPECT_EQ(form().outputStatus()->value(), text);
        EXPECT_EQ(form().outputStatus()->valueColor(), color);
    }

    ControllerHarness harness{false};
    std::shared_ptr<FakeMIDIState> state = std::make_shared<FakeMIDIState>();
    std::unique_ptr<MIDIDeviceMonitor> monitor;
    std::unique_ptr<SettingsView> view;
    const QColor& secondary = StudioAppearance::secondaryText();
};

} // namespace

TEST_F(MIDISettingsFormTest, InputListsOnlineSourcesKeepsAnUnpluggedChoiceAndShowsFourStates)
{
    make();
    ASSERT_NE(view->midiForm(), nullptr);
    EXPECT_EQ(view->midiEmptyState(), nullptr);
    EXPECT_EQ(view->tabs()->tabText(1), QStringLiteral("MIDI"));
    QComboBox* input = form().inputPicker();
    // The offline keyboard is not offered.
    EXPECT_EQ(itemsOf(input), (QStringList{"Todas as entradas", "Teclado A"}));
    EXPECT_EQ(input->currentIndex(), 0);
    expectInput("Ouvindo todas", secondary);

    pick(input, "Teclado A");
    EXPECT_EQ(monitor->selectedInputID(), 101);
    EXPECT_EQ(harness.defaults().integerValue(MIDIDeviceMonitor::selectedInputPreferenceKey), 101);
    EXPECT_EQ(input->currentText(), QStringLiteral("Teclado A"));
    expectInput("Conectada", secondary);

    // Other devices coming and going neither change nor store the choice.
    QSignalSpy selections(monitor.get(), &MIDIDeviceMonitor::selectedInputIDChanged);
    QSignalSpy stored(&harness.defaults(), &DefaultsStore::valueChanged);
    state->sources.push_back(endpoint(3, 103, "Controlador"));
    monitor->refresh();
    EXPECT_EQ(itemsOf(input), (QStringList{"Todas as entradas", "Controlador", "Teclado A"}));
    EXPECT_EQ(input->currentText(), QStringLiteral("Teclado A"));
    state->sources.pop_back();
    monitor->refresh();
    EXPECT_EQ(input->currentText(), QStringLiteral("Teclado A"));
    EXPECT_EQ(selections.count(), 0);
    for (const auto& change : stored)
        EXPECT_NE(change.at(0).toString(), QString::fromLatin1(MIDIDeviceMonitor::selectedInputPreferenceKey));
    EXPECT_EQ(harness.defaults().integerValue(MIDIDeviceMonitor::selectedInputPreferenceKey), 101);

    // Unplugged: still chosen, listed under its remembered name.
    state->sources.erase(state->sources.begin());
    monitor->refresh();
    EXPECT_EQ(itemsOf(input), (QStringList{"Todas as entradas", "Teclado A" + unavailable}));
    EXPECT_EQ(input->currentText(), "Teclado A" + unavailable);
    EXPECT_EQ(input->currentData().toInt(), 101);
    expectInput("Aguardando dispositivo", settingsOrange());
    // Picking it again is no change.
    QSignalSpy reselections(monitor.get(), &MIDIDeviceMonitor::selectedInputIDChanged);
    pick(input, "Teclado A" + unavailable);
    EXPECT_EQ(reselections.count(), 0);

    // Listed but offline: still only the unavailable option.
    state->sources.insert(state->sources.begin(), endpoint(1, 101, "Teclado A", true));
    monitor->refresh();
    EXPECT_EQ(itemsOf(input), (QStringList{"Todas as entradas", "Teclado A" + unavailable}));

    // Back online, but the connection fails once.
    state->sources.front() = endpoint(1, 101, "Teclado A");
    state->connectFailures[1] = {midiStatus::portFailure};
    monitor->refresh();
    EXPECT_EQ(itemsOf(input), (QStringList{"Todas as entradas", "Teclado A"}));
    expectInput("Erro de conexão", settingsRed());
    monitor->refresh();
    expectInput("Conectada", secondary);

    pick(input, "Todas as entradas");
    EXPECT_FALSE(monitor->selectedInputID());
    EXPECT_FALSE(harness.defaults().contains(MIDIDeviceMonitor::selectedInputPreferenceKey));
    expectInput("Ouvindo todas", secondary);
}

TEST_F(MIDISettingsFormTest, AStoredChoiceWithoutANameIsAnUnnamedUnavailableInput)
{
    harness.defaults().setInteger(MIDIDeviceMonitor::selectedInputPreferenceKey, 999);
    harness.defaults().setInteger(MIDIDeviceMonitor::selectedOutputPreferenceKey, 998);
    state->sources.clear();
    state->destinations.clear();
    make();
    EXPECT_EQ(itemsOf(form().inputPicker()), (QStringList{"Todas as entradas", "Entrada MIDI" + unavailable}));
    EXPECT_EQ(form().inputPicker()->currentIndex(), 1);
    expectInput("Aguardando dispositivo", settingsOrange());
    EXPECT_EQ(itemsOf(form().outputPicker()), (QStringList{"Instrumento interno", "Saída MIDI" + unavailable}));
    EXPECT_EQ(form().outputPicker()->currentIndex(), 1);
    expectOutput("Instrumento interno temporariamente", settingsOrange());
    // Showing them changed nothing stored.
    EXPECT_EQ(harness.defaults().integerValue(MIDIDeviceMonitor::selectedInputPreferenceKey), 999);
    EXPECT_EQ(harness.defaults().integerValue(MIDIDeviceMonitor::selectedOutputPreferenceKey), 998);
}

TEST_F(MIDISettingsFormTest, OutputShowsFourStatesWithASendErrorFirst)
{
    make();
    QComboBox* output = form().outputPicker();
    EXPECT_EQ(itemsOf(output), (QStringList{"Instrumento interno", "Sintetizador"}));
    expectOutput("Instrumento interno", secondary);

    pick(output, "Sintetizador");
    EXPECT_EQ(monitor->selectedOutputID(), 201);
    expectOutput("Conectada", secondary);

    state->sendStatuses = {midiStatus::sendFailed};
    EXPECT_FALSE(monitor->sendNoteOn(60, 100, 0));
    expectOutput("Erro MIDI -4", settingsRed());
    EXPECT_TRUE(monitor->sendNoteOn(60, 100, 0));
    expectOutput("Conectada", secondary);

    state->destinations.clear();
    monitor->refresh();
    EXPECT_EQ(itemsOf(output), (QStringList{"Instrumento interno", "Sintetizador" + unavailable}));
    EXPECT_EQ(output->currentIndex(), 1);
    expectOutput("Instrumento interno temporariamente", settingsOrange());

    // The refresh button lists the devices again.
    state->destinations = {endpoint(11, 201, "Sintetizador")};
    form().refreshButton()->click();
    EXPECT_EQ(itemsOf(output), (QStringList{"Instrumento interno", "Sintetizador"}));
    expectOutput("Conectada", secondary);

    pick(output, "Instrumento interno");
    EXPECT_FALSE(monitor->selectedOutputID());
    expectOutput("Instrumento interno", secondary);
}

namespace {

TEST_F(MIDISettingsFormTest, AKeyboardUnpluggedAndPluggedInShowsEachStateWithoutARefreshByHand)
{
    make();
    pick(form().inputPicker(), "Teclado A");
    expectInput("Conectada", secondary);
    ASSERT_TRUE(state->changed);

    // The system announces it; the tab follows at the next turn of the event loop.
    state->sources.erase(state->sources.begin());
    state->changed();
    QTest::qWait(20);
    expectInput("Aguardando dispositivo", settingsOrange());
    EXPECT_EQ(form().inputPicker()->currentText(), "Teclado A" + unavailable);

    // Back as another port of the same device.
    state->sources.insert(state->sources.begin(), endpoint(7, 101, "Teclado A"));
    state->changed();
    QTest::qWait(20);
    expectInput("Conectada", secondary);
    EXPECT_EQ(itemsOf(form().inputPicker()), (QStringList{"Todas as entradas", "Teclado A"}));
    EXPECT_TRUE(state->connected.contains(7));
    EXPECT_FALSE(state->connected.contains(1));
}

} // namespace
