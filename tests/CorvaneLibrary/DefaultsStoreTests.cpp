#include "LibraryTestSupport.hpp"

#include "CorvaneLibrary/DefaultsStore.hpp"


#include <cmath>
#include <condition_variable>
#include <mutex>
#include <fstream>
#include <sstream>

using namespace corvane;
using corvane::testing::processEventsUntil;
using corvane::testing::readFile;
using corvane::testing::TemporaryFolder;

namespace {

std::vector<std::filesystem::path> filesIn(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) files.push_back(entry.path());
    return files;
}

} // namespace

TEST(DefaultsStore, EveryTypeSurvivesReopeningTheFile) {
    TemporaryFolder folder;
    const auto file = folder.path() / "config" / "defaults.json";
    std::vector<std::uint8_t> allBytes;
    for (int i = 0; i < 256; ++i) allBytes.push_back(static_cast<std::uint8_t>(i));
    {
        DefaultsStore store(file);
        store.setBool("b", true);
        store.setInteger("i", INT64_MIN);
        store.setInteger("max", INT64_MAX);
        store.setDouble("d", 0.1);
        store.setDouble("nan", std::nan(""));
        store.setDouble("inf", -INFINITY);
        store.setString("s", "Peça nº 2 “aspas”");
        store.setData("data", allBytes);
        store.setData("empty", {});
    }
    DefaultsStore reopened(file);
    EXPECT_EQ(reopened.boolValue("b"), true);
    EXPECT_EQ(reopened.integerValue("i"), INT64_MIN);
    EXPECT_EQ(reopened.integerValue("max"), INT64_MAX);
    EXPECT_EQ(reopened.doubleValue("d"), 0.1);
    ASSERT_TRUE(reopened.doubleValue("nan"));
    EXPECT_TRUE(std::isnan(*reopened.doubleValue("nan")));
    EXPECT_EQ(reopened.doubleValue("inf"), -INFINITY);
    EXPECT_EQ(reopened.stringValue("s"), "Peça nº 2 “aspas”");
    EXPECT_EQ(reopened.dataValue("data"), allBytes);
    EXPECT_EQ(reopened.dataValue("empty"), std::vector<std::uint8_t>{});
    EXPECT_FALSE(reopened.setAsideFile());
}

TEST(DefaultsStore, ReadingAKeyAsAnotherTypeGivesAbsent) {
    TemporaryFolder folder;
    DefaultsStore store(folder.path() / "d.json");
    store.setInteger("n", 1);
    store.setString("text", "1");
    EXPECT_EQ(store.doubleValue("n"), 1.0) << "an integer is also a number";
    EXPECT_FALSE(store.boolValue("n"));
    EXPECT_FALSE(store.stringValue("n"));
    EXPECT_FALSE(store.integerValue("text"));
    EXPECT_FALSE(store.dataValue("text"));
    EXPECT_FALSE(store.integerValue("missing"));
    EXPECT_TRUE(store.contains("n"));
    store.remove("n");
    EXPECT_FALSE(store.contains("n"));
    store.flush();
    EXPECT_FALSE(DefaultsStore(folder.path() / "d.json").contains("n"));
}

TEST(DefaultsStore, SignalsOnlyRealChanges) {
    TemporaryFolder folder;
    DefaultsStore store(folder.path() / "d.json");
    std::vector<QString> changed;
    QObject::connect(&store, &DefaultsStore::valueChanged, [&](const QString& key) { changed.push_back(key); });
    store.setString("k", "a");
    store.setString("k", "a");
    store.setDouble("nan", std::nan(""));
    store.setDouble("nan", std::nan(""));
    store.remove("absent");
    store.setInteger("k", 1); // same key, other type: a change
    store.remove("k");
    EXPECT_EQ(changed, (std::vector<QString>{"k", "nan", "k", "k"}));
}

TEST(DefaultsStore, CorruptOrPartlyUnreadableFilesAreMovedAside) {
    TemporaryFolder folder;
    const auto file = folder.path() / "d.json";
    {
        std::ofstream(file) << "{\"format\":1,\"values\":{\"a\":{\"bool\":tr";
    }
    DefaultsStore corrupt(file);
    EXPECT_TRUE(corrupt.keys().empty());
    ASSERT_TRUE(corrupt.setAsideFile());
    EXPECT_EQ(readFile(*corrupt.setAsideFile()), "{\"format\":1,\"values\":{\"a\":{\"bool\":tr");
    EXPECT_FALSE(std::filesystem::exists(file));
    corrupt.setBool("fresh", true);
    corrupt.flush();
    EXPECT_EQ(DefaultsStore(file).boolValue("fresh"), true);

    // One bad value: the good ones are kept, the file itself is kept aside.
    {
        std::ofstream(file) << R"({"format":1,"values":{"good":{"integer":7},"bad":{"data":"%%%"},"odd":{"x":1}}})";
    }
    DefaultsStore partly(file);
    EXPECT_EQ(partly.integerValue("good"), 7);
    EXPECT_FALSE(partly.contains("bad"));
    ASSERT_TRUE(partly.setAsideFile());
    EXPECT_NE(readFile(*partly.setAsideFile()).find("%%%"), std::string::npos);
}

TEST(DefaultsStore, AFailedWriteKeepsTheOldFileAndTheNewValue) {
    TemporaryFolder folder;
    const auto file = folder.path() / "d.json";
    DefaultsStore store(file);
    store.setString("k", "old");
    store.flush();
    const std::string before = readFile(file);

    int failures = 0;
    QObject::connect(&store, &DefaultsStore::writeFailed, [&](const QString&) { ++failures; });
    bool renameWorks = false;
    store.setRenameFunction([&](const std::filesystem::path& from, const std::filesystem::path& to, std::string& error) {
        if (renameWorks) return AtomicFileWriter::systemRename(from, to, error);
        error = "simulated crash before rename";
        return false;
    });
    store.setString("k", "new");
    EXPECT_EQ(store.stringValue("k"), "new");
    store.flush();
    EXPECT_EQ(store.lastWriteError(), "simulated crash before rename");
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(readFile(file), before);
    EXPECT_EQ(DefaultsStore(file).stringValue("k"), "old");
    EXPECT_EQ(filesIn(folder.path()).size(), 1u) << "the temporary file must not be left behind";

    // Setting the same value again retries, so the file catches up.
    renameWorks = true;
    store.setString("k", "new");
    store.flush();
    EXPECT_FALSE(store.lastWriteError());
    EXPECT_EQ(DefaultsStore(file).stringValue("k"), "new");
}

TEST(DefaultsStore, AnUnwritableLocationDoesNotCrash) {
    TemporaryFolder folder;
    // A file where the folder should be: no write can succeed, even as root.
    const std::string blocker = folder.file("blocker", "x");
    DefaultsStore store(std::filesystem::path(blocker) / "d.json");
    store.setInteger("k", 3);
    EXPECT_EQ(store.integerValue("k"), 3);
    store.flush();
    EXPECT_TRUE(store.lastWriteError());
}

TEST(DefaultsStore, StandardFileFollowsXDGConfigHome) {
    const char* previous = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = previous ? previous : "";
    ::setenv("XDG_CONFIG_HOME", "/tmp/xdg-test", 1);
    EXPECT_EQ(DefaultsStore::standardFile(), std::filesystem::path("/tmp/xdg-test/brelmo/defaults.json"));
    ::setenv("XDG_CONFIG_HOME", "relative", 1); // not absolute: ignored, as XDG says
    EXPECT_EQ(DefaultsStore::standardFile().filename(), "defaults.json");
    EXPECT_NE(DefaultsStore::standardFile().string().rfind("relative", 0), 0u);
    if (previous) ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else ::unsetenv("XDG_CONFIG_HOME");
}

TEST(DefaultsStore, ChangesMadeWhileAWriteRunsAreWrittenByTheNextOne) {
    TemporaryFolder folder;
    const auto file = folder.path() / "d.json";
    DefaultsStore store(file);
    // Holds the first write inside its rename until the test lets it go.
    std::mutex gate;
    std::condition_variable changed;
    bool writing = false, release = false;
    int renames = 0;
    store.setRenameFunction([&](const std::filesystem::path& from, const std::filesystem::path& to, std::string& error) {
        std::unique_lock lock(gate);
        if (++renames == 1) {
            writing = true;
            changed.notify_all();
            changed.wait(lock, [&] { return release; });
        }
        return AtomicFileWriter::systemRename(from, to, error);
    });
    store.setInteger("first", 1);
    {
        std::unique_lock lock(gate);
        changed.wait(lock, [&] { return writing; });
    }
    for (int i = 0; i < 50; ++i) store.setInteger("during", i);
    store.remove("first");
    {
        std::lock_guard lock(gate);
        release = true;
    }
    changed.notify_all();
    store.flush();
    EXPECT_EQ(renames, 2) << "the changes made meanwhile share one write";
    DefaultsStore reopened(file);
    EXPECT_EQ(reopened.integerValue("during"), 49);
    EXPECT_FALSE(reopened.contains("first"));
    EXPECT_FALSE(store.lastWriteError());
}

TEST(DefaultsStore, AFailureIsReportedOnceThroughTheEventLoopWithoutFlush) {
    TemporaryFolder folder;
    const std::string blocker = folder.file("blocker", "x");
    DefaultsStore store(std::filesystem::path(blocker) / "d.json");
    std::vector<QString> failures;
    QObject::connect(&store, &DefaultsStore::writeFailed, [&](const QString& message) { failures.push_back(message); });
    store.setInteger("k", 3);
    EXPECT_TRUE(failures.empty()) << "the write is not made on the calling thread";
    ASSERT_TRUE(processEventsUntil([&] { return !failures.empty(); }));
    store.flush();
    QCoreApplication::processEvents();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].toStdString(), store.lastWriteError());
}

TEST(DefaultsStore, DestroyingTheStoreWritesWhatIsPending) {
    TemporaryFolder folder;
    const auto file = folder.path() / "d.json";
    {
        DefaultsStore store(file);
        for (int i = 0; i < 100; ++i) store.setInteger("n" + std::to_string(i % 10), i);
    }
    DefaultsStore reopened(file);
    EXPECT_EQ(reopened.keys().size(), 10u);
    EXPECT_EQ(reopened.integerValue("n9"), 99);
}
