// The group "Printer Function" of the first page: one-shot printer
// functions, the dump text with its load-back, the sensor calibration, the
// test label, the real-time clock and the printer's network settings.
#pragma once

#include <QDateTime>
#include <QGroupBox>
#include <functional>
#include <vector>

#include "protocol/clock.h"
#include "protocol/network_settings.h"
#include "protocol/printer_config.h"

class QPushButton;

namespace varnalux {

class DialogPlace;
class OperationHost;
class PrinterOperation;

class TPrinterFunctionGroup : public QGroupBox {
  Q_OBJECT

 public:
  // stored is the displayed configuration record: the test label takes its
  // resolution and sensor from it.
  TPrinterFunctionGroup(OperationHost& operations, DialogPlace& dialogs,
                        const varnalux::PrinterConfig& stored, QWidget* parent);

  // Collects the configuration page into a record (lengths in millimetres);
  // false when an entry did not convert, after saying so. Without a
  // collector the paper size counts as not entered.
  using ConfigCollector = std::function<bool(varnalux::PrinterConfig&)>;
  void SetConfigCollector(ConfigCollector collector);

  // Where the clock dialog's "Get System Time" takes the local time from;
  // empty (the default) is the computer's clock.
  void SetClockTimeSource(std::function<QDateTime()> source) { timeSource_ = std::move(source); }

  // The buttons in the order they stand, for the tab order.
  std::vector<QWidget*> TabOrder() const;

  // The main window's records of this group.
  int32_t MediaChoice() const { return mediaChoice_; }
  const varnalux::ClockSettings& Clock() const { return clock_; }
  const varnalux::NetworkSettings& Network() const { return network_; }

 public slots:
  void ButtonInitialClick();
  void ButtonDumpClick();
  void ButtonSelfTestClick();
  void ButtonRTCSetTimeClick();
  void ButtonSensorCalibrateClick();
  void ButtonRestPrinterClick();
  void ButtonTestPaternClick();
  void ButtonIgnoreAutoClick();
  void ButtonEthernetClick();

 private:
  QPushButton* AddButton(const char* name, const char* caption);
  void LoadDumpText(PrinterOperation& operation);
  bool CollectPage(varnalux::PrinterConfig& page);

  OperationHost& operations_;
  DialogPlace& dialogs_;
  const varnalux::PrinterConfig& stored_;
  ConfigCollector collector_;
  std::function<QDateTime()> timeSource_;
  int32_t mediaChoice_ = -1;
  varnalux::ClockSettings clock_{};
  varnalux::NetworkSettings network_{};
};

}  // namespace varnalux
