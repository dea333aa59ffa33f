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
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class DialogSeam;
class OperationHost;
class PrinterOperation;

namespace varnalux {
struct PrinterStatus;
}

// The window's records that the page shows, saves and loads: the displayed
// configuration, the last status read, and where a loaded status shows.
struct ConfigPageRecords {
  varnalux::PrinterConfig& config;
  varnalux::PrinterStatus& status;
  std::function<void(const varnalux::PrinterStatus&)> showStatus;
};

class ConfigPage : public QGroupBox {
  Q_OBJECT

 public:
  // Builds the group and shows the displayed record.
  ConfigPage(OperationHost& operations, DialogSeam& seam, ConfigPageRecords records,
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
  varnalux::ConfigPageText PageText() const;
  void ApplyPageText(const varnalux::ConfigPageText& page);
  void ShowReadResult(PrinterOperation& operation, varnalux::ResultCode code,
                      const varnalux::PrinterConfig& fresh);

  OperationHost& operations_;
  DialogSeam& seam_;
  ConfigPageRecords records_;

  QLineEdit* editVersion_ = nullptr;
  QLineEdit* editMilage_ = nullptr;
  QLineEdit* editChecksum_ = nullptr;
  QLineEdit* editSpeed_ = nullptr;
  QComboBox* comboBoxDensity_ = nullptr;
  QLineEdit* editDensityBase_ = nullptr;
  QLineEdit* editWidth_ = nullptr;
  QLineEdit* editHeight_ = nullptr;
  QComboBox* comboBoxMediaSensor_ = nullptr;
  QLineEdit* editGapSize_ = nullptr;
  QLineEdit* editGapOffset_ = nullptr;
  QComboBox* comboBoxPrintOut_ = nullptr;
  QLineEdit* editCutterPiece_ = nullptr;
  QLineEdit* editReferenceX_ = nullptr;
  QLineEdit* editReferenceY_ = nullptr;
  QComboBox* comboBoxDirection_ = nullptr;
  QComboBox* comboBoxMirror_ = nullptr;
  QLineEdit* editOffset_ = nullptr;
  QLineEdit* editOffsetBase_ = nullptr;
  QLineEdit* editShiftX_ = nullptr;
  QLineEdit* editShiftXBase_ = nullptr;
  QLineEdit* editShiftY_ = nullptr;
  QLineEdit* editShiftYBase_ = nullptr;
  QComboBox* comboBoxRibbon_ = nullptr;
  QComboBox* comboBoxCodePage_ = nullptr;
  QComboBox* comboBoxCountryCode_ = nullptr;
  QComboBox* comboBoxHead_ = nullptr;
  QComboBox* comboBoxReprint_ = nullptr;
  QLineEdit* editGapInten_ = nullptr;
  QLineEdit* editBlineInten_ = nullptr;
  QLineEdit* editContinuousInten_ = nullptr;
  QComboBox* comboBoxBaudrate_ = nullptr;
  QComboBox* comboBoxDatabit_ = nullptr;
  QComboBox* comboBoxParity_ = nullptr;
  QComboBox* comboBoxStopBit_ = nullptr;
  QGroupBox* radioGroupUnit_ = nullptr;
  QButtonGroup* unitButtons_ = nullptr;
  QRadioButton* radioInch_ = nullptr;
  QRadioButton* radioMm_ = nullptr;
  QPushButton* buttonClear_ = nullptr;
  QPushButton* buttonLoad_ = nullptr;
  QPushButton* buttonSave_ = nullptr;
  QPushButton* buttonSet_ = nullptr;
  QPushButton* buttonRead_ = nullptr;
};
