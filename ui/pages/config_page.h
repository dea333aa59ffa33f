// The group "Printer Configuration" of the first page: the printer's
// information texts and settings as edits and lists, the unit of the four
// lengths, and the buttons Clear, Load, Save, Set and Read. The displayed
// record is the window's, handed in; "Set" sends what the controls show.
#pragma once

#include <QGroupBox>
#include <QString>
#include <functional>
#include <vector>

#include "base/codes.h"
#include "protocol/config_page_text.h"
#include "protocol/printer_config.h"

class QButtonGroup;
class QPushButton;
class QRadioButton;

namespace varnalux {

class DialogSeam;
class OperationHost;
class PrinterOperation;
struct PrinterStatus;

// The window's records that the page shows, saves and loads: the displayed
// configuration, the last status read, and where a loaded status shows.
struct ConfigPageRecords {
  varnalux::PrinterConfig& config;
  varnalux::PrinterStatus& status;
  std::function<void(const varnalux::PrinterStatus&)> showStatus;
};

class TConfigPage : public QGroupBox {
  Q_OBJECT

 public:
  // Builds the group and shows the displayed record.
  TConfigPage(OperationHost& operations, DialogSeam& seam, ConfigPageRecords records,
             QWidget* parent);

  // Start-up, after the window's link probe opened the link: reads the
  // configuration without the progress window and shows it.
  void ReadAfterProbe();

  // "Read", which the window disables where the link cannot read.
  QPushButton* ReadButton() const { return buttonRead_; }
  // The fields in the order they stand on the page, for the tab order.
  std::vector<QWidget*> TabOrder() const;

  // Fills the controls from the record in the selected unit.
  void ShowConfig(const varnalux::PrinterConfig& config);
  // Builds a write record from the controls; false (and the conversion
  // error) when a text is not a number.
  bool CollectConfig(varnalux::PrinterConfig& out, QString& error);

  // Selected index of the "Unit" group: 0 inch, 1 mm, -1 none.
  int Unit() const;
  // Selects a unit the way loading a file does: negative selects none,
  // above 1 selects mm.
  void SelectUnit(int unit);

 public slots:
  void ButtonReadClick();
  void ButtonClearClick();
  void ButtonSetClick();
  void ButtonSaveClick();
  void ButtonLoadClick();

 private:
  void Build();
  void PlaceInfoFields(QGroupBox* info);
  void PlaceSetupFields(QGroupBox* setup);
  void BuildUnitGroup();
  void BuildButtons();
  varnalux::ConfigPageText PageText() const;
  void ApplyPageText(const varnalux::ConfigPageText& page);
  void ShowReadResult(PrinterOperation& operation, varnalux::ResultCode code,
                      const varnalux::PrinterConfig& fresh);

  OperationHost& operations_;
  DialogSeam& seam_;
  ConfigPageRecords records_;

  std::vector<QWidget*> fields_;  // one a row of the field table, in its order
  QGroupBox* radioGroupUnit_ = nullptr;
  QButtonGroup* unitButtons_ = nullptr;
  QRadioButton* radioInch_ = nullptr;
  QRadioButton* radioMm_ = nullptr;
  std::vector<QPushButton*> buttons_;
  QPushButton* buttonRead_ = nullptr;
};

}  // namespace varnalux
