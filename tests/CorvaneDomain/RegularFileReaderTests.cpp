#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <optional>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "CorvaneDomain/RegularFileReader.hpp"
#include "CorvaneDomain/StandardMIDIFileParser.hpp"

using namespace corvane;

namespace {

class RegularFileReaderTest : public ::testing::Test {
protected:
    std::filesystem::path dir;

    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "brelmo-reader-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override
    {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    std::filesystem::path write(const std::string& name, const std::string& content)
    {
        const auto path = dir / name;
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
};

// The error code that reading `path` throws, or none when it reads.
std::optional<std::error_code> readFailure(const std::filesystem::path& path, std::uintmax_t maximumBytes = 1024)
{
    try {
        readRegularFile(path, maximumBytes);
        return std::nullopt;
    } catch (const std::system_error& error) {
        return error.code();
    }
}

} // namespace

TEST_F(RegularFileReaderTest, ReadsARegularFileWhole)
{
    std::string content(200'000, '\0');
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7);
    const auto path = write("song.mid", content);
    const auto bytes = readRegularFile(path, content.size());
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), content) << "a file exactly at the limit reads";
    EXPECT_TRUE(readRegularFile(write("empty", ""), 0).empty());
}

TEST_F(RegularFileReaderTest, RefusesWhatIsNotARegularFileWithinTheLimit)
{
    EXPECT_EQ(readFailure(dir), std::make_error_code(std::errc::is_a_directory));
    EXPECT_EQ(readFailure("/dev/null"), std::make_error_code(std::errc::invalid_argument));
    EXPECT_EQ(readFailure(write("big", std::string(1025, 'x'))), std::make_error_code(std::errc::file_too_large));
    EXPECT_EQ(readFailure(dir / "missing.mid"), std::make_error_code(std::errc::no_such_file_or_directory));
}

TEST_F(RegularFileReaderTest, AFIFOWithoutAWriterIsRefusedAtOnce)
{
    const auto fifo = dir / "pipe.mid";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto failure = std::async(std::launch::async, [&] { return readFailure(fifo); });
    if (failure.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        // Let the blocked reader go, so that the test fails instead of hanging.
        const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0) ::close(writer);
        FAIL() << "reading a FIFO blocked";
    }
    EXPECT_EQ(failure.get(), std::make_error_code(std::errc::invalid_argument));
}

TEST_F(RegularFileReaderTest, AnUnreadableFilePassesThePermissionErrorOn)
{
    const auto path = write("locked.mid", "MThd");
    std::filesystem::permissions(path, std::filesystem::perms::none);
    if (::access(path.c_str(), R_OK) == 0) GTEST_SKIP() << "running with the right to read every file";
    EXPECT_EQ(readFailure(path), std::make_error_code(std::errc::permission_denied));
}

TEST_F(RegularFileReaderTest, TheMIDIParserRefusesFilesBeyondItsLimitBeforeReadingThem)
{
    // Sparse: takes no disk space.
    const auto path = write("huge.mid", "MThd");
    std::filesystem::resize_file(path, StandardMIDIFileParser::maximumFileBytes + 1);
    try {
        StandardMIDIFileParser{}.parseContentsOf(path);
        FAIL() << "a file beyond the limit was parsed";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code(), std::make_error_code(std::errc::file_too_large));
    }
    EXPECT_THROW(StandardMIDIFileParser{}.parseContentsOf("/dev/zero"), std::system_error);
}
