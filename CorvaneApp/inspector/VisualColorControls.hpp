#pragma once

#include <QWidget>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class QLabel;

namespace corvane {

class PracticeSessionStore;
class StudioColorRow;
class StudioMenuRow;
class TrackSwatchGrid;
class VisualPresetRows;

// The track whose colour the palette edits: the chosen one while the song
// has notes on it, else the song's first track with notes (0 without any).
// The choice itself is never corrected, so it comes back with a song that has it.
std::int64_t resolvedTrackIndex(std::int64_t selectedTrackIndex, const std::vector<std::int64_t>& colorTrackIndices);

// The "Cor" category of the visual page: one colour for all notes (the
// accent, which also tints the panel) or one per track, the light of pressed
// keys, and the notes' speed and glow. The track being edited is the
// page's: it outlives a switch of category.
class VisualColorControls : public QWidget {
    Q_OBJECT
public:
    VisualColorControls(PracticeSessionStore& store, std::int64_t& selectedTrackIndex, QWidget* parent = nullptr);

    VisualPresetRows& rows() const { return *rows_; }
    StudioMenuRow& distributionRow() const { return *distribution_; }
    StudioMenuRow& trackRow() const { return *trackRow_; }
    TrackSwatchGrid& swatchGrid() const { return *swatches_; }
    StudioColorRow& trackColorRow() const { return *trackColor_; }
    // "Abra uma música com tracks de notas para configurar a paleta."
    QLabel& hintText() const { return *hint_; }
    StudioColorRow& noteColorRow() const { return *noteColor_; }

    std::int64_t selectedTrackIndex() const { return selected_; }
    std::int64_t editedTrackIndex() const;
    // What the "Track" menu and the swatches do: no write to the look.
    void selectTrack(std::int64_t trackIndex);

private:
    void syncTracks();
    void syncPalette();
    // The menu's entries, made when it is first opened for the song's tracks.
    void fillTrackMenu();
    void styleSwatches();

    PracticeSessionStore& store_;
    std::int64_t& selected_;
    VisualPresetRows* rows_;
    StudioMenuRow* distribution_ = nullptr;
    StudioMenuRow* trackRow_ = nullptr;
    TrackSwatchGrid* swatches_ = nullptr;
    StudioColorRow* trackColor_ = nullptr;
    QLabel* hint_ = nullptr;
    StudioColorRow* noteColor_ = nullptr;
    std::vector<std::int64_t> shownTracks_;
    std::map<std::int64_t, std::string> shownNames_;
    bool menuFilled_ = false;
};

} // namespace corvane
