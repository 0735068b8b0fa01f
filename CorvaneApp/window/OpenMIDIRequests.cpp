#include "CorvaneApp/window/OpenMIDIRequests.hpp"

#include <QString>

namespace corvane {

OpenMIDIRequests& OpenMIDIRequests::shared()
{
    static OpenMIDIRequests instance;
    return instance;
}

bool OpenMIDIRequests::isMIDIFile(const std::filesystem::path& file)
{
    const QString extension = QString::fromStdString(file.extension().string()).toLower();
    return extension == QLatin1String(".mid") || extension == QLatin1String(".midi");
}

void OpenMIDIRequests::enqueue(const std::vector<std::filesystem::path>& files)
{
    for (auto it = files.rbegin(); it != files.rend(); ++it) {
        if (isMIDIFile(*it)) {
            setPending({*it});
            return;
        }
    }
}

void OpenMIDIRequests::setPending(std::vector<std::filesystem::path> files)
{
    if (files == pending_) return;
    pending_ = std::move(files);
    emit pendingChanged();
}

std::optional<std::filesystem::path> OpenMIDIRequests::takePending()
{
    if (pending_.empty()) return std::nullopt;
    auto file = pending_.front();
    setPending({});
    return file;
}

} // namespace corvane
