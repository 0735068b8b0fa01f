// "Greensleeves", English tune of the sixteenth century: verse and refrain
// with a plain bass. The first bar only holds the pickup.

#include "CorvaneApp/demos/DemoPiece.hpp"

namespace corvane::demos {

DemoPiece greensleeves()
{
    const Phrase pickup{"r:2 r:8 A4:8"};
    const Phrase verseStart{"C5:4 D5:8 E5:8. F5:16 E5:8", "D5:4 B4:8 G4:8. A4:16 B4:8",
                            "C5:4 A4:8 A4:8. G#4:16 A4:8"};
    const Phrase verseTurn{"B4:4 G#4:8 E4:4 A4:8"};
    const Phrase refrainTurn{"B4:4 G#4:8 E4:4."};
    const Phrase refrainStart{"G5:4. G5:8. F#5:16 E5:8", "D5:4 B4:8 G4:8. A4:16 B4:8",
                              "C5:4 A4:8 A4:8. G#4:16 A4:8"};
    const Phrase close{"C5:8. B4:16 A4:8 G#4:8. F#4:16 G#4:8", "A4:2."};
    const Phrase closingPhrase{"G5:4. G5:8. F#5:16 E5:8", "D5:4 B4:8 G4:8. A4:16 B4:8"};

    const Phrase pickupBass{"r:2."};
    const Phrase verseStartBass{"A2:4. E3:4.", "G2:4. D3:4.", "A2:4. E3:4."};
    const Phrase turnBass{"E2:4. B2:4."};
    const Phrase refrainStartBass{"C3:4. G3:4.", "G2:4. D3:4.", "A2:4. E3:4."};
    const Phrase closeBass{"A2:4. E2:4.", "A2+E3:2."};
    const Phrase closingPhraseBass{"C3:4. G3:4.", "G2:4. D3:4."};

    DemoPiece piece;
    piece.resourceName = "Greensleeves";
    piece.beatsPerBar = 6;
    piece.beatUnit = 8;
    piece.quartersPerMinute = 84;
    piece.rightVelocity = 76;
    piece.leftVelocity = 58;
    piece.rightHand = joined({&pickup, &verseStart, &verseTurn, &verseStart, &close, &refrainStart, &refrainTurn,
                              &closingPhrase, &close});
    piece.leftHand = joined({&pickupBass, &verseStartBass, &turnBass, &verseStartBass, &closeBass, &refrainStartBass,
                             &turnBass, &closingPhraseBass, &closeBass});
    return piece;
}

} // namespace corvane::demos
