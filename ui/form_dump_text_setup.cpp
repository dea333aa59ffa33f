#include "ui/form_dump_text_setup.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/form_font.h"
#include "ui/printer_text.h"
#include "ui/tab_order.h"

TFormDumpTextSetup::TFormDumpTextSetup(QWidget* parent) : QDialog(parent, FixedDialogFlags) {
  setObjectName(QStringLiteral("FormDumpTextSetup"));
  setWindowTitle(QStringLiteral("Dump Text Setup"));
  UseFormFont(this);
  setFixedSize(FormSize(274, 277));

  radioGroupDumpMode_ = new QGroupBox(QStringLiteral("Dump Text Setup"), this);
  radioGroupDumpMode_->setObjectName(QStringLiteral("RadioGroupDumpMode"));
  modes_ = new QButtonGroup(this);
  auto* modeLayout = new QVBoxLayout(radioGroupDumpMode_);
  const char* const items[3] = {"Print Label", "Save to SD Card", "Save to File"};
  for (int i = 0; i < 3; ++i) {
    auto* item = new QRadioButton(QString::fromLatin1(items[i]), radioGroupDumpMode_);
    item->setObjectName(QStringLiteral("RadioGroupDumpMode%1").arg(i));
    modes_->addButton(item, i);
    modeLayout->addWidget(item);
  }
  OneTabStopPerChoice(modes_);

  labelFileName_ = new QLabel(QStringLiteral("File Name:"), this);
  labelFileName_->setObjectName(QStringLiteral("LabelFileName"));
  editFileName_ = new QLineEdit(QStringLiteral("Dump.txt"), this);
  editFileName_->setObjectName(QStringLiteral("EditFileName"));
  editFileName_->setMaxLength(12);
  labelFileName_->setBuddy(editFileName_);

  buttonOK_ = new QPushButton(QStringLiteral("&Set"), this);
  buttonOK_->setObjectName(QStringLiteral("ButtonOK"));
  buttonOK_->setDefault(true);
  buttonCancel_ = new QPushButton(QStringLiteral("&Cancel"), this);
  buttonCancel_->setObjectName(QStringLiteral("ButtonCancel"));

  auto* nameRow = new QHBoxLayout;
  nameRow->addWidget(labelFileName_);
  nameRow->addWidget(editFileName_, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(buttonOK_);
  buttons->addWidget(buttonCancel_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(16, 12, 16, 12);
  layout->addWidget(radioGroupDumpMode_);
  layout->addLayout(nameRow);
  layout->addStretch(1);
  layout->addLayout(buttons);

  connect(modes_, &QButtonGroup::idClicked, this, &TFormDumpTextSetup::RadioGroupDumpModeClick);
  connect(buttonOK_, &QPushButton::clicked, this, &TFormDumpTextSetup::ButtonOKClick);
  connect(buttonCancel_, &QPushButton::clicked, this, &TFormDumpTextSetup::ButtonCancelClick);
}

void TFormDumpTextSetup::Prepare(int left, int top, varnalux::DumpTextSettings& settings) {
  move(left, top);
  settings_ = &settings;
  settings.accepted = 0;
  const int index = settings.mode <= 2 ? static_cast<int>(settings.mode) : -1;
  if (QAbstractButton* item = modes_->button(index)) item->setChecked(true);
  ApplyModeRule(index);
}

void TFormDumpTextSetup::ApplyModeRule(int index) { editFileName_->setEnabled(index == 1); }

void TFormDumpTextSetup::RadioGroupDumpModeClick(int index) {
  if (settings_ != nullptr) settings_->mode = static_cast<uint32_t>(index);
  ApplyModeRule(index);
}

void TFormDumpTextSetup::ButtonOKClick() {
  if (settings_ != nullptr) {
    settings_->mode = static_cast<uint32_t>(modes_->checkedId());
    CopyTextToField(settings_->fileName, sizeof settings_->fileName, editFileName_->text());
    settings_->accepted = 1;
  }
  accept();
}

void TFormDumpTextSetup::ButtonCancelClick() {
  if (settings_ != nullptr) settings_->accepted = 0;
  reject();
}
