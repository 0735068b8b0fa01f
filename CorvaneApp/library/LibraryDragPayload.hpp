#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "CorvaneLibrary/LibrarySongReference.hpp"

class QMimeData;

namespace corvane {

// A library song on its way from the browser's song list to a playlist row:
// the title as the row shows it and where the song comes from. It travels
// under the application's own format only (no URL, no text), so nothing
// outside the browser takes it.
struct LibraryDragPayload {
    // The Linux form of the content type "com.corvane.library-song".
    static constexpr const char* mimeType = "application/x-com.corvane.library-song";
    // Larger data is refused unread.
    static constexpr std::size_t maximumBytes = 64 * 1024;

    std::string title;
    LibrarySongReference reference;

    // {"title":…,"reference":…} in that order, the reference in its stored
    // JSON form. Absent when the title or a path is not valid UTF-8.
    std::optional<QByteArray> encoded() const;
    // Absent for data over the limit, text that is not JSON, a missing key
    // or a value of the wrong type; other keys are ignored.
    static std::optional<LibraryDragPayload> decoded(const QByteArray& data);

    // New drag data carrying only this payload; null when it cannot be encoded.
    QMimeData* mimeData() const;
    // The payloads `data` carries: none, or the one of a song row.
    static std::vector<LibraryDragPayload> payloads(const QMimeData* data);
    static bool isCarriedBy(const QMimeData* data);

    bool operator==(const LibraryDragPayload&) const = default;
};

} // namespace corvane
