#include "CorvaneDomain/StandardMIDIFileParser.hpp"

#include "CorvaneDomain/PrefaultAhead.hpp"
#include "CorvaneDomain/RegularFileReader.hpp"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <numeric>
#include <system_error>
#include <thread>
#include <vector>

namespace corvane {

namespace {

using Error = MIDIFileParseError;

// Cursor over the whole file. Every read is bounded by a limit (the end of
// the current chunk) and by the end of the file, so a length field can never
// make the parser read or allocate more than the file holds.
class MIDIByteReader {
public:
    explicit MIDIByteReader(std::span<const std::uint8_t> bytes)
        : bytes_(bytes), size_(static_cast<std::int64_t>(bytes.size()))
    {
    }

    std::int64_t offset = 0;
    std::int64_t size() const { return size_; }

    std::span<const std::uint8_t> readBytes(std::int64_t count, std::int64_t limit)
    {
        if (count < 0 || offset + count > limit || offset + count > size_) throw Error(Error::UnexpectedEnd{offset});
        auto result = bytes_.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(count));
        offset += count;
        return result;
    }

    std::uint8_t byteAt(std::int64_t position) const { return bytes_[static_cast<std::size_t>(position)]; }

    std::uint16_t readUInt16()
    {
        auto b = readBytes(2, size_);
        return static_cast<std::uint16_t>((b[0] << 8) | b[1]);
    }

    std::uint32_t readUInt32()
    {
        auto b = readBytes(4, size_);
        return (std::uint32_t(b[0]) << 24) | (std::uint32_t(b[1]) << 16) | (std::uint32_t(b[2]) << 8) | b[3];
    }

    std::uint32_t readVariableLengthQuantity(std::int64_t limit)
    {
        const std::int64_t start = offset;
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            if (offset >= limit || offset >= size_) throw Error(Error::UnexpectedEnd{offset});
            const std::uint8_t byte = bytes_[static_cast<std::size_t>(offset++)];
            value = (value << 7) | (byte & 0x7F);
            if (byte < 0x80) return value;
        }
        throw Error(Error::InvalidVariableLengthQuantity{start});
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::int64_t size_;
};

bool chunkNameIs(std::span<const std::uint8_t> bytes, const char* name)
{
    return std::memcmp(bytes.data(), name, 4) == 0;
}

MIDITimeDivision decodeDivision(std::uint16_t word)
{
    if ((word & 0x8000) == 0) {
        if (word == 0) throw Error(Error::InvalidTimeDivision{word});
        return MIDITimeDivision::ticksPerQuarterNote(word);
    }
    const auto rate = static_cast<std::int8_t>(word >> 8);
    const auto ticksPerFrame = static_cast<std::uint8_t>(word & 0xFF);
    MIDIFramesPerSecond fps;
    switch (rate) {
    case -24: fps = MIDIFramesPerSecond::fps24; break;
    case -25: fps = MIDIFramesPerSecond::fps25; break;
    case -29: fps = MIDIFramesPerSecond::dropFrame30; break;
    case -30: fps = MIDIFramesPerSecond::fps30; break;
    default: throw Error(Error::InvalidTimeDivision{word});
    }
    if (ticksPerFrame == 0) throw Error(Error::InvalidTimeDivision{word});
    return MIDITimeDivision::smpte(fps, ticksPerFrame);
}

MIDIChannelMessage channelMessage(std::uint8_t status, const std::uint8_t* data)
{
    switch (status >> 4) {
    case 0x8: return MIDIChannelMessage::NoteOff{data[0], data[1]};
    case 0x9: return MIDIChannelMessage::NoteOn{data[0], data[1]};
    case 0xA: return MIDIChannelMessage::PolyphonicKeyPressure{data[0], data[1]};
    case 0xB: return MIDIChannelMessage::ControlChange{data[0], data[1]};
    case 0xC: return MIDIChannelMessage::ProgramChange{data[0]};
    case 0xD: return MIDIChannelMessage::ChannelPressure{data[0]};
    default: return MIDIChannelMessage::PitchBend{static_cast<std::uint16_t>(data[0] + 128 * data[1])};
    }
}

// The file's bytes, copied once when the first payload too long to be held
// in its event is met: the events view it, and it outlives the caller's bytes.
// Tracks read on several threads share it.
class PayloadStore {
public:
    explicit PayloadStore(std::span<const std::uint8_t> file) : file_(file) {}

    MIDIEventBytes payload(std::span<const std::uint8_t> bytes)
    {
        if (bytes.size() <= MIDIEventBytes::inlineCapacity) return MIDIEventBytes::viewing(bytes);
        std::call_once(copied_, [&] { copy_ = std::make_shared<const std::vector<std::uint8_t>>(file_.begin(), file_.end()); });
        const auto offset = static_cast<std::size_t>(bytes.data() - file_.data());
        return MIDIEventBytes::viewing({copy_->data() + offset, bytes.size()});
    }

    std::shared_ptr<const void> owner() const { return copy_; }

private:
    std::span<const std::uint8_t> file_;
    std::once_flag copied_;
    std::shared_ptr<const std::vector<std::uint8_t>> copy_;
};

// Every event takes at least two bytes of its chunk (a delta time and one
// byte after it), so a list reserved this long never has to grow and move what it holds.
std::size_t mostEvents(std::int64_t chunkBytes) { return static_cast<std::size_t>(chunkBytes / 2 + 1); }

// Reads the events of the chunk from `reader.offset` to `trackEnd` into `track`.
void parseTrack(MIDITrack& track, MIDIByteReader& reader, std::int64_t trackEnd, std::int64_t trackIndex,
                PayloadStore& payloads)
{
    if (reader.offset == trackEnd) return;
    track.events.reserve(mostEvents(trackEnd - reader.offset));
    // The room reserved is twice what most tracks fill: backed only a little ahead.
    PrefaultAhead ahead(256 << 10);

    int runningStatus = -1;
    std::uint64_t tick = 0;
    while (true) {
        ahead.keepAhead(track.events);
        const std::uint32_t delta = reader.readVariableLengthQuantity(trackEnd);
        if (tick > UINT64_MAX - delta) throw Error(Error::TickOverflow{trackIndex});
        tick += delta;

        if (reader.offset >= trackEnd || reader.offset >= reader.size()) throw Error(Error::UnexpectedEnd{reader.offset});
        const std::int64_t p = reader.offset;
        const std::uint8_t byte = reader.byteAt(p);
        reader.offset += 1;

        std::uint8_t status;
        std::uint8_t data[2] = {0, 0};
        int dataRead = 0;
        if (byte < 0x80) {
            if (runningStatus < 0) throw Error(Error::MissingRunningStatus{p});
            status = static_cast<std::uint8_t>(runningStatus);
            data[dataRead++] = byte;
        } else {
            status = byte;
        }

        if (status >= 0x80 && status <= 0xEF) {
            const int needed = (status >> 4) == 0xC || (status >> 4) == 0xD ? 1 : 2;
            while (dataRead < needed) {
                if (reader.offset >= trackEnd || reader.offset >= reader.size())
                    throw Error(Error::UnexpectedEnd{reader.offset});
                // Taken as data whatever its value: no status inside a channel message.
                data[dataRead++] = reader.byteAt(reader.offset);
                reader.offset += 1;
            }
            data[0] &= 0x7F;
            data[1] &= 0x7F;
            track.events.emplace_back(
                delta, tick, MIDIChannelEvent{static_cast<std::uint8_t>(status & 0x0F), channelMessage(status, data)});
            runningStatus = status;
        } else if (status == 0xFF) {
            if (p + 1 >= trackEnd || p + 1 >= reader.size()) throw Error(Error::UnexpectedEnd{p + 1});
            const std::uint8_t type = reader.byteAt(p + 1);
            reader.offset = p + 2;
            const std::uint32_t length = reader.readVariableLengthQuantity(trackEnd);
            auto bytes = reader.readBytes(length, trackEnd);
            track.events.emplace_back(delta, tick, MIDIMetaEvent{type, payloads.payload(bytes)});
            runningStatus = -1;
        } else if (status == 0xF0 || status == 0xF7) {
            const std::uint32_t length = reader.readVariableLengthQuantity(trackEnd);
            auto bytes = reader.readBytes(length, trackEnd);
            track.events.emplace_back(delta, tick, MIDISystemExclusiveEvent{status, payloads.payload(bytes)});
            runningStatus = -1;
        } else {
            throw Error(Error::InvalidStatus{status, p});
        }

        if (reader.offset == trackEnd) return;
        if (reader.offset > trackEnd) throw Error(Error::TrackBoundaryExceeded{trackIndex});
    }
}

// Checks the name and length of the track chunk at `reader.offset` and
// leaves the reader at its data; returns where the data ends.
std::int64_t readTrackChunkHeader(MIDIByteReader& reader)
{
    const std::int64_t chunkStart = reader.offset;
    if (!chunkNameIs(reader.readBytes(4, reader.size()), "MTrk")) throw Error(Error::InvalidChunk{"MTrk", chunkStart});
    const std::uint32_t length = reader.readUInt32();
    const std::int64_t dataStart = reader.offset;
    const std::int64_t dataEnd = dataStart + static_cast<std::int64_t>(length);
    if (dataEnd > reader.size()) throw Error(Error::UnexpectedEnd{dataStart});
    return dataEnd;
}

// Reads the tracks on up to one thread a processor, so that the memory their
// events fill for the first time is backed by several processors at once,
// which is most of what reading a large file costs. The chunks are found
// first, in order; whatever fails, the first failure in file order is thrown,
// as reading the tracks one after another would: a broken track before a
// broken chunk after it.
void parseTracksInParallel(MIDIFile& file, const MIDIByteReader& reader, std::uint16_t trackCount,
                           PayloadStore& payloads)
{
    struct Chunk {
        std::int64_t start, end;
    };
    std::vector<Chunk> chunks;
    chunks.reserve(trackCount);
    std::exception_ptr chunkFailure;
    MIDIByteReader scan = reader;
    try {
        for (std::int64_t index = 0; index < trackCount; ++index) {
            const std::int64_t end = readTrackChunkHeader(scan);
            chunks.push_back({scan.offset, end});
            scan.offset = end;
        }
    } catch (const Error&) {
        chunkFailure = std::current_exception();
    }

    // The lists are reserved here, all from the calling thread's heap.
    file.tracks.resize(chunks.size());
    for (std::size_t index = 0; index < chunks.size(); ++index)
        if (chunks[index].end > chunks[index].start)
            file.tracks[index].events.reserve(mostEvents(chunks[index].end - chunks[index].start));

    // Longest first, so that no thread is left with a long track at the end.
    std::vector<std::size_t> order(chunks.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return chunks[a].end - chunks[a].start > chunks[b].end - chunks[b].start;
    });
    std::vector<std::exception_ptr> failures(chunks.size());
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t taken; (taken = next.fetch_add(1, std::memory_order_relaxed)) < order.size();) {
            const std::size_t index = order[taken];
            MIDIByteReader trackReader = reader;
            trackReader.offset = chunks[index].start;
            try {
                parseTrack(file.tracks[index], trackReader, chunks[index].end, static_cast<std::int64_t>(index),
                           payloads);
            } catch (...) {
                failures[index] = std::current_exception();
            }
        }
    };
    const std::size_t threadCount = std::min<std::size_t>(std::max(1u, std::thread::hardware_concurrency()), chunks.size());
    const std::size_t helpers = threadCount > 0 ? threadCount - 1 : 0;
    std::vector<std::thread> threads;
    threads.reserve(helpers);
    for (std::size_t i = 0; i < helpers; ++i) {
        try {
            threads.emplace_back(work);
        } catch (const std::system_error&) {
            break; // fewer threads; the calling one reads what they do not
        }
    }
    work();
    for (auto& thread : threads) thread.join();

    for (const auto& failure : failures)
        if (failure) std::rethrow_exception(failure);
    if (chunkFailure) std::rethrow_exception(chunkFailure);
}

} // namespace

MIDIFile StandardMIDIFileParser::parse(std::span<const std::uint8_t> bytes) const
{
    MIDIByteReader reader(bytes);

    if (!chunkNameIs(reader.readBytes(4, reader.size()), "MThd"))
        throw Error(Error::InvalidChunk{"MThd", 0});
    const std::uint32_t headerLength = reader.readUInt32();
    if (headerLength < 6) throw Error(Error::InvalidHeaderLength{headerLength});
    const std::int64_t headerEnd = 8 + static_cast<std::int64_t>(headerLength);
    if (headerEnd > reader.size()) throw Error(Error::UnexpectedEnd{8});

    const std::uint16_t formatWord = reader.readUInt16();
    const auto format = midiFileFormat(formatWord);
    if (!format) throw Error(Error::UnsupportedFormat{formatWord});

    const std::uint16_t trackCount = reader.readUInt16();
    if (trackCount == 0 || (*format == MIDIFileFormat::singleTrack && trackCount != 1))
        throw Error(Error::InvalidTrackCount{formatWord, trackCount});

    const MIDITimeDivision division = decodeDivision(reader.readUInt16());
    reader.offset = headerEnd;

    MIDIFile file{*format, division, {}};
    PayloadStore payloads(bytes);
    if (bytes.size() >= parallelFromBytes && trackCount > 1) {
        parseTracksInParallel(file, reader, trackCount, payloads);
    } else {
        file.tracks.reserve(trackCount);
        for (std::int64_t index = 0; index < trackCount; ++index) {
            const std::int64_t dataEnd = readTrackChunkHeader(reader);
            parseTrack(file.tracks.emplace_back(), reader, dataEnd, index, payloads);
            reader.offset = dataEnd;
        }
    }
    if (auto owner = payloads.owner())
        for (auto& track : file.tracks) track.payloadOwner = owner;
    return file;
}

MIDIFile StandardMIDIFileParser::parseContentsOf(const std::filesystem::path& path) const
{
    return parse(readRegularFile(path, maximumFileBytes));
}

} // namespace corvane
