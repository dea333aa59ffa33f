#include "ui/pages/font_page_controls.h"

#include "font/font_request_rules.h"
#include "protocol/file_manager.h"

namespace varnalux {

std::span<const TFontPage::Control> TFontPage::Control::Actions() {
  static const Control rows[] = {
      {.name = "ButtonSaveFont",
       .text = "Save F&ont",
       .button = &TFontPage::buttonSaveFont_,
       .clicked = &TFontPage::ButtonSaveFontClick},
      {.name = "ButtonDowloadFont",
       .text = "&Dowload Font",
       .button = &TFontPage::buttonDowloadFont_,
       .clicked = &TFontPage::ButtonDowloadFontClick},
  };
  return rows;
}

std::span<const TFontPage::Control> TFontPage::Control::Font() {
  static const Control rows[] = {
      {.name = "EditWinFontName",
       .caption = "Windows Font Name:",
       .readOnly = true,
       .edit = &TFontPage::editWinFontName_},
      {.name = "EditWinFontSize",
       .caption = "Font Size:",
       .readOnly = true,
       .narrow = true,
       .edit = &TFontPage::editWinFontSize_},
  };
  return rows;
}

std::span<const TFontPage::Control> TFontPage::Control::FontButtons() {
  static const Control rows[] = {
      {.name = "ButtonSelectFont",
       .text = "&Select Font",
       .button = &TFontPage::buttonSelectFont_,
       .clicked = &TFontPage::ButtonSelectFontClick},
      {.name = "ButtonPreviewFont",
       .text = "&Preview Font",
       .button = &TFontPage::buttonPreviewFont_,
       .clicked = &TFontPage::ButtonPreviewFontClick},
      {.name = "ButtonFontSheet",
       .text = "&Font Sheet",
       .button = &TFontPage::buttonFontSheet_,
       .clicked = &TFontPage::ButtonFontSheetClick},
  };
  return rows;
}

std::span<const TFontPage::Control> TFontPage::Control::Cell() {
  static const Control rows[] = {
      {.name = "ComboBoxFontEncode",
       .caption = "Font Encode:",
       .text = "Standard Encode|Asian Font Encode|Encode by Table|Encode by Table (Asian)",
       .selected = varnalux::EncodeStandard,
       .list = &TFontPage::comboBoxFontEncode_,
       .changed = &TFontPage::ComboBoxFontEncodeChange},
      {.name = "ComboBoxFontPitch",
       .caption = "Font Picth:",
       .text = "Fixed Pitch|Variable Pitch",
       .selected = varnalux::PitchVariable,
       .list = &TFontPage::comboBoxFontPitch_},
      {.name = "ComboBoxMemoryDevice",
       .caption = "Printer Device:",
       .text = "DRAM|FLASH|CARD",
       .selected = varnalux::DeviceFlash,
       .list = &TFontPage::comboBoxMemoryDevice_},
      {.name = "EditPrinterFontName",
       .caption = "Printer Font Name:",
       .edit = &TFontPage::editPrinterFontName_},
      {.name = "EditFontWidth", .caption = "Font Width:", .edit = &TFontPage::editFontWidth_},
      {.name = "EditFontHeight", .caption = "Font Height:", .edit = &TFontPage::editFontHeight_},
      {.name = "EditItalicWidth", .caption = "Italic Width:", .edit = &TFontPage::editItalicWidth_},
  };
  return rows;
}

std::span<const TFontPage::Control> TFontPage::Control::Standard() {
  static const Control rows[] = {
      {.name = "ComboBoxSEncode",
       .caption = "Font Mapping:",
       .text = "Standard Mapping|Full ASCII Mapping|Customer Mapping",
       .selected = varnalux::MappingStandard,
       .list = &TFontPage::comboBoxSEncode_,
       .changed = &TFontPage::ComboBoxSEncodeChange},
      {.name = "EditCharStart",
       .caption = "Character Start ASCII:",
       .text = "32",
       .maxLength = 3,
       .edit = &TFontPage::editCharStart_},
      {.name = "EditCharEnd",
       .caption = "Character End ASCII:",
       .text = "127",
       .maxLength = 3,
       .edit = &TFontPage::editCharEnd_},
  };
  return rows;
}

std::span<const TFontPage::Control> TFontPage::Control::TableButtons() {
  static const Control rows[] = {
      {.name = "ButtonFontTblLoad",
       .text = "&Load",
       .button = &TFontPage::buttonFontTblLoad_,
       .clicked = &TFontPage::ButtonFontTblLoadClick},
      {.name = "ButtonFontTblSave",
       .text = "Sa&ve",
       .button = &TFontPage::buttonFontTblSave_,
       .clicked = &TFontPage::ButtonFontTblSaveClick},
  };
  return rows;
}

}  // namespace varnalux
