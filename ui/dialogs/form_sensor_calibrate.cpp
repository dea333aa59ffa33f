#include "ui/dialogs/form_sensor_calibrate.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/form_font.h"

namespace varnalux {

TFormSensorCalibrate::TFormSensorCalibrate(QWidget* parent)
    : TFixedDialog({"FormSensorCalibrate", "Sensor Calibration", 291, 185}, parent) {
  radioGroupMediaType_ = new QGroupBox(QStringLiteral("Media Type"), this);
  radioGroupMediaType_->setObjectName(QStringLiteral("RadioGroupMediaType"));
  media_ = Choice(radioGroupMediaType_, "RadioGroupMediaType", {"GAP", "Black Mark", "Continuous"},
                  new QVBoxLayout(radioGroupMediaType_));
  media_->button(0)->setChecked(true);

  buttonOK_ = Button("ButtonOK", "Cali&brate", &TFormSensorCalibrate::ButtonOKClick);
  buttonOK_->setDefault(true);
  buttonCancel_ = Button("ButtonCancel", "&Cancel", &TFormSensorCalibrate::ButtonCancelClick);

  auto* buttons = new QVBoxLayout;
  buttons->addWidget(buttonOK_);
  buttons->addWidget(buttonCancel_);
  buttons->addStretch(1);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(16, 12, 16, 12);
  layout->addWidget(radioGroupMediaType_, 1);
  layout->addLayout(buttons);
}

void TFormSensorCalibrate::Prepare(int left, int top, int32_t& mediaChoice) {
  move(left, top);
  choice_ = &mediaChoice;
  mediaChoice = -1;
}

void TFormSensorCalibrate::ButtonOKClick() {
  if (choice_ != nullptr) *choice_ = media_->checkedId();
  accept();
}

void TFormSensorCalibrate::ButtonCancelClick() {
  if (choice_ != nullptr) *choice_ = -1;
  reject();
}

}  // namespace varnalux
