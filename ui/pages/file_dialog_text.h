// What the file manager page hands to the open dialog: filters in the
// toolkit's syntax and the folder where font files live.
#pragma once

#include <QString>

namespace varnalux {

// Description and pattern pairs separated by vertical bars ("*.BMP|*.BMP|
// *.*|*.*") as a Qt filter ("*.bmp (*.[bB][mM][pP]);;*.* (*)"). Letters of
// a pattern match either case, as they do on the printer makers' desktop;
// "*.*" matches every file, also one without a dot. A description that is a
// pattern is shown as Linux users write one, in small letters; the dialog
// shows only the description (the seam hides the patterns). An empty text
// gives an empty filter (every file).
QString QtFileFilter(const char* pairs);

// The folder the 'True Type Font' browse opens in: the user's own font
// folder (home/.local/share/fonts) when it exists, else the system's.
QString TrueTypeFontFolder(const QString& home);

}  // namespace varnalux
