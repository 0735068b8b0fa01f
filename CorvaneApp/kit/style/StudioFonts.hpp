#pragma once

#include <QFont>

namespace corvane {

// The interface's named fonts, in logical pixels and fixed in size. With the
// bundled faces registered (StudioTypography::isAvailable) each is its own
// face; otherwise the system font at the same size and weight. The choice is
// all or nothing, so a window never mixes bundled and system faces.
QFont studioDisplay(double pixels);   // IBM Plex Mono SemiBold; a new font per call
const QFont& studioLegend();          // 11.5, Barlow Condensed SemiBold
const QFont& studioTitleSmall();      // 17, Barlow Condensed SemiBold
const QFont& studioHeadline();        // 13.5, IBM Plex Sans SemiBold
const QFont& studioCallout();         // 12.5, IBM Plex Sans
const QFont& studioCaption();         // 10.5, IBM Plex Sans
const QFont& studioBody();            // 13, IBM Plex Sans
const QFont& studioReadoutBody();     // 13, IBM Plex Mono
const QFont& studioReadout();         // 10.5, IBM Plex Mono
const QFont& studioReadoutLarge();    // 12.5, IBM Plex Mono Medium

// The font of `family` at `pixels` logical pixels and `weight`, or the system
// font of that size and weight when `bundled` is false.
QFont studioFont(const char* family, double pixels, QFont::Weight weight, bool bundled);

} // namespace corvane
