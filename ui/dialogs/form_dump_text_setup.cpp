#include "ui/dialogs/form_dump_text_setup.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/form_font.h"
#include "ui/printer_text.h"

namespace varnalux {

TFormDumpTextSetup::TFormDumpTextSetup(QWidget* parent)
    : TFixedDialog({"FormDumpTextSetup", "Dump Text Setup", 274, 277}, parent) {
  radioGroupDumpMode_ = new QGroupBox(QStringLiteral("Dump Text Setup"), this);
  radioGroupDumpMode_->setObjectName(QStringLiteral("RadioGroupDumpMode"));
  modes_ = Choice(radioGroupDumpMode_, "RadioGroupDumpMode",
                  {"Print Label", "Save to SD Card", "Save to File"},
                  new QVBoxLayout(radioGroupDumpMode_));

  editFileName_ = Edit("EditFileName", QStringLiteral("Dump.txt"));
  editFileName_->setMaxLength(12);
  labelFileName_ = Caption("File Name:", editFileName_);
  labelFileName_->setObjectName(QStringLiteral("LabelFileName"));

  buttonOK_ = Button("ButtonOK", "&Set", &TFormDumpTextSetup::ButtonOKClick);
  buttonOK_->setDefault(true);
  buttonCancel_ = Button("ButtonCancel", "&Cancel", &TFormDumpTextSetup::ButtonCancelClick);

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

}  // namespace varnalux
