#pragma once

#include <QFont>

#include <string>

namespace zarava {

// Maps the font names of the screen design to the installed IPA faces, so that Japanese text,
// digits and Latin letters of one label all come from one face instead of a patchwork of
// fallbacks. Lives in the application's font table only; the system's font setup is untouched.
// Call once on the GUI thread after the QApplication exists; calling again changes nothing.
void InstallDesignFontSubstitutions();

// The font a control of the design names: its family as written there (UTF-8), its size in points
// (fractions kept) and its weight.
QFont DesignFont(const std::string& utf8Name, double pointSize, bool bold);

} // namespace zarava
