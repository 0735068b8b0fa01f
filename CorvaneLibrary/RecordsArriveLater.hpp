#pragma once

namespace corvane {

// Asks a practice store to start empty and take in its stored records later
// (`adopt`), decoded on another thread: until then it keeps the changes made
// to it, writes nothing, and replays them on the records when they arrive.
struct RecordsArriveLater {};

} // namespace corvane
