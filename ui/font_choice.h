// The desktop font chosen in the font dialog, as the font page uses it: its
// initial value, its size in pixels at 96 dots per inch, its style, and the
// pictures drawn with it (the sample and the 256-code preview).
#pragma once

#include <QFont>
#include <QImage>

#include "font/font_canvas.h"

namespace varnalux {

// Liberation Sans (the metric twin of the desktop font the program was made
// for), else the desktop's sans-serif, at a character height of 13 pixels.
QFont InitialDialogFont();
inline constexpr int InitialFontPixels = 13;

// Pixels per em of a dialog font: its pixel size, or its point size at 96
// dots per inch.
int FontPixels(const QFont& font);
// The size shown in points, rounded (13 pixels show as 10).
int FontPoints(const QFont& font);
varnalux::FontStyle CanvasStyle(const QFont& font);
// The font at a pixel size, for drawing on an image independent of the
// screen's resolution.
QFont FontAtPixels(const QFont& font, int pixels);

// The sample: a white 150 x 56 image with "ABCD" drawn from its top-left
// corner in the font.
QImage SampleImage(const QFont& font);

// The preview: a white 320 x 480 image with the one-byte codes 1 to 255 in a
// 16 x 16 grid (code 16 r + c at 20 c + 5, 30 r + 5), decoded with the code
// page, in the canvas's face at 10 points, black where the font file's ink
// rule puts ink, and the grid lines between the cells.
inline constexpr int PreviewWidth = 320;
inline constexpr int PreviewHeight = 480;
QImage PreviewImage(const varnalux::FontCanvas& canvas, int codePage);

}  // namespace varnalux
