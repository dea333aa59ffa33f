// "TCP/IP Setup": finds the printers on the local network by UDP, lists
// them, and hands the chosen host and port to the TCP target. From the list
// it also opens a printer's web page, resets its network settings to the
// factory defaults, and changes its address and name through the "Ethernet
// Setup" dialog. Discovery runs when the dialog is bound, before it is
// first shown. Every datagram goes where the UDP options say (the override
// keeps demonstrations and tests on loopback). While an action waits for
// answers the window keeps processing its messages under a busy cursor,
// with the action buttons disabled so that no action starts inside another.
#pragma once

#include <vector>

#include "link/link_settings.h"
#include "net/printer_rows.h"
#include "net/remote_actions.h"
#include "net/udp_options.h"
#include "ui/dialogs/fixed_dialog.h"

class QGroupBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace varnalux {

class DialogSeam;

class TFormNetSetup : public TFixedDialog {
  Q_OBJECT

 public:
  TFormNetSetup(DialogSeam& seam, const varnalux::net::UdpOptions& udp, QWidget* parent = nullptr);

  // Keeps a reference to the target and runs the first discovery. An empty
  // host becomes the first row's IP address, or "192.168.1.100" when no
  // printer answered.
  void Bind(varnalux::TcpTarget& target);

  // The sequence number the next request carries (its low 16 bits travel).
  uint32_t SequenceNumber() const { return session_.SequenceNumber(); }

 public slots:
  // Clears the list and fills it from the answers to a broadcast and a
  // multicast request.
  void DiscoverPrinters();
  // The first selected row's IP address into EditIPAddr.
  void ListView1Click();
  // After "Are you sure?": the factory-default request to the selected
  // printer; the list is emptied.
  void ButtonFactoryDefaultClick();
  // Reads the selected printer's settings, shows the Ethernet Setup dialog
  // and, when it is confirmed, sends the four writes; the list is emptied.
  void ButtonChangeIPClick();
  // Opens "http://" and EditIPAddr in the browser.
  void ButtonBrowserClick();
  // "Exit": host := EditIPAddr (cut to the field), port := EditPort. A port
  // that is not a decimal integer is reported and keeps the dialog open.
  void ButtonSetClick();
  void ButtonDiscoverClick() { DiscoverPrinters(); }

 private:
  class Busy;

  void BuildPrinterList();
  void BuildIpSetting();
  QTreeWidgetItem* FirstSelectedRow() const;
  // The ways the printer of this MAC answered the last discovery.
  std::vector<varnalux::net::AnswerPath> WaysTo(const QString& mac) const;
  void AddRow(const varnalux::net::PrinterRow& row);
  void SetActionsEnabled(bool enabled);
  void PumpMessages();

  DialogSeam& seam_;
  varnalux::net::RemoteSession session_;
  varnalux::TcpTarget* target_ = nullptr;
  // The rows of the list as they were discovered, with where each came from.
  std::vector<varnalux::net::PrinterRow> rows_;
  QTreeWidget* listView1_;
  QPushButton* buttonDiscover_;
  QPushButton* buttonChangeIP_;
  QPushButton* buttonFactoryDefault_;
  QPushButton* buttonBrowser_;
  QGroupBox* groupIpSetting_;
  QLineEdit* editIPAddr_;
  QLineEdit* editPort_;
  QPushButton* buttonSet_;
};

}  // namespace varnalux
