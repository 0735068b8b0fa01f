#include "CorvaneApp/library/LibraryDragPayload.hpp"

#include <QMimeData>

#include <exception>

#include "CorvaneDomain/JSONCoding.hpp"

namespace corvane {

namespace {

QString format() { return QString::fromLatin1(LibraryDragPayload::mimeType); }

} // namespace

std::optional<QByteArray> LibraryDragPayload::encoded() const
{
    // Written by hand around the two members: the JSON library orders an
    // object's keys alphabetically, and "title" comes first here.
    try {
        const std::string text = "{\"title\":" + jsonText(encodeJSON(title)) +
                                 ",\"reference\":" + jsonText(encodeJSON(reference)) + "}";
        return QByteArray::fromStdString(text);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<LibraryDragPayload> LibraryDragPayload::decoded(const QByteArray& data)
{
    if (static_cast<std::size_t>(data.size()) > maximumBytes) return std::nullopt;
    try {
        const auto json = parseJSONText(std::string_view(data.constData(), static_cast<std::size_t>(data.size())));
        const JSONObjectReader object(json, {});
        auto title = object.required<std::string>("title");
        auto reference = object.required<LibrarySongReference>("reference");
        return LibraryDragPayload{std::move(title), std::move(reference)};
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

QMimeData* LibraryDragPayload::mimeData() const
{
    const auto bytes = encoded();
    if (!bytes) return nullptr;
    auto data = new QMimeData;
    data->setData(format(), *bytes);
    return data;
}

bool LibraryDragPayload::isCarriedBy(const QMimeData* data) { return data && data->hasFormat(format()); }

std::vector<LibraryDragPayload> LibraryDragPayload::payloads(const QMimeData* data)
{
    if (!isCarriedBy(data)) return {};
    auto payload = decoded(data->data(format()));
    if (!payload) return {};
    return {std::move(*payload)};
}

} // namespace corvane
