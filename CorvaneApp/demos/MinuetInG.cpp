// Christian Petzold, Minuet in G major (BWV Anh. 114, from the Notebook for
// Anna Magdalena Bach): the first part, both phrases. The left hand is
// written an octave below the score so that the hands meet no closer than
// middle C.

#include "CorvaneApp/demos/DemoPiece.hpp"

namespace corvane::demos {

DemoPiece minuetInG()
{
    const Phrase common{"D5:4 G4:8 A4:8 B4:8 C5:8", "D5:4 G4:4 G4:4", "E5:4 C5:8 D5:8 E5:8 F#5:8",
                        "G5:4 G4:4 G4:4", "C5:4 D5:8 C5:8 B4:8 A4:8", "B4:4 C5:8 B4:8 A4:8 G4:8"};
    const Phrase toDominant{"F#4:4 G4:8 A4:8 B4:8 G4:8", "A4:2."};
    const Phrase toTonic{"A4:4 B4:8 A4:8 G4:8 F#4:8", "G4:2."};

    const Phrase firstBass{"G2+B2+D3:2 A2:4", "B2:2.", "C3:2.", "B2:2.", "A2:2.", "G2:2.",
                           "D3:4 B2:4 G2:4", "D3:4 D2:8 C3:8 B2:8 A2:8"};
    const Phrase secondBass{"B2:2 A2:4", "G2:4 B2:4 G2:4", "C3:2.", "B2:4 C3:8 B2:8 A2:8 G2:8",
                            "A2:2 F#2:4", "G2:2 B2:4", "C3:4 D3:4 D2:4", "G2:4 D2:4 G2:4"};

    DemoPiece piece;
    piece.resourceName = "MinuetInG";
    piece.beatsPerBar = 3;
    piece.beatUnit = 4;
    piece.quartersPerMinute = 104;
    piece.rightVelocity = 78;
    piece.leftVelocity = 60;
    piece.rightHand = joined({&common, &toDominant, &common, &toTonic});
    piece.leftHand = joined({&firstBass, &secondBass});
    return piece;
}

} // namespace corvane::demos
