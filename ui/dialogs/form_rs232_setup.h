// The serial port setup dialog: seven fixed lists edited in place on the
// caller's SerialSettings. "Set" stores the selection; "Cancel", Escape and
// the close box leave the record as it was.
#pragma once

#include <span>

#include "link/link_settings.h"
#include "ui/dialogs/fixed_dialog.h"

class QComboBox;
class QFormLayout;
class QLabel;
class QPushButton;

namespace varnalux {

class TFormRs232Setup : public TFixedDialog {
  Q_OBJECT

 public:
  explicit TFormRs232Setup(QWidget* parent = nullptr);

  // Keeps a reference to the record and selects its values in the lists.
  // A value outside its list leaves that list without a selection; "Set"
  // then keeps the record's value for it.
  void Bind(varnalux::SerialSettings& settings);

 public slots:
  void ButtonSetClick();
  void ButtonCancelClick();

 private:
  struct ListRow;
  static std::span<const ListRow> Lists();
  QFormLayout* BuildLists();
  // The device line of the port, which also describes the list to screen
  // readers.
  void ShowPortDevice(int index);
  void ShowDeviceLine(int index);

  varnalux::SerialSettings* settings_ = nullptr;
  QComboBox* comboBoxComPort_;
  QComboBox* comboBoxBaudRate_;
  QComboBox* comboBoxDataBit_;
  QComboBox* comboBoxParity_;
  QComboBox* comboBoxStopBit_;
  QComboBox* comboBoxHdShak_;
  QComboBox* comboBoxSWShak_;
  QLabel* labelPortDevice_;
  QPushButton* buttonSet_;
  QPushButton* buttonCancel_;
};

}  // namespace varnalux
