#include "CorvaneLibrary/DefaultsStore.hpp"

#include <QByteArray>
#include <QDebug>
#include <QMetaObject>
#include <QThread>

#include <nlohmann/json.hpp>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace corvane {

namespace {

constexpr int formatVersion = 1;

// Each value is stored as an object with one member named after its type, so
// that a value reads back with the type it was written with.
nlohmann::json encodeValue(const DefaultsStore::Value& value) {
    nlohmann::json out = nlohmann::json::object();
    if (auto b = std::get_if<bool>(&value)) {
        out["bool"] = *b;
    } else if (auto i = std::get_if<std::int64_t>(&value)) {
        out["integer"] = *i;
    } else if (auto d = std::get_if<double>(&value)) {
        // JSON has no NaN or infinity; keep them as text.
        if (std::isnan(*d)) out["double"] = "nan";
        else if (std::isinf(*d)) out["double"] = *d > 0 ? "inf" : "-inf";
        else out["double"] = *d;
    } else if (auto s = std::get_if<std::string>(&value)) {
        out["string"] = *s;
    } else if (auto data = std::get_if<std::vector<std::uint8_t>>(&value)) {
        const QByteArray raw(reinterpret_cast<const char*>(data->data()), static_cast<qsizetype>(data->size()));
        out["data"] = raw.toBase64().toStdString();
    }
    return out;
}

std::optional<DefaultsStore::Value> decodeValue(const nlohmann::json& in) {
    if (!in.is_object() || in.size() != 1) return std::nullopt;
    const auto member = in.begin();
    const std::string& tag = member.key();
    const nlohmann::json& v = member.value();
    if (tag == "bool" && v.is_boolean()) return DefaultsStore::Value(v.get<bool>());
    if (tag == "integer" && v.is_number_integer()) {
        if (v.is_number_unsigned() && v.get<std::uint64_t>() > static_cast<std::uint64_t>(INT64_MAX))
            return std::nullopt;
        return DefaultsStore::Value(v.get<std::int64_t>());
    }
    if (tag == "double") {
        if (v.is_number()) return DefaultsStore::Value(v.get<double>());
        if (v.is_string()) {
            const auto& s = v.get_ref<const std::string&>();
            if (s == "nan") return DefaultsStore::Value(std::nan(""));
            if (s == "inf") return DefaultsStore::Value(HUGE_VAL);
            if (s == "-inf") return DefaultsStore::Value(-HUGE_VAL);
        }
        return std::nullopt;
    }
    if (tag == "string" && v.is_string()) return DefaultsStore::Value(v.get<std::string>());
    if (tag == "data" && v.is_string()) {
        const auto& text = v.get_ref<const std::string&>();
        const auto decoded = QByteArray::fromBase64Encoding(QByteArray::fromStdString(text),
                                                            QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded) return std::nullopt;
        const QByteArray& bytes = *decoded;
        return DefaultsStore::Value(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    }
    return std::nullopt;
}

// NaN never equals itself; a stored NaN set again is still no change.
bool sameValue(const DefaultsStore::Value& a, const DefaultsStore::Value& b) {
    auto da = std::get_if<double>(&a);
    auto db = std::get_if<double>(&b);
    if (da && db && std::isnan(*da) && std::isnan(*db)) return true;
    return a == b;
}

template <class Values> std::string documentText(const Values& entries) {
    nlohmann::json values = nlohmann::json::object();
    for (const auto& [key, value] : entries) values[key] = encodeValue(*value);
    const nlohmann::json document = {{"format", formatVersion}, {"values", std::move(values)}};
    // Invalid UTF-8 in a key or string is replaced rather than aborting the write.
    return document.dump(1, ' ', false, nlohmann::json::error_handler_t::replace);
}

} // namespace

DefaultsStore::DefaultsStore(std::filesystem::path file, QObject* parent)
    : QObject(parent), file_(std::move(file)) {
    loader_ = std::thread([this] {
        Values values = load();
        {
            std::lock_guard lock(mutex_);
            values_ = std::move(values);
            loaded_ = true;
        }
        loadFinished_.notify_all();
    });
}

DefaultsStore::~DefaultsStore() {
    loader_.join();
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    writeRequested_.notify_all();
    // The writer finishes every pending write before it ends.
    if (writer_.joinable()) writer_.join();
}

std::filesystem::path DefaultsStore::standardFile() {
    std::filesystem::path base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg && std::filesystem::path(xdg).is_absolute()) {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        base = std::filesystem::path(home) / ".config";
    } else {
        base = std::filesystem::temp_directory_path();
    }
    return base / "brelmo" / "defaults.json";
}

const std::filesystem::path& DefaultsStore::file() const { return file_; }

bool DefaultsStore::isLoaded() const {
    std::lock_guard lock(mutex_);
    return loaded_;
}

std::unique_lock<std::mutex> DefaultsStore::loadedLock() const {
    std::unique_lock lock(mutex_);
    loadFinished_.wait(lock, [this] { return loaded_; });
    return lock;
}

// On the loader thread; nothing else touches the store's fields until it is done.
DefaultsStore::Values DefaultsStore::load() {
    Values values;
    std::error_code ec;
    if (!std::filesystem::exists(file_, ec)) return values;
    std::ifstream in(file_, std::ios::binary);
    if (!in) {
        setAside("cannot be opened");
        return values;
    }
    std::stringstream buffer;
    buffer << in.rdbuf();
    in.close();
    const nlohmann::json document = nlohmann::json::parse(buffer.str(), nullptr, false);
    if (document.is_discarded() || !document.is_object() || !document.contains("values") ||
        !document["values"].is_object()) {
        setAside("is not a defaults file");
        return values;
    }
    bool someUnreadable = false;
    for (const auto& [key, encoded] : document["values"].items()) {
        if (auto value = decodeValue(encoded)) values.emplace(key, std::make_shared<const Value>(std::move(*value)));
        else someUnreadable = true;
    }
    // The readable values are kept; the file itself is moved aside so that the
    // next write does not destroy what could not be read.
    if (someUnreadable) setAside("holds unreadable values");
    return values;
}

const std::optional<std::filesystem::path>& DefaultsStore::setAsideFile() const {
    auto lock = loadedLock();
    return setAsideFile_;
}

void DefaultsStore::setAside(const std::string& reason) {
    const auto stamp = std::chrono::duration_cast<std::chrono::seconds>(
                           std::chrono::system_clock::now().time_since_epoch()).count();
    std::filesystem::path aside = file_;
    aside += ".unreadable-" + std::to_string(stamp);
    std::error_code ec;
    for (int n = 1; std::filesystem::exists(aside, ec); ++n) {
        aside = file_;
        aside += ".unreadable-" + std::to_string(stamp) + "-" + std::to_string(n);
    }
    std::filesystem::rename(file_, aside, ec);
    if (ec) {
        qWarning("Defaults file %s %s and could not be moved aside: %s", file_.c_str(), reason.c_str(),
                 ec.message().c_str());
        return;
    }
    setAsideFile_ = aside;
    qWarning("Defaults file %s %s; moved to %s", file_.c_str(), reason.c_str(), aside.c_str());
}

bool DefaultsStore::contains(const std::string& key) const {
    auto lock = loadedLock();
    return values_.count(key) != 0;
}

template <class T> std::optional<T> DefaultsStore::valueAs(const std::string& key) const {
    auto lock = loadedLock();
    auto it = values_.find(key);
    if (it == values_.end()) return std::nullopt;
    if (auto v = std::get_if<T>(it->second.get())) return *v;
    return std::nullopt;
}

std::optional<bool> DefaultsStore::boolValue(const std::string& key) const { return valueAs<bool>(key); }
std::optional<std::int64_t> DefaultsStore::integerValue(const std::string& key) const {
    return valueAs<std::int64_t>(key);
}
std::optional<double> DefaultsStore::doubleValue(const std::string& key) const {
    auto lock = loadedLock();
    auto it = values_.find(key);
    if (it == values_.end()) return std::nullopt;
    if (auto v = std::get_if<double>(it->second.get())) return *v;
    // A whole number written as an integer (a latency of 5) is still a number.
    if (auto v = std::get_if<std::int64_t>(it->second.get())) return static_cast<double>(*v);
    return std::nullopt;
}
std::optional<std::string> DefaultsStore::stringValue(const std::string& key) const {
    return valueAs<std::string>(key);
}
std::optional<std::vector<std::uint8_t>> DefaultsStore::dataValue(const std::string& key) const {
    return valueAs<std::vector<std::uint8_t>>(key);
}

void DefaultsStore::setBool(const std::string& key, bool value) { store(key, value); }
void DefaultsStore::setInteger(const std::string& key, std::int64_t value) { store(key, value); }
void DefaultsStore::setDouble(const std::string& key, double value) { store(key, value); }
void DefaultsStore::setString(const std::string& key, const std::string& value) { store(key, value); }
void DefaultsStore::setData(const std::string& key, const std::vector<std::uint8_t>& value) { store(key, value); }
void DefaultsStore::setData(const std::string& key, std::vector<std::uint8_t>&& value) { store(key, std::move(value)); }

std::vector<std::string> DefaultsStore::keys() const {
    auto lock = loadedLock();
    std::vector<std::string> out;
    out.reserve(values_.size());
    for (const auto& entry : values_) out.push_back(entry.first);
    return out;
}

std::optional<std::string> DefaultsStore::lastWriteError() const {
    auto lock = loadedLock();
    return lastWriteError_;
}

void DefaultsStore::setRenameFunction(AtomicFileWriter::RenameFunction rename) {
    auto lock = loadedLock();
    rename_ = std::move(rename);
}

void DefaultsStore::store(const std::string& key, Value value) {
    bool changed = false;
    {
        auto lock = loadedLock();
        auto it = values_.find(key);
        changed = it == values_.end() || !sameValue(*it->second, value);
        // After a failed write the file lags behind memory: an unchanged value
        // still asks for a write, so that the file catches up.
        if (!changed && !lastWriteError_) return;
        if (changed) values_[key] = std::make_shared<const Value>(std::move(value));
        requestWriteLocked();
    }
    // Signals go out after the lock is released: slots may read the store.
    if (changed) emit valueChanged(QString::fromStdString(key));
}

void DefaultsStore::remove(const std::string& key) {
    bool changed = false;
    {
        auto lock = loadedLock();
        changed = values_.erase(key) != 0;
        if (!changed && !lastWriteError_) return;
        requestWriteLocked();
    }
    if (changed) emit valueChanged(QString::fromStdString(key));
}

void DefaultsStore::requestWriteLocked() {
    ++requested_;
    if (!writer_.joinable()) writer_ = std::thread([this] { runWriter(); });
    writeRequested_.notify_one();
}

void DefaultsStore::runWriter() {
    std::unique_lock lock(mutex_);
    for (;;) {
        writeRequested_.wait(lock, [this] { return stopping_ || written_ != requested_; });
        if (written_ == requested_) return;
        // Everything changed up to now goes into this one write; later changes
        // raise `requested_` again and get the next one.
        const std::uint64_t generation = requested_;
        const Values snapshot = values_;
        const AtomicFileWriter::RenameFunction rename = rename_;
        lock.unlock();
        std::optional<std::string> failure = AtomicFileWriter::write(file_, documentText(snapshot), rename);
        if (failure) qWarning("Defaults not saved: %s", failure->c_str());
        lock.lock();
        lastWriteError_ = failure;
        written_ = generation;
        if (failure) {
            undeliveredFailures_.push_back(std::move(*failure));
            QMetaObject::invokeMethod(this, [this] { deliverWriteFailures(); }, Qt::QueuedConnection);
        }
        writeFinished_.notify_all();
    }
}

void DefaultsStore::flush() {
    {
        auto lock = loadedLock();
        const std::uint64_t target = requested_;
        writeFinished_.wait(lock, [&] { return written_ >= target; });
    }
    // On its own thread the failures are reported before flush returns; the
    // queued delivery then finds nothing left.
    if (QThread::currentThread() == thread()) deliverWriteFailures();
}

void DefaultsStore::deliverWriteFailures() {
    std::vector<std::string> failures;
    {
        std::lock_guard lock(mutex_);
        failures.swap(undeliveredFailures_);
    }
    for (const auto& failure : failures) emit writeFailed(QString::fromStdString(failure));
}

} // namespace corvane
