#include "ui/dialogs/form_rtc_setup.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/numbers.h"
#include "ui/dialog_seam.h"
#include "ui/form_font.h"

namespace varnalux {

namespace {

int32_t* Field(varnalux::ClockSettings& c, int i) {
  int32_t* fields[6] = {&c.year, &c.month, &c.date, &c.hour, &c.minute, &c.second};
  return fields[i];
}

}  // namespace

// The title bar has no close box: the dialog is left by its buttons or Escape.
TFormRTCSetup::TFormRTCSetup(DialogSeam& seam, QWidget* parent)
    : TFixedDialog({"FormRTCSetup", "RTC Setup", 297, 171, DialogSizing::Fixed,
                    Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                        Qt::MSWindowsFixedSizeDialogHint},
                   parent),
      seam_(seam) {
  struct Spec {
    const char* label;
    const char* name;
    int maxLength;
  };
  static const Spec Specs[6] = {
      {"Year:", "EditYear", 4}, {"Month:", "EditMonth", 3},   {"Date:", "EditDate", 3},
      {"Hour:", "EditHour", 3}, {"Minute:", "EditMinute", 3}, {"Second:", "EditSecond", 3},
  };
  auto* grid = new QGridLayout;
  for (int i = 0; i < 6; ++i) {
    edits_[i] = Edit(Specs[i].name);
    edits_[i]->setMaxLength(Specs[i].maxLength);
    // Two columns of three: date on the left, time on the right.
    const int row = i % 3;
    const int column = (i / 3) * 2;
    grid->addWidget(Caption(Specs[i].label, edits_[i]), row, column);
    grid->addWidget(edits_[i], row, column + 1);
  }

  buttonSetSysTime_ =
      Button("ButtonSetSysTime", "&Get System Time", &TFormRTCSetup::ButtonSetSysTimeClick);
  buttonOk_ = Button("ButtonOk", "&Set", &TFormRTCSetup::ButtonOkClick);
  buttonOk_->setDefault(true);
  buttonCancel_ = Button("ButtonCancel", "&Cancel", &TFormRTCSetup::ButtonCancelClick);

  buttonSetSysTime_->setMinimumWidth(buttonSetSysTime_->sizeHint().width());
  buttonOk_->setFixedWidth(70);
  buttonCancel_->setFixedWidth(70);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(buttonSetSysTime_);
  buttons->addStretch(1);
  buttons->addWidget(buttonOk_);
  buttons->addWidget(buttonCancel_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(12, 12, 12, 12);
  layout->addLayout(grid);
  layout->addStretch(1);
  layout->addLayout(buttons);
}

void TFormRTCSetup::Prepare(int left, int top, varnalux::ClockSettings& clock) {
  move(left, top);
  clock_ = &clock;
  clock.accepted = 0;
  ShowValues();
}

void TFormRTCSetup::ShowValues() {
  if (clock_ == nullptr) return;
  for (int i = 0; i < 6; ++i) edits_[i]->setText(QString::number(*Field(*clock_, i)));
}

void TFormRTCSetup::ButtonSetSysTimeClick() {
  if (clock_ == nullptr) return;
  const QDateTime now = timeSource_ ? timeSource_() : QDateTime::currentDateTime();
  clock_->year = now.date().year();
  clock_->month = now.date().month();
  clock_->date = now.date().day();
  clock_->hour = now.time().hour();
  clock_->minute = now.time().minute();
  clock_->second = now.time().second();
  ShowValues();
}

void TFormRTCSetup::ButtonOkClick() {
  if (clock_ == nullptr) return;
  // All six are converted before any is stored: a bad entry leaves the
  // record as it was, so withdrawing afterwards cannot send a half edit.
  int32_t values[6];
  for (int i = 0; i < 6; ++i) {
    const QString text = edits_[i]->text();
    if (!varnalux::ParseStrictInteger(text.toUtf8().constData(), values[i])) {
      seam_.MessageFrom(this, QStringLiteral("'%1' is not a valid integer value").arg(text));
      edits_[i]->setFocus();
      return;
    }
  }
  for (int i = 0; i < 6; ++i) *Field(*clock_, i) = values[i];
  clock_->accepted = 1;
  accept();
}

void TFormRTCSetup::ButtonCancelClick() { reject(); }

void TFormRTCSetup::reject() {
  if (clock_ != nullptr) clock_->accepted = 0;
  QDialog::reject();
}

}  // namespace varnalux
