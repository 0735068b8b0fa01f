#pragma once

#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <functional>

#include "CorvaneDomain/PracticeHandMap.hpp"

namespace corvane {

class StudioChipButton;
class TrackRowTexts;

// One line of a track list: the track's name over a second line, the "E" and
// "D" chips that give the track to a hand, and the speaker chip that takes it
// out of practice. The row shows only what setValues gave it; a click reports
// the wanted change through a callback and changes nothing here, so a chip
// looks selected because the caller's stored settings say so. The track lists
// of the practice screen and of the inspector both use it.
class TrackRowView : public QWidget {
    Q_OBJECT
public:
    using SetHand = std::function<void(PracticeTrackHand)>;
    using SetMuted = std::function<void(bool)>;

    static constexpr double chipHeight = 19;
    static constexpr int spacing = 6;

    TrackRowView(SetHand setHand, SetMuted setMuted, QWidget* parent = nullptr);

    void setValues(const QString& label, const QString& subtitle, PracticeTrackHand hand, bool isMuted);

    const QString& label() const { return label_; }
    const QString& subtitle() const { return subtitle_; }
    PracticeTrackHand hand() const { return hand_; }
    bool isMuted() const { return isMuted_; }

    // What the texts draw at their present width: one line each, line breaks
    // and tabs shown as spaces, ending in an ellipsis when it does not fit.
    QString shownLabel() const;
    QString shownSubtitle() const;
    // The label fades while the track is muted; the subtitle never does.
    double labelOpacity() const { return isMuted_ ? 0.5 : 1.0; }
    QWidget& texts() const;

    StudioChipButton& leftChip() const { return *left_; }
    StudioChipButton& rightChip() const { return *right_; }
    // The speaker chip on show: the sounding or the silenced speaker.
    StudioChipButton& speakerChip() const;

    // What a screen reader may press in a row of these values: the chips on
    // show, each by its help text.
    static QStringList chipActions(bool isMuted);
    // The chip on show that an action of chipActions presses; null for none.
    StudioChipButton* chipFor(const QString& action) const;

    // Puts the row's chips after `previous` in the focus chain, in their
    // order, and gives the last of them, for the next row.
    QWidget* chainFocusAfter(QWidget* previous);

    // A note count as the lists word it, in pt_BR whatever the user's locale:
    // "1 notas", "12.345 notas".
    static QString noteCountText(std::int64_t count);
    // `text` on one line: every line break, tab and other control character
    // becomes a space.
    static QString oneLine(const QString& text);

private:
    void chooseHand(PracticeTrackHand chip);
    void toggleMuted();

    SetHand setHand_;
    SetMuted setMuted_;
    QString label_;
    QString subtitle_;
    PracticeTrackHand hand_ = PracticeTrackHand::automatic;
    bool isMuted_ = false;
    TrackRowTexts* texts_;
    StudioChipButton* left_;
    StudioChipButton* right_;
    // The kit's chip keeps one symbol for life, so each speaker has its own
    // chip and the row shows the one that matches.
    StudioChipButton* sounding_;
    StudioChipButton* silenced_;
};

} // namespace corvane
