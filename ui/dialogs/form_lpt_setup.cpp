#include "ui/dialogs/form_lpt_setup.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstring>

#include "link/port_names.h"
#include "ui/dialogs/port_setup_support.h"
#include "ui/form_font.h"

namespace varnalux {

TFormLPTSetup::TFormLPTSetup(QWidget* parent)
    : TFixedDialog({"FormLPTSetup", "LPT Setup", 315, 88}, parent) {
  comboBoxLPT_ = new QComboBox(this);
  comboBoxLPT_->setObjectName(QStringLiteral("ComboBoxLPT"));
  for (int i = 1; i <= varnalux::LptPortCount; ++i) {
    const QString name = QStringLiteral("LPT%1").arg(i);
    comboBoxLPT_->addItem(name);
    comboBoxLPT_->setItemData(i - 1, PortDeviceText(name), Qt::ToolTipRole);
  }

  labelPortDevice_ = new QLabel(this);
  labelPortDevice_->setObjectName(QStringLiteral("LabelPortDevice"));
  labelPortDevice_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  // The list has no caption: it is named here; the device line below
  // describes it.
  comboBoxLPT_->setAccessibleName(QStringLiteral("LPT Port:"));

  buttonSet_ = Button("ButtonSet", "&Set", &TFormLPTSetup::ButtonSetClick);
  buttonSet_->setDefault(true);
  buttonCancel_ = Button("ButtonCancel", "&Cancel", &TFormLPTSetup::ButtonCancelClick);

  auto* top = new QHBoxLayout;
  top->addWidget(comboBoxLPT_, 1);
  top->addWidget(buttonSet_);
  top->addWidget(buttonCancel_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(16, 12, 16, 10);
  layout->addLayout(top);
  layout->addWidget(labelPortDevice_);
  layout->addStretch(1);

  connect(comboBoxLPT_, &QComboBox::currentIndexChanged, this, &TFormLPTSetup::ShowPortDevice);
  ShowPortDevice(comboBoxLPT_->currentIndex());
}

void TFormLPTSetup::Bind(char (&deviceName)[varnalux::ParallelNameSize]) {
  deviceName_ = deviceName;
  const int index = PortListIndex(deviceName, varnalux::ParallelNameSize);
  comboBoxLPT_->setCurrentIndex(index >= 0 && index < comboBoxLPT_->count() ? index : -1);
  ShowPortDevice(comboBoxLPT_->currentIndex());
}

void TFormLPTSetup::ButtonSetClick() {
  if (deviceName_ != nullptr && comboBoxLPT_->currentIndex() >= 0) {
    const QByteArray name =
        QStringLiteral("LPT%1").arg(comboBoxLPT_->currentIndex() + 1).toLatin1();
    varnalux::CopyText(deviceName_, varnalux::ParallelNameSize, name.constData());
  }
  accept();
}

void TFormLPTSetup::ButtonCancelClick() { reject(); }

void TFormLPTSetup::ShowPortDevice(int index) {
  ShowDeviceLine(index);
  comboBoxLPT_->setAccessibleDescription(labelPortDevice_->text());
}

void TFormLPTSetup::ShowDeviceLine(int index) {
  if (index >= 0) {
    labelPortDevice_->setText(PortDeviceText(comboBoxLPT_->itemText(index)));
  } else if (deviceName_ != nullptr) {
    const QString name = QString::fromLocal8Bit(
        deviceName_, static_cast<int>(strnlen(deviceName_, varnalux::ParallelNameSize)));
    labelPortDevice_->setText(PortDeviceText(name));
  } else {
    labelPortDevice_->clear();
  }
}

}  // namespace varnalux
