// The font sheet of a printer font file as an image for the window.
#pragma once

#include <QImage>
#include <QString>

namespace varnalux {

// Reads the font file and draws its sheet; false with a short reason when
// the file cannot be read or is not a printer font.
bool FontSheetImage(const QString& path, QImage& image, QString& error);

}  // namespace varnalux
