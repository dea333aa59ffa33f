#include "ui/form_font.h"

#include <QFont>
#include <QWidget>

void UseFormFont(QWidget* window) {
  QFont font = window->font();
  font.setPointSize(FormFontPointSize);
  window->setFont(font);
}
