// The controls of the font page that are made from tables: a row names the
// object, its caption, first text or items, and the member and slot it fills.
#pragma once

#include <span>

#include "ui/pages/font_page.h"

namespace varnalux {

// A control of the page made from a table row: an edit, a list or a button,
// whichever member the row names. Rows are made in table order, which is the
// order the Tab key walks.
struct TFontPage::Control {
  const char* name;
  const char* caption = nullptr;  // the label before it in its grid
  // A button's caption, an edit's first text, or a list's items joined by '|'.
  const char* text = nullptr;
  int selected = 0;       // a list's first selection
  int maxLength = 0;      // an edit's longest text; 0 the default
  bool readOnly = false;  // an edit shown for copying only, not a Tab stop
  bool narrow = false;    // room for a few digits, at the left of its row
  QLineEdit* TFontPage::*edit = nullptr;
  QComboBox* TFontPage::*list = nullptr;
  QPushButton* TFontPage::*button = nullptr;
  void (TFontPage::*clicked)() = nullptr;
  void (TFontPage::*changed)(int) = nullptr;

  // The page's tables, each in the order its controls are made.
  static std::span<const Control> Actions();
  static std::span<const Control> Font();
  static std::span<const Control> FontButtons();
  static std::span<const Control> Cell();
  static std::span<const Control> Standard();
  static std::span<const Control> TableButtons();
};

}  // namespace varnalux
