// The windows are laid out in fixed pixel sizes for a small dialog font;
// every form uses the desktop's family at this size so its controls fit.
#pragma once

class QWidget;

inline constexpr int FormFontPointSize = 8;

// Sets the form font on a window; its children inherit it.
void UseFormFont(QWidget* window);
