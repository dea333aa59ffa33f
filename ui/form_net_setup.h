// The TCP/IP setup dialog: edits the host and port of the TCP target.
// "Exit" takes the host over and converts the port strictly; closing the
// dialog any other way changes nothing.
#pragma once

#include <QDialog>

#include "link/link_settings.h"

class DialogSeam;
class QGroupBox;
class QLineEdit;
class QPushButton;

class TFormNetSetup : public QDialog {
  Q_OBJECT

 public:
  explicit TFormNetSetup(DialogSeam& seam, QWidget* parent = nullptr);

  // Keeps a reference to the target and fills the edits from it. An empty
  // host is offered as "192.168.1.100".
  void Bind(varnalux::TcpTarget& target);

 public slots:
  // "Exit": host := EditIPAddr (cut to the field), port := EditPort. A port
  // that is not a decimal integer is reported and keeps the dialog open.
  void ButtonSetClick();

 private:
  DialogSeam& seam_;
  varnalux::TcpTarget* target_ = nullptr;
  QGroupBox* groupIpSetting_;
  QLineEdit* editIPAddr_;
  QLineEdit* editPort_;
  QPushButton* buttonSet_;
};
