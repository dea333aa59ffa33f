// "Dump Text Setup": chooses where the printer's dump text goes (printed,
// saved on the card under a name, or saved and loaded into a file here).
#pragma once

#include "protocol/printer_functions.h"
#include "ui/dialogs/fixed_dialog.h"

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace varnalux {

class TFormDumpTextSetup : public TFixedDialog {
  Q_OBJECT

 public:
  explicit TFormDumpTextSetup(QWidget* parent = nullptr);

  // Places the dialog, keeps the record, clears accepted, selects the mode.
  void Prepare(int left, int top, varnalux::DumpTextSettings& settings);

 public slots:
  void RadioGroupDumpModeClick(int index);
  void ButtonOKClick();
  void ButtonCancelClick();

 private:
  // The name box is used by 'Save to SD Card' only, so it is enabled for
  // that mode alone.
  void ApplyModeRule(int index);

  varnalux::DumpTextSettings* settings_ = nullptr;
  QGroupBox* radioGroupDumpMode_;
  QButtonGroup* modes_;
  QLabel* labelFileName_;
  QLineEdit* editFileName_;
  QPushButton* buttonOK_;
  QPushButton* buttonCancel_;
};

}  // namespace varnalux
