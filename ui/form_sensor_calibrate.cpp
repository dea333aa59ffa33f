#include "ui/form_sensor_calibrate.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/form_font.h"
#include "ui/tab_order.h"

TFormSensorCalibrate::TFormSensorCalibrate(QWidget* parent) : QDialog(parent, FixedDialogFlags) {
  setObjectName(QStringLiteral("FormSensorCalibrate"));
  setWindowTitle(QStringLiteral("Sensor Calibration"));
  UseFormFont(this);
  setFixedSize(FormSize(291, 185));

  radioGroupMediaType_ = new QGroupBox(QStringLiteral("Media Type"), this);
  radioGroupMediaType_->setObjectName(QStringLiteral("RadioGroupMediaType"));
  media_ = new QButtonGroup(this);
  auto* mediaLayout = new QVBoxLayout(radioGroupMediaType_);
  const char* const items[3] = {"GAP", "Black Mark", "Continuous"};
  for (int i = 0; i < 3; ++i) {
    auto* item = new QRadioButton(QString::fromLatin1(items[i]), radioGroupMediaType_);
    item->setObjectName(QStringLiteral("RadioGroupMediaType%1").arg(i));
    media_->addButton(item, i);
    mediaLayout->addWidget(item);
  }
  media_->button(0)->setChecked(true);
  OneTabStopPerChoice(media_);

  buttonOK_ = new QPushButton(QStringLiteral("Cali&brate"), this);
  buttonOK_->setObjectName(QStringLiteral("ButtonOK"));
  buttonOK_->setDefault(true);
  buttonCancel_ = new QPushButton(QStringLiteral("&Cancel"), this);
  buttonCancel_->setObjectName(QStringLiteral("ButtonCancel"));

  auto* buttons = new QVBoxLayout;
  buttons->addWidget(buttonOK_);
  buttons->addWidget(buttonCancel_);
  buttons->addStretch(1);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(16, 12, 16, 12);
  layout->addWidget(radioGroupMediaType_, 1);
  layout->addLayout(buttons);

  connect(buttonOK_, &QPushButton::clicked, this, &TFormSensorCalibrate::ButtonOKClick);
  connect(buttonCancel_, &QPushButton::clicked, this, &TFormSensorCalibrate::ButtonCancelClick);
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
