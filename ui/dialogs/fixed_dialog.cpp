#include "ui/dialogs/fixed_dialog.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include "ui/tab_order.h"

namespace varnalux {

TFixedDialog::TFixedDialog(const DialogFrame& frame, QWidget* parent) : QDialog(parent, frame.flags) {
  setObjectName(QString::fromLatin1(frame.name));
  setWindowTitle(QString::fromLatin1(frame.title));
  if (frame.sizing == DialogSizing::Pixels) {
    setFixedSize(frame.width, frame.height);
    return;
  }
  UseFormFont(this);
  if (frame.sizing == DialogSizing::Resizable)
    resize(FormSize(frame.width, frame.height));
  else
    setFixedSize(FormSize(frame.width, frame.height));
}

QPushButton* TFixedDialog::Button(const char* name, const char* caption, QWidget* parent) {
  auto* button = new QPushButton(QString::fromLatin1(caption), parent ? parent : this);
  button->setObjectName(QString::fromLatin1(name));
  return button;
}

QLineEdit* TFixedDialog::Edit(const char* name, const QString& text, QWidget* parent) {
  auto* edit = new QLineEdit(text, parent ? parent : this);
  edit->setObjectName(QString::fromLatin1(name));
  return edit;
}

QLabel* TFixedDialog::Caption(const char* text, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(QString::fromLatin1(text), parent ? parent : this);
  label->setBuddy(buddy);
  return label;
}

QButtonGroup* TFixedDialog::Choice(QGroupBox* box, const char* prefix,
                                  std::initializer_list<const char*> items, QBoxLayout* layout) {
  auto* group = new QButtonGroup(this);
  int id = 0;
  for (const char* item : items) {
    auto* radio = new QRadioButton(QString::fromLatin1(item), box);
    radio->setObjectName(QString::fromLatin1(prefix) + QString::number(id));
    group->addButton(radio, id++);
    layout->addWidget(radio);
  }
  OneTabStopPerChoice(group);
  return group;
}

}  // namespace varnalux
