// The About box: one large button that shows the version and closes the box.
#pragma once

#include "ui/dialogs/fixed_dialog.h"

class QPushButton;

namespace varnalux {

class TFormAbout : public TFixedDialog {
  Q_OBJECT

 public:
  explicit TFormAbout(QWidget* parent = nullptr);
  QPushButton* Button1() const { return button1_; }

 private:
  QPushButton* button1_;
};

}  // namespace varnalux
