// Beethoven, Bagatelle in A minor WoO 59, "Für Elise": the opening section
// with its repeat, the first episode and the return, closing on the tonic.
// The first bar only holds the pickup; the episode's run up to the high E is
// left out, the episode joining the return as the theme's own bar 4 does.
// The C major arpeggio sits an octave low so the left hand stays below
// middle C.

#include "CorvaneApp/demos/DemoPiece.hpp"

namespace corvane::demos {

DemoPiece furElise()
{
    const Phrase pickup{"r:4 E5:16 D#5:16"};
    const Phrase theme{"E5:16 D#5:16 E5:16 B4:16 D5:16 C5:16", "A4:8 r:16 C4:16 E4:16 A4:16",
                       "B4:8 r:16 E4:16 G#4:16 B4:16", "C5:8 r:16 E4:16 E5:16 D#5:16",
                       "E5:16 D#5:16 E5:16 B4:16 D5:16 C5:16", "A4:8 r:16 C4:16 E4:16 A4:16",
                       "B4:8 r:16 E4:16 C5:16 B4:16"};
    const Phrase firstEnding{"A4:8 r:8 E5:16 D#5:16"};
    const Phrase secondEnding{"A4:8 r:16 B4:16 C5:16 D5:16"};
    const Phrase episode{"E5:8. G4:16 F5:16 E5:16", "D5:8. F4:16 E5:16 D5:16", "C5:8. E4:16 D5:16 C5:16",
                         "B4:8 r:16 E4:16 E5:16 D#5:16"};
    const Phrase last{"A4:4."};

    const Phrase pickupBass{"r:4."};
    const Phrase themeBass{"r:4.",
                           "A2:16 E3:16 A3:16 r:8.",
                           "E2:16 E3:16 G#3:16 r:8.",
                           "A2:16 E3:16 A3:16 r:8.",
                           "r:4.",
                           "A2:16 E3:16 A3:16 r:8.",
                           "E2:16 E3:16 G#3:16 r:8."};
    const Phrase endingBass{"A2:16 E3:16 A3:16 r:8."};
    const Phrase episodeBass{"C2:16 G2:16 C3:16 r:8.", "G2:16 G3:16 B3:16 r:8.", "A2:16 E3:16 A3:16 r:8.",
                             "E2:16 E3:16 G#3:16 r:8."};
    const Phrase lastBass{"A2:16 E3:16 A3:4"};

    DemoPiece piece;
    piece.resourceName = "FurElise";
    piece.beatsPerBar = 3;
    piece.beatUnit = 8;
    piece.quartersPerMinute = 66;
    piece.rightVelocity = 70;
    piece.leftVelocity = 54;
    piece.rightHand =
        joined({&pickup, &theme, &firstEnding, &theme, &secondEnding, &episode, &theme, &last});
    piece.leftHand =
        joined({&pickupBass, &themeBass, &endingBass, &themeBass, &endingBass, &episodeBass, &themeBass, &lastBass});
    return piece;
}

} // namespace corvane::demos
