// The settings file's alerts: a file that cannot be written is said once a
// launch and nothing on disk is overwritten; a damaged file set aside at start
// is said once, naming the copy.
#include <QWidget>

#include <unistd.h>

#include "CorvaneApp/window/CorvaneApplication.hpp"
#include "CorvaneApp/window/MainWindow.hpp"
#include "CorvaneApp/window/SettingsFileAlert.hpp"
#include "CorvaneLibrary/DefaultsStore.hpp"
#include "WindowTestSupport.hpp"

using namespace corvane;

namespace {

std::string contents(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A folder the store cannot write to: read-only for a normal user; for root,
// who writes anyway, every write's last step fails as a full disk would.
void refuseWrites(DefaultsStore& store, const std::filesystem::path& folder)
{
    if (::geteuid() != 0) {
        std::filesystem::permissions(folder, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
        return;
    }
    store.setRenameFunction([](const std::filesystem::path&, const std::filesystem::path&, std::string& error) {
        error = "No space left on device";
        return false;
    });
}

} // namespace

TEST(SettingsFileAlert, AnUnwritableFileIsSaidOnceAndNothingIsOverwritten)
{
    FileFolder folder;
    const auto file = folder.path() / "defaults.json";
    {
        DefaultsStore first(file);
        first.setInteger("practice.inputLatencyMilliseconds", 20);
    }
    const std::string before = contents(file);
    ASSERT_FALSE(before.empty());

    QWidget window;
    window.show();
    DefaultsStore store(file);
    SettingsFileAlert alert(&window, store);
    refuseWrites(store, folder.path());
    store.setInteger("practice.inputLatencyMilliseconds", 80);
    store.flush();
    ASSERT_NE(alert.visibleBox(), nullptr);
    EXPECT_EQ(alert.visibleBox()->text(), SettingsFileAlert::writeFailedMessage(file).title);
    EXPECT_TRUE(alert.visibleBox()->informativeText().contains(QString::fromStdString(file.string())));
    ASSERT_TRUE(clickButton(alert.visibleBox(), QStringLiteral("OK")));
    processEventsFor(std::chrono::milliseconds(50));

    // Later failures of the same launch stay quiet; the value lives on in memory.
    store.setInteger("practice.inputLatencyMilliseconds", 90);
    store.flush();
    processEventsFor(std::chrono::milliseconds(50));
    EXPECT_EQ(alert.visibleBox(), nullptr);
    EXPECT_EQ(store.integerValue("practice.inputLatencyMilliseconds"), 90);
    EXPECT_EQ(contents(file), before);
    std::filesystem::permissions(folder.path(), std::filesystem::perms::owner_all);
}

TEST(SettingsFileAlert, ADamagedFileSetAsideIsSaidOnceWithItsCopy)
{
    FileFolder folder;
    const auto file = folder.path() / "defaults.json";
    std::ofstream(file) << "{\"values\": [1, 2";

    QWidget window;
    window.show();
    DefaultsStore store(file);
    SettingsFileAlert alert(&window, store);
    alert.reportSetAside();
    ASSERT_TRUE(store.setAsideFile());
    ASSERT_NE(alert.visibleBox(), nullptr);
    EXPECT_EQ(alert.visibleBox()->text(), QStringLiteral("Os ajustes salvos não puderam ser lidos"));
    EXPECT_TRUE(alert.visibleBox()->informativeText().contains(QString::fromStdString(store.setAsideFile()->string())));
    EXPECT_EQ(contents(*store.setAsideFile()), "{\"values\": [1, 2");
    ASSERT_TRUE(clickButton(alert.visibleBox(), QStringLiteral("OK")));
    processEventsFor(std::chrono::milliseconds(50));
    alert.reportSetAside();
    EXPECT_EQ(alert.visibleBox(), nullptr);

    // A sound file says nothing.
    FileFolder other;
    DefaultsStore sound(other.path() / "defaults.json");
    SettingsFileAlert quiet(&window, sound);
    quiet.reportSetAside();
    EXPECT_EQ(quiet.visibleBox(), nullptr);
}

TEST(SettingsFileAlert, TheApplicationSaysASetAsideFileOnceItsServicesAreUp)
{
    sharedJackServer();
    FileFolder folder;
    const auto file = folder.path() / "defaults.json";
    std::ofstream(file) << "não é json";
    DefaultsStore defaults(file);
    CorvaneApplication application(defaults);
    application.start();
    ASSERT_TRUE(processEventsUntil([&] { return application.practiceStore() != nullptr; }));
    QMessageBox* box = nullptr;
    ASSERT_TRUE(processEventsUntil([&] {
        box = application.mainWindow().findChild<QMessageBox*>(QStringLiteral("settingsFileAlert"));
        return box && box->isVisible();
    }));
    ASSERT_TRUE(defaults.setAsideFile());
    EXPECT_TRUE(box->informativeText().contains(QString::fromStdString(defaults.setAsideFile()->string())));
}
