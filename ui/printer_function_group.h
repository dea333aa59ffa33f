// The group "Printer Function" of the first page: one-shot printer
// functions, the dump text with its load-back, the sensor calibration, the
// test label, the real-time clock and the printer's network settings.
#pragma once

#include <QGroupBox>
#include <functional>

#include "protocol/clock.h"
#include "protocol/network_settings.h"
#include "protocol/printer_config.h"

class QPushButton;
class TFormMain;

class TPrinterFunctionGroup : public QGroupBox {
  Q_OBJECT

 public:
  TPrinterFunctionGroup(TFormMain& form, QWidget* parent);

  // Collects the configuration page into a record (lengths in millimetres);
  // false when an entry did not convert, after saying so. Without a
  // collector the window's configuration page is asked (and without a page
  // the paper size counts as not entered).
  using ConfigCollector = std::function<bool(varnalux::PrinterConfig&)>;
  void SetConfigCollector(ConfigCollector collector);

  // The main window's records of this group.
  int32_t MediaChoice() const { return mediaChoice_; }
  const varnalux::ClockSettings& Clock() const { return clock_; }
  const varnalux::NetworkSettings& Network() const { return network_; }

  // Size of the buffer the dumped text is loaded into.
  static constexpr int32_t DumpLoadCapacity = 0x40000;

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
  void LoadDumpText();
  bool CollectPage(varnalux::PrinterConfig& page);

  TFormMain& form_;
  ConfigCollector collector_;
  int32_t mediaChoice_ = -1;
  varnalux::ClockSettings clock_{};
  varnalux::NetworkSettings network_{};
};
