#include "app/form_about.h"

#include <QFont>
#include <QPushButton>

#include "ui/form_font.h"

TFormAbout::TFormAbout(QWidget* parent)
    : QDialog(parent, FixedDialogFlags),
      button1_(new QPushButton(QStringLiteral("Version 1.16"), this)) {
  setObjectName(QStringLiteral("FormAbout"));
  setWindowTitle(QStringLiteral("Varnalux"));
  setFixedSize(206, 95);
  button1_->setObjectName(QStringLiteral("Button1"));
  button1_->setGeometry(2, 3, 201, 89);
  QFont font = button1_->font();
  font.setPixelSize(19);
  button1_->setFont(font);
  connect(button1_, &QPushButton::clicked, this, &QDialog::accept);
}
