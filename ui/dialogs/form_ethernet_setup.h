// "Ethernet Setup": shows a printer's address settings, name and MAC and
// hands back either new address settings ("Set IP") or a new name ("Set
// Printer Name"). The dialog sends nothing; its caller acts on the record.
//
//   TFormEthernetSetup dialog(seam);
//   dialog.Prepare(origin.x(), origin.y(), settings);  // clears confirmed
//   seam.Exec(dialog);
//   if (settings.confirmed) ... settings.action is NetActionSetIp or
//                               NetActionSetName
#pragma once

#include <QString>

#include "protocol/network_settings.h"
#include "ui/dialogs/fixed_dialog.h"

class QButtonGroup;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace varnalux {

class DialogSeam;

class TFormEthernetSetup : public TFixedDialog {
  Q_OBJECT

 public:
  // A text that cannot be sent (a double quote, a control or non-ASCII
  // character) is reported through seam and keeps the dialog open.
  explicit TFormEthernetSetup(DialogSeam& seam, QWidget* parent = nullptr);

  // Must be called before the dialog is shown: places it at (left, top),
  // sets the caller's confirmed to 0, keeps a reference to the record and a
  // working copy, and shows the copy (the IP box shows lastUsedIp while DHCP
  // is on, ipAddress otherwise).
  void Prepare(int left, int top, varnalux::NetworkSettings& settings);

 public slots:
  // 'DHCP' or 'Static IP' chosen: greys or enables the three address rows.
  void RadioGroupDHCPClick();
  // Writes dhcp and the three address texts into the caller's record,
  // action 0, confirmed 1, and closes. A name typed meanwhile is not sent:
  // the user is asked first whether to go on without it.
  void ButtonSetIPClick();
  // Writes only netName into the caller's record, action 1, confirmed 1,
  // and closes. Address settings changed meanwhile are not sent: the user
  // is asked first whether to go on without them.
  void ButtonSetPrinterNameClick();
  // confirmed 0 and closes.
  void ButtonCancelClick();

 protected:
  // Escape and the close box withdraw like "Cancel".
  void reject() override;

 private:
  QLineEdit* AddressRow(QGridLayout* grid, const char* labelName, const char* caption,
                        const char* editName, QLabel*& label);
  void BuildAddressRows(QGridLayout* grid);
  void BuildNameRows(QGridLayout* grid);
  void ApplyDhcpRule();
  bool DhcpSelected() const;
  bool Sendable(QLineEdit* edit);
  // What the user changed since Prepare.
  bool AddressesChanged() const;
  bool NameChanged() const;

  DialogSeam& seam_;
  varnalux::NetworkSettings* caller_ = nullptr;
  varnalux::NetworkSettings copy_{};
  // The name Prepare showed, and the name the field holds now.
  QString givenName_;
  QString shownName_;
  // The address settings Prepare showed.
  bool givenDhcp_ = true;
  QString givenIp_;
  QString givenMask_;
  QString givenGateway_;

  QGroupBox* radioGroupDHCP_;
  QRadioButton* radioDhcp_;
  QRadioButton* radioStatic_;
  QButtonGroup* dhcpChoice_;
  QLabel* labelIP_;
  QLineEdit* editIP_;
  QLabel* labelMask_;
  QLineEdit* editMask_;
  QLabel* labelGateWay_;
  QLineEdit* editGateWay_;
  QLabel* labelPrinterName_;
  QLineEdit* editPrinterName_;
  QLabel* labelMACAddr_;
  QLineEdit* editMACAddr_;
  QPushButton* buttonSetPrinterName_;
  QPushButton* buttonSetIP_;
  QPushButton* buttonCancel_;
};

}  // namespace varnalux
