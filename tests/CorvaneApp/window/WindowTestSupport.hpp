#pragma once

#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPushButton>
#include <QtTest/QTest>

#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>

#include "CorvaneApp/ControllerHarness.hpp"
#include "support/QtEventLoop.hpp"
#include "support/SMFWriter.hpp"
#include "support/TestFolder.hpp"

// A folder of its own for the files a test writes.
class FileFolder : public TestFolder {
public:
    FileFolder() : TestFolder("brelmo-window-test") {}

    // A short tune: a conductor track and one track of four notes.
    std::filesystem::path song(const std::string& name) const
    {
        smf::Track conductor;
        conductor.tempo(0, 500000).timeSignature(0, 4, 2).endOfTrack();
        smf::Track melody;
        melody.name(0, "Melodia");
        for (std::uint8_t pitch : {60, 62, 64, 65}) melody.noteOn(0, pitch).noteOff(480, pitch);
        melody.endOfTrack();
        return write(name, smf::file(1, 480, {conductor, melody}));
    }
};

// Clicks the button of `box` whose text is `text`; false when it has none.
inline bool clickButton(QMessageBox* box, const QString& text)
{
    for (auto button : box->buttons()) {
        if (button->text() == text) {
            button->click();
            return true;
        }
    }
    return false;
}
