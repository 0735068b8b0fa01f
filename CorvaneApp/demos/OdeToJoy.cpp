// Beethoven, Symphony No. 9, finale: the "Ode to Joy" theme, set simply for
// two hands in C major. Form A A' B A'.

#include "CorvaneApp/demos/DemoPiece.hpp"

namespace corvane::demos {

DemoPiece odeToJoy()
{
    const Phrase opening{"E5:4 E5:4 F5:4 G5:4", "G5:4 F5:4 E5:4 D5:4", "C5:4 C5:4 D5:4 E5:4"};
    const Phrase halfClose{"E5:4. D5:8 D5:2"};
    const Phrase fullClose{"D5:4. C5:8 C5:2"};
    const Phrase bridge{"D5:4 D5:4 E5:4 C5:4", "D5:4 E5:8 F5:8 E5:4 C5:4", "D5:4 E5:8 F5:8 E5:4 D5:4",
                        "C5:4 D5:4 G4:2"};

    const Phrase openingBass{"C3:2 G3:2", "B2:2 G3:2", "C3:2 G3:2"};
    const Phrase halfCloseBass{"C3:4 G2:2."};
    const Phrase fullCloseBass{"G2:4 C3:2."};
    const Phrase bridgeBass{"G2:2 C3:2", "G2:2 C3:2", "G2:2 C3:4 G2:4", "A2:4 D3:4 G2:2"};

    DemoPiece piece;
    piece.resourceName = "OdeToJoy";
    piece.beatsPerBar = 4;
    piece.beatUnit = 4;
    piece.quartersPerMinute = 100;
    piece.rightVelocity = 82;
    piece.leftVelocity = 62;
    piece.rightHand = joined({&opening, &halfClose, &opening, &fullClose, &bridge, &opening, &fullClose});
    piece.leftHand =
        joined({&openingBass, &halfCloseBass, &openingBass, &fullCloseBass, &bridgeBass, &openingBass, &fullCloseBass});
    return piece;
}

} // namespace corvane::demos
