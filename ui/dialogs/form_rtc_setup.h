// "RTC Setup": shows the printer's clock as read, lets the user edit it or
// take the computer's local time, and confirms with "Set".
#pragma once

#include <QDateTime>
#include <functional>

#include "protocol/clock.h"
#include "ui/dialogs/fixed_dialog.h"

class QLineEdit;
class QPushButton;

namespace varnalux {

class DialogSeam;

class TFormRTCSetup : public TFixedDialog {
  Q_OBJECT

 public:
  explicit TFormRTCSetup(DialogSeam& seam, QWidget* parent = nullptr);

  // Places the dialog, keeps the record, clears accepted and shows the six
  // values.
  void Prepare(int left, int top, varnalux::ClockSettings& clock);

  // Where "Get System Time" takes the local time from; an empty function
  // (the default) is the computer's clock.
  using TimeSource = std::function<QDateTime()>;
  void SetTimeSource(TimeSource source) { timeSource_ = std::move(source); }

 public slots:
  void ButtonSetSysTimeClick();
  // Converts the six edits strictly; a text that is not an integer is
  // reported and keeps the dialog open with the record unchanged.
  void ButtonOkClick();
  void ButtonCancelClick();

 protected:
  // Escape withdraws like "Cancel".
  void reject() override;

 private:
  void ShowValues();

  DialogSeam& seam_;
  TimeSource timeSource_;
  varnalux::ClockSettings* clock_ = nullptr;
  QLineEdit* edits_[6];  // Year, Month, Date, Hour, Minute, Second
  QPushButton* buttonSetSysTime_;
  QPushButton* buttonOk_;
  QPushButton* buttonCancel_;
};

}  // namespace varnalux
