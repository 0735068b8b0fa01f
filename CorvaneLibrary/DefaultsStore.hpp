#pragma once

#include "CorvaneLibrary/AtomicFileWriter.hpp"

#include <QObject>
#include <QString>

#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <variant>
#include <vector>

namespace corvane {

// The application's small persistent settings: typed values by key, kept in
// one JSON file. A change takes effect in memory at once; the file is written
// atomically (so a crash never leaves a half-written file) by one background
// writer, which folds the changes made while it writes into its next write, so
// that a change costs the calling thread no disk time. A file that cannot be
// read is moved aside and the store starts empty rather than failing.
//
// The file is read and decoded on a thread of its own, started by the
// constructor, so that a large file does not hold up the first window; the
// first call that needs the values waits for them.
//
// Safe to call from any thread; `valueChanged` is emitted on the calling
// thread, and only when the stored value actually changed. `writeFailed` is
// emitted on the store's thread.
class DefaultsStore : public QObject {
    Q_OBJECT
public:
    using Value = std::variant<bool, std::int64_t, double, std::string, std::vector<std::uint8_t>>;

    explicit DefaultsStore(std::filesystem::path file, QObject* parent = nullptr);
    // Writes what is still pending.
    ~DefaultsStore() override;
    // $XDG_CONFIG_HOME (or ~/.config) + "/brelmo/defaults.json"
    static std::filesystem::path standardFile();
    const std::filesystem::path& file() const;
    // Whether the file has been read; never waits. Until it has, no value
    // can have been read or changed (each call waits for the file), so
    // nothing is written.
    bool isLoaded() const;
    bool contains(const std::string& key) const;
    // Reading a key stored with another type answers absent, except that an
    // integer reads as a double.
    std::optional<bool> boolValue(const std::string& key) const;
    std::optional<std::int64_t> integerValue(const std::string& key) const;
    std::optional<double> doubleValue(const std::string& key) const;
    std::optional<std::string> stringValue(const std::string& key) const;
    std::optional<std::vector<std::uint8_t>> dataValue(const std::string& key) const;
    void setBool(const std::string& key, bool value);
    void setInteger(const std::string& key, std::int64_t value);
    void setDouble(const std::string& key, double value);
    void setString(const std::string& key, const std::string& value);
    void setData(const std::string& key, const std::vector<std::uint8_t>& value);
    // The same without a copy of a large value.
    void setData(const std::string& key, std::vector<std::uint8_t>&& value);
    void remove(const std::string& key);
    // Blocks until every change made before the call is on disk (or its write
    // failed: then `lastWriteError` says why and, on the store's thread,
    // `writeFailed` has been emitted).
    void flush();

    std::vector<std::string> keys() const;

    // Where an unreadable file found at start-up was moved, if one was.
    const std::optional<std::filesystem::path>& setAsideFile() const;
    // English description of the last failed write (for logs); cleared by a
    // successful one. A failed write keeps the value in memory; the next
    // change, even one setting an unchanged value, writes again.
    std::optional<std::string> lastWriteError() const;

    // Replaces the final rename of each write; lets tests simulate a write
    // interrupted before the new file took the old one's place.
    void setRenameFunction(AtomicFileWriter::RenameFunction rename);

signals:
    void valueChanged(const QString& key);
    void writeFailed(const QString& message);

private:
    // Values are shared, never changed in place: the writer's snapshot then
    // copies pointers, not megabytes, while it holds the lock.
    using Values = std::map<std::string, std::shared_ptr<const Value>>;

    Values load();
    void setAside(const std::string& reason);
    // The lock, taken once the file has been read.
    std::unique_lock<std::mutex> loadedLock() const;
    void store(const std::string& key, Value value);
    void requestWriteLocked();
    void runWriter();
    void deliverWriteFailures();
    template <class T> std::optional<T> valueAs(const std::string& key) const;

    std::filesystem::path file_;
    mutable std::mutex mutex_;
    bool loaded_ = false;
    mutable std::condition_variable loadFinished_;
    Values values_;
    std::optional<std::string> lastWriteError_;
    std::optional<std::filesystem::path> setAsideFile_;
    AtomicFileWriter::RenameFunction rename_;

    // Each change asks for a write of generation `requested_`; the writer
    // records in `written_` the generation its last finished write held.
    std::uint64_t requested_ = 0;
    std::uint64_t written_ = 0;
    bool stopping_ = false;
    std::condition_variable writeRequested_;
    std::condition_variable writeFinished_;
    std::vector<std::string> undeliveredFailures_;
    std::thread writer_; // started by the first change
    std::thread loader_;
};

} // namespace corvane
