// Mozart, Twelve Variations on "Ah, vous dirai-je, Maman", K. 265: the theme,
// its repeats written out. Form A B B A.

#include "CorvaneApp/demos/DemoPiece.hpp"

namespace corvane::demos {

DemoPiece ahVousDiraiJe()
{
    const Phrase a{"C5:4 C5:4", "G5:4 G5:4", "A5:4 A5:4", "G5:2", "F5:4 F5:4", "E5:4 E5:4", "D5:4 D5:4", "C5:2"};
    const Phrase b{"G5:4 G5:4", "F5:4 F5:4", "E5:4 E5:4", "D5:2"};

    const Phrase aBass{"C2:4 C3:4", "E3:4 C3:4", "F3:4 C3:4", "E3:4 C3:4",
                       "D3:4 B2:4", "C3:4 A2:4", "F2:4 G2:4", "C2:2"};
    const Phrase bBass{"E3:4 C3:4", "D3:4 B2:4", "C3:4 A2:4", "G2:2"};

    DemoPiece piece;
    piece.resourceName = "AhVousDiraiJe";
    piece.beatsPerBar = 2;
    piece.beatUnit = 4;
    piece.quartersPerMinute = 96;
    piece.rightVelocity = 80;
    piece.leftVelocity = 60;
    piece.rightHand = joined({&a, &b, &b, &a});
    piece.leftHand = joined({&aBass, &bBass, &bBass, &aBass});
    return piece;
}

} // namespace corvane::demos
