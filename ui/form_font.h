// The windows are laid out in fixed pixel sizes for a small dialog font;
// every form uses the desktop's family at this size so its controls fit.
#pragma once

#include <Qt>

class QWidget;
class QSize;

namespace varnalux {

inline constexpr int FormFontPointSize = 8;

// The title bar of a fixed-size dialog: its title, the system menu and the
// close box, and no button to maximise or minimise a window that cannot
// change its size.
inline constexpr Qt::WindowFlags FixedDialogFlags =
    Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
    Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;

// Sets the form font on a window; its children inherit it.
void UseFormFont(QWidget* window);

// Sizes on the forms are pixels of a 96-dpi screen. Where the toolkit
// scales whole windows for a denser screen they stay as they are; where
// only the text grows (fonts at a higher DPI on unscaled pixels) they grow
// with the text, so that it still fits.
int FormPixels(int pixels);
QSize FormSize(int width, int height);

}  // namespace varnalux
