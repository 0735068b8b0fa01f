#include "CorvaneLibrary/LibrarySource.hpp"

namespace corvane {

nlohmann::json JSONCoder<LibrarySource>::encode(const LibrarySource& source, const std::string& codingPath) {
    JSONObjectWriter writer(codingPath);
    writer.write("id", source.id);
    writer.write("name", source.name);
    writer.write("directoryPath", source.directoryPath);
    writer.write("bookmarkData", source.bookmarkData);
    writer.write("isAvailable", source.isAvailable);
    return writer.take();
}

LibrarySource JSONCoder<LibrarySource>::decode(const nlohmann::json& json, const std::string& codingPath) {
    const JSONObjectReader reader(json, codingPath);
    LibrarySource source;
    source.id = reader.required<UUID>("id");
    source.name = reader.required<std::string>("name");
    source.directoryPath = reader.required<std::string>("directoryPath");
    source.bookmarkData = reader.required<std::vector<std::uint8_t>>("bookmarkData");
    source.isAvailable = reader.required<bool>("isAvailable");
    return source;
}

} // namespace corvane
