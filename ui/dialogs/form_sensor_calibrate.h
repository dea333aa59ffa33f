// "Sensor Calibration": picks the media whose sensor is to be calibrated.
#pragma once

#include <cstdint>

#include "ui/dialogs/fixed_dialog.h"

class QButtonGroup;
class QGroupBox;
class QPushButton;

namespace varnalux {

class TFormSensorCalibrate : public TFixedDialog {
  Q_OBJECT

 public:
  explicit TFormSensorCalibrate(QWidget* parent = nullptr);

  // Places the dialog and sets the choice to -1 (no calibration), which
  // stays when the dialog is closed by its close box.
  void Prepare(int left, int top, int32_t& mediaChoice);

 public slots:
  void ButtonOKClick();
  void ButtonCancelClick();

 private:
  int32_t* choice_ = nullptr;
  QGroupBox* radioGroupMediaType_;
  QButtonGroup* media_;
  QPushButton* buttonOK_;
  QPushButton* buttonCancel_;
};

}  // namespace varnalux
