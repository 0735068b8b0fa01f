// The "Fundo" category on its own, with photos and broken files written by
// the tests themselves.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest/QTest>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "CorvaneApp/ControllerHarness.hpp"
#include "CorvaneApp/inspector/VisualBackgroundInspectorView.hpp"
#include "CorvaneApp/kit/internal/ColorSpectrumPicker.hpp"
#include "CorvaneApp/kit/StudioColorRow.hpp"
#include "CorvaneApp/kit/StudioMenuRow.hpp"
#include "CorvaneApp/kit/StudioParameterRow.hpp"
#include "CorvaneApp/kit/StudioSection.hpp"
#include "CorvaneApp/kit/StudioSegmentedPicker.hpp"
#include "CorvaneApp/kit/StudioTrackSlider.hpp"
#include "support/QtEventLoop.hpp"
#include "support/TestFolder.hpp"

using namespace corvane;
using Channel = ColorSpectrumPicker::Channel;
namespace fs = std::filesystem;

namespace {

const std::string notAnImage = "O arquivo selecionado não contém uma imagem compatível.";
const std::string unreadable = "Não foi possível ler a foto selecionada.";

// What changed in the look, as JSON patch operations.
nlohmann::json changes(const nlohmann::json& before, const PracticeSessionStore& c)
{
    return nlohmann::json::diff(before, encodeJSON(c.visualPreset()));
}

fs::path writeImage(const TestFolder& folder, const std::string& name, QSize size, const char* format)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(40, 90, 160));
    const fs::path file = folder.path() / fs::u8path(name);
    EXPECT_TRUE(image.save(QString::fromStdString(file.string()), format));
    return file;
}

fs::path writeText(const TestFolder& folder, const std::string& name, const std::string& text)
{
    const fs::path file = folder.path() / fs::u8path(name);
    std::ofstream(file, std::ios::binary) << text;
    return file;
}

// Drags a slider far past each end in turn.
void dragTo(StudioTrackSlider* slider, bool upper)
{
    if (slider->width() < 50) slider->resize(214, 20);
    const QPoint point(upper ? slider->width() + 500 : -500, slider->height() / 2);
    QTest::mousePress(slider, Qt::LeftButton, {}, point);
    QTest::mouseRelease(slider, Qt::LeftButton, {}, point);
}

} // namespace

class VisualBackgroundInspectorTest : public ::testing::Test {
protected:
    PracticeSessionStore& c() { return harness.controller(); }

    // A look with every backdrop value off the rows' steps, so that each end
    // of each row is a change.
    void offStepLook()
    {
        VisualPreset preset = c().visualPreset();
        auto& b = preset.background;
        for (double* value : {&b.topHue, &b.topSaturation, &b.topBrightness, &b.bottomHue, &b.bottomSaturation,
                              &b.bottomBrightness, &b.gridHue, &b.gridSaturation, &b.gridBrightness, &b.gridOpacity,
                              &b.grainIntensity, &b.opacity})
            *value = 0.555;
        c().setVisualPreset(preset);
    }

    void show()
    {
        view = std::make_unique<VisualBackgroundInspectorView>(c());
        view->resize(230, 700);
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    }

    // Through the importer, as the user does it.
    void choose(const fs::path& file, QAbstractButton* button)
    {
        ASSERT_TRUE(button->isVisible());
        button->click();
        QFileDialog* dialog = view->fileDialog();
        ASSERT_NE(dialog, nullptr);
        ASSERT_TRUE(dialog->isVisible());
        EXPECT_TRUE(view->isChoosingImage());
        dialog->selectFile(QString::fromStdString(file.string()));
        // The dialog's own check runs: the file must exist.
        static_cast<QDialog*>(dialog)->accept();
        EXPECT_FALSE(view->isChoosingImage());
    }

    QString alertMessage() { return view->alert() ? view->alert()->informativeText() : QString(); }

    ControllerHarness harness{false};
    TestFolder folder{"brelmo-background"};
    std::unique_ptr<VisualBackgroundInspectorView> view;
};

TEST_F(VisualBackgroundInspectorTest, EveryRowWritesItsOneBackgroundField)
{
    offStepLook();
    // A photo, so that "Composição" takes input.
    c().selectBackgroundImage(writeImage(folder, "palco.png", {64, 48}, "PNG"));
    QSignalSpy published(&c(), &PracticeSessionStore::visualPresetChanged);
    show();
    EXPECT_EQ(published.count(), 0) << "showing an off-step look writes nothing";
    EXPECT_EQ(view->grainRow()->readoutText(), QStringLiteral("56%"));
    EXPECT_EQ(view->gridColorRow()->picker()->readoutText(Channel::opacity), QStringLiteral("55,5%"));

    struct Case {
        const char* name;
        std::function<StudioTrackSlider*()> slider;
        const char* path;
    };
    const auto channel = [this](StudioColorRow* (VisualBackgroundInspectorView::*row)() const, Channel which) {
        return [this, row, which] { return ((*view).*row)()->picker()->slider(which); };
    };
    using V = VisualBackgroundInspectorView;
    const std::vector<Case> cases{
        {"Cor superior H", channel(&V::topColorRow, Channel::hue), "/background/topHue"},
        {"Cor superior S", channel(&V::topColorRow, Channel::saturation), "/background/topSaturation"},
        {"Cor superior B", channel(&V::topColorRow, Channel::brightness), "/background/topBrightness"},
        {"Cor inferior H", channel(&V::bottomColorRow, Channel::hue), "/background/bottomHue"},
        {"Cor inferior S", channel(&V::bottomColorRow, Channel::saturation), "/background/bottomSaturation"},
        {"Cor inferior B", channel(&V::bottomColorRow, Channel::brightness), "/background/bottomBrightness"},
        {"Cor do grid H", channel(&V::gridColorRow, Channel::hue), "/background/gridHue"},
        {"Cor do grid S", channel(&V::gridColorRow, Channel::saturation), "/background/gridSaturation"},
        {"Cor do grid B", channel(&V::gridColorRow, Channel::brightness), "/background/gridBrightness"},
        {"Cor do grid A", channel(&V::gridColorRow, Channel::opacity), "/background/gridOpacity"},
        {"Grão", [this] { return view->grainRow()->slider(); }, "/background/grainIntensity"},
        {"Opacidade", [this] { return view->opacityRow()->slider(); }, "/background/opacity"},
    };
    for (const Case& row : cases) {
        for (const bool upper : {true, false}) {
            SCOPED_TRACE(std::string(row.name) + (upper ? " up" : " down"));
            StudioTrackSlider* slider = row.slider();
            ASSERT_NE(slider, nullptr);
            const auto before = encodeJSON(c().visualPreset());
            dragTo(slider, upper);
            const auto diff = changes(before, c());
            ASSERT_EQ(diff.size(), 1u) << diff.dump();
            EXPECT_EQ(diff[0]["path"], row.path);
            EXPECT_EQ(diff[0]["value"], upper ? 1.0 : 0.0);
        }
    }
    EXPECT_EQ(view->grainRow()->readoutText(), QStringLiteral("0%"));
    EXPECT_EQ(view->opacityRow()->readoutText(), QStringLiteral("0%"));
    EXPECT_EQ(view->topColorRow()->picker()->rowCount(), 3) << "only the grid has an opacity";

    // "Ajuste": two segments, each writing the content mode alone.
    ASSERT_EQ(view->contentModePicker()->count(), 2);
    auto before = encodeJSON(c().visualPreset());
    view->contentModePicker()->segmentButton(1)->click();
    auto diff = changes(before, c());
    ASSERT_EQ(diff.size(), 1u);
    EXPECT_EQ(diff[0]["path"], "/background/contentMode");
    EXPECT_EQ(diff[0]["value"], "fit");
    EXPECT_EQ(view->contentModePicker()->segmentButton(0)->text(), QStringLiteral("Preencher"));
    EXPECT_EQ(view->contentModePicker()->segmentButton(1)->text(), QStringLiteral("Caber"));

    // "Mistura": the 21 background labels in declaration order; no "Aditivo".
    QStringList labels;
    for (QAction* item : view->blendModeRow()->menu()->actions()) labels << item->text();
    EXPECT_EQ(labels, (QStringList{"Normal", "Multiplicar", "Tela", "Sobrepor", "Escurecer", "Clarear",
                                   "Subexposição de cor", "Superexposição de cor", "Luz suave", "Luz forte",
                                   "Diferença", "Exclusão", "Matiz", "Saturação", "Cor", "Luminosidade",
                                   "Origem sobre destino", "Destino sobre origem", "Remover destino", "Somar escuro",
                                   "Somar claro"}));
    EXPECT_EQ(view->blendModeRow()->value(), QStringLiteral("Multiplicar"));
    EXPECT_EQ(view->blendModeRow()->maxValueWidth(), 150);
    before = encodeJSON(c().visualPreset());
    view->blendModeRow()->menu()->actions()[19]->trigger();
    diff = changes(before, c());
    ASSERT_EQ(diff.size(), 1u);
    EXPECT_EQ(diff[0]["path"], "/background/blendMode");
    EXPECT_EQ(diff[0]["value"], "plusDarker");
    EXPECT_EQ(view->blendModeRow()->value(), QStringLiteral("Somar escuro"));
    published.clear();
    view->blendModeRow()->menu()->actions()[19]->trigger();
    EXPECT_EQ(published.count(), 0) << "the current mode again publishes nothing";

    // A restored look beyond the rows' ranges shows held to them, unwritten.
    VisualPreset wild = c().visualPreset();
    wild.background.grainIntensity = 1.7;
    wild.background.opacity = -0.4;
    c().setVisualPreset(wild);
    published.clear();
    EXPECT_EQ(view->grainRow()->readoutText(), QStringLiteral("100%"));
    EXPECT_EQ(view->opacityRow()->readoutText(), QStringLiteral("0%"));
    EXPECT_EQ(published.count(), 0);
    EXPECT_EQ(c().visualPreset().background.grainIntensity, 1.7);

    // The built-in grid opacity reads in tenths of a percent.
    c().resetVisualParameters();
    EXPECT_EQ(view->gridColorRow()->picker()->readoutText(Channel::opacity), QStringLiteral("0,5%"));
    EXPECT_EQ(view->grainRow()->readoutText(), QStringLiteral("35%"));
}

TEST_F(VisualBackgroundInspectorTest, PhotoIsChosenReplacedAndRemovedThroughTheImporter)
{
    show();
    // No photo: the empty state, and "Composição" inert.
    EXPECT_FALSE(view->showsPreview());
    EXPECT_TRUE(view->emptyState()->isVisible());
    EXPECT_EQ(view->emptyState()->title(), QStringLiteral("Sem foto"));
    EXPECT_EQ(view->emptyState()->description(), QStringLiteral("Use uma imagem como fundo da área de prática."));
    EXPECT_EQ(view->emptyState()->systemImage(), QStringLiteral("photo"));
    EXPECT_EQ(view->chooseButton()->text(), QStringLiteral("Escolher foto"));
    EXPECT_EQ(view->chooseButton()->property("systemImage").toString(), QStringLiteral("photo.badge.plus"));
    EXPECT_FALSE(view->preview()->isVisible());
    EXPECT_FALSE(view->compositionSection()->content()->isEnabled());
    EXPECT_EQ(view->stageSection()->title(), QStringLiteral("Palco"));
    EXPECT_EQ(view->photoSection()->title(), QStringLiteral("Foto"));
    EXPECT_EQ(view->compositionSection()->title(), QStringLiteral("Composição"));
    const auto before = encodeJSON(c().visualPreset());
    dragTo(view->opacityRow()->slider(), false);
    EXPECT_EQ(changes(before, c()).size(), 0u) << "a disabled row takes no drag";

    // Cancelling the importer changes nothing.
    QSignalSpy published(&c(), &PracticeSessionStore::visualPresetChanged);
    view->chooseButton()->click();
    ASSERT_NE(view->fileDialog(), nullptr);
    view->fileDialog()->reject();
    EXPECT_FALSE(view->isChoosingImage());
    EXPECT_EQ(published.count(), 0);
    EXPECT_FALSE(c().backgroundImageURL());

    // A large phone photo, beyond Qt's default allocation limit when decoded whole.
    const fs::path large = writeImage(folder, "telefone.jpg", {8064, 6048}, "JPG");
    const int decodes = VisualBackgroundInspectorView::previewDecodeCount();
    choose(large, view->chooseButton());
    EXPECT_EQ(c().backgroundImageError(), std::nullopt);
    EXPECT_EQ(c().backgroundImageURL(), large.string());
    ASSERT_TRUE(view->showsPreview());
    EXPECT_TRUE(view->preview()->isVisible());
    EXPECT_FALSE(view->emptyState()->isVisible());
    EXPECT_EQ(view->preview()->accessibleName(), QStringLiteral("Prévia da foto de fundo"));
    EXPECT_EQ(view->preview()->height(), 112);
    // Decoded to the frame, not to the photo.
    EXPECT_EQ(view->preview()->photo().size(), QSize(view->preview()->width(), 112) * view->devicePixelRatioF());
    EXPECT_EQ(view->fileNameLabel()->text(), QStringLiteral("telefone.jpg"));
    EXPECT_EQ(view->replaceButton()->text(), QStringLiteral("Trocar foto"));
    EXPECT_EQ(view->removeButton()->text(), QStringLiteral("Remover"));
    EXPECT_TRUE(view->compositionSection()->content()->isEnabled());
    EXPECT_EQ(VisualBackgroundInspectorView::previewDecodeCount(), decodes + 1);

    // Steps of the look never decode again; nor does a new page over the same file.
    for (int i = 0; i < 5; ++i) view->grainRow()->slider()->accessibleIncrement();
    auto again = std::make_unique<VisualBackgroundInspectorView>(c());
    again->resize(230, 700);
    again->show();
    EXPECT_TRUE(again->showsPreview());
    again.reset();
    EXPECT_EQ(VisualBackgroundInspectorView::previewDecodeCount(), decodes + 1);

    // "Trocar foto" puts another photo in its place; a symlink keeps its own name.
    const fs::path png = writeImage(folder, "jardim.png", {300, 200}, "PNG");
    const fs::path link = folder.path() / "atalho para o jardim.png";
    fs::create_symlink(png, link);
    choose(link, view->replaceButton());
    EXPECT_EQ(c().backgroundImageURL(), link.string());
    ASSERT_TRUE(c().visualPreset().background.imageReference);
    EXPECT_EQ(c().visualPreset().background.imageReference->path, link.string());
    EXPECT_TRUE(view->showsPreview());
    EXPECT_EQ(view->fileNameLabel()->text(), QStringLiteral("atalho para o jardim.png"));

    // "Remover" drops the reference, the file and any message; "Composição" is inert again.
    c().setBackgroundImageError(std::string("antiga"));
    ASSERT_NE(view->alert(), nullptr);
    view->removeButton()->click();
    EXPECT_FALSE(c().visualPreset().background.imageReference);
    EXPECT_FALSE(c().backgroundImageURL());
    EXPECT_EQ(c().backgroundImageError(), std::nullopt);
    EXPECT_EQ(view->alert(), nullptr);
    EXPECT_FALSE(view->showsPreview());
    EXPECT_TRUE(view->chooseButton()->isVisible());
    EXPECT_EQ(view->fileNameLabel()->text(), QString());
    EXPECT_FALSE(view->compositionSection()->content()->isEnabled());
}

TEST_F(VisualBackgroundInspectorTest, BadFilesKeepThePhotoAndTheAlertTellsWhy)
{
    // A long name with spaces and accents: one line, cut in the middle.
    const std::string longName =
        "Pôr do sol na praia de São Marcos, em São Luís do Maranhão — fotografia tirada às 18h07.png";
    const fs::path good = writeImage(folder, longName, {120, 90}, "PNG");
    c().selectBackgroundImage(good);
    ASSERT_EQ(c().backgroundImageError(), std::nullopt);
    show();
    ASSERT_TRUE(view->showsPreview());
    EXPECT_EQ(view->fileNameLabel()->text(), QString::fromStdString(longName));
    const QString shown = view->fileNameLabel()->shownText();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("Pôr do sol"))) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(QStringLiteral("18h07.png"))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QChar(0x2026)));
    EXPECT_LE(view->fileNameLabel()->fontMetrics().horizontalAdvance(shown), view->fileNameLabel()->width());
    EXPECT_EQ(view->fileNameLabel()->height(), view->fileNameLabel()->fontMetrics().height());

    const auto kept = c().visualPreset().background.imageReference;
    const auto expectRefused = [&](const fs::path& file, const std::string& message, bool viaImporter = true) {
        SCOPED_TRACE(file.filename().string());
        if (viaImporter) choose(file, view->replaceButton());
        else c().selectBackgroundImage(file);
        EXPECT_EQ(c().backgroundImageError(), message);
        EXPECT_EQ(c().visualPreset().background.imageReference, kept);
        EXPECT_EQ(c().backgroundImageURL(), good.string());
        EXPECT_TRUE(view->showsPreview());
        ASSERT_NE(view->alert(), nullptr);
        EXPECT_EQ(view->alert()->text(), QStringLiteral("Não foi possível usar a foto"));
        EXPECT_EQ(alertMessage(), QString::fromStdString(message));
        // "OK" closes it and the message with it.
        ASSERT_EQ(view->alert()->buttons().size(), 1);
        EXPECT_EQ(view->alert()->buttons()[0]->text(), QStringLiteral("OK"));
        view->alert()->buttons()[0]->click();
        EXPECT_EQ(view->alert(), nullptr);
        EXPECT_EQ(c().backgroundImageError(), std::nullopt);
    };
    expectRefused(writeText(folder, "texto.png", "isto não é uma imagem\n"), notAnImage);
    expectRefused(writeText(folder, "vazio.png", ""), notAnImage);
    expectRefused(folder.path(), unreadable, false); // a folder
    const fs::path huge = folder.path() / "enorme.png";
    std::ofstream(huge).close();
    fs::resize_file(huge, PracticeSessionStore::maximumBackgroundImageBytes + 1);
    expectRefused(huge, unreadable);
    // 16384 × 16384: a PNG is decoded whole, a gigabyte the stage could never draw.
    const fs::path panorama = folder.path() / "panorama.png";
    {
        QImage wide(16384, 16384, QImage::Format_Mono);
        wide.fill(0);
        ASSERT_TRUE(wide.save(QString::fromStdString(panorama.string()), "PNG"));
    }
    expectRefused(panorama, notAnImage);
    const fs::path locked = writeImage(folder, "trancada.png", {10, 10}, "PNG");
    ::chmod(locked.c_str(), 0);
    // The superuser reads it anyway; the case only means something for everyone else.
    if (::access(locked.c_str(), R_OK) != 0) expectRefused(locked, unreadable);

    // Escape (the window closed) clears the message too; an empty message reads as unknown.
    c().setBackgroundImageError(std::string());
    ASSERT_NE(view->alert(), nullptr);
    EXPECT_EQ(alertMessage(), QStringLiteral("Erro desconhecido"));
    QTest::keyClick(view->alert(), Qt::Key_Escape);
    EXPECT_EQ(view->alert(), nullptr);
    EXPECT_EQ(c().backgroundImageError(), std::nullopt);

    // The alert belongs to the view on screen: hidden, it waits with the message kept.
    view->hide();
    c().setBackgroundImageError(std::string("A foto de fundo não pôde ser aberta. Escolha o arquivo novamente."));
    EXPECT_EQ(view->alert(), nullptr);
    view->show();
    ASSERT_NE(view->alert(), nullptr);
    view->hide();
    EXPECT_EQ(view->alert(), nullptr);
    EXPECT_TRUE(c().backgroundImageError());
    c().setBackgroundImageError(std::nullopt);

    // The file deleted behind the controller's back: the next page shows
    // "Sem foto" while the reference still enables "Composição".
    fs::remove(good);
    view = std::make_unique<VisualBackgroundInspectorView>(c());
    view->resize(230, 700);
    view->show();
    EXPECT_FALSE(view->showsPreview());
    EXPECT_TRUE(view->chooseButton()->isVisible());
    EXPECT_TRUE(view->compositionSection()->content()->isEnabled());
    EXPECT_EQ(view->fileNameLabel()->text(), QString::fromStdString(longName));
}
