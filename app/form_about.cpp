#include "app/form_about.h"

#include <QFont>
#include <QPushButton>

#include "ui/form_font.h"

namespace varnalux {

TFormAbout::TFormAbout(QWidget* parent)
    : TFixedDialog({"FormAbout", "Varnalux", 206, 95, DialogSizing::Pixels}, parent),
      button1_(Button("Button1", "Version 1.16")) {
  button1_->setGeometry(2, 3, 201, 89);
  QFont font = button1_->font();
  font.setPixelSize(19);
  button1_->setFont(font);
  connect(button1_, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace varnalux
