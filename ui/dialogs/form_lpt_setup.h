// The parallel port setup dialog: one fixed list "LPT1".."LPT4" edited in
// place on the caller's device name buffer.
#pragma once

#include "link/link_settings.h"
#include "ui/dialogs/fixed_dialog.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace varnalux {

class TFormLPTSetup : public TFixedDialog {
  Q_OBJECT

 public:
  explicit TFormLPTSetup(QWidget* parent = nullptr);

  // Keeps a reference to the buffer and selects its port. A name that is not
  // one of the four leaves the list without a selection, and "Set" then
  // keeps the name.
  void Bind(char (&deviceName)[varnalux::ParallelNameSize]);

 public slots:
  void ButtonSetClick();
  void ButtonCancelClick();

 private:
  // The device line of the port, which also describes the list to screen
  // readers.
  void ShowPortDevice(int index);
  void ShowDeviceLine(int index);

  char* deviceName_ = nullptr;  // ParallelNameSize bytes
  QComboBox* comboBoxLPT_;
  QLabel* labelPortDevice_;
  QPushButton* buttonSet_;
  QPushButton* buttonCancel_;
};

}  // namespace varnalux
