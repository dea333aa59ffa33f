#include "ui/form_rs232_setup.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>
#include <cstring>

#include "link/port_names.h"
#include "ui/form_font.h"
#include "ui/port_setup_support.h"

namespace {

QComboBox* MakeList(QWidget* parent, const char* name, const QStringList& items) {
  auto* box = new QComboBox(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->addItems(items);
  box->setMaxVisibleItems(12);
  return box;
}

// Selects index when it is an item of the list; otherwise no selection.
void SelectIndex(QComboBox* box, int index) {
  box->setCurrentIndex(index >= 0 && index < box->count() ? index : -1);
}

// Writes the list's index into field unless the list has no selection.
void StoreIndex(const QComboBox* box, int32_t& field) {
  if (box->currentIndex() >= 0) field = box->currentIndex();
}

}  // namespace

TFormRs232Setup::TFormRs232Setup(QWidget* parent) : QDialog(parent, FixedDialogFlags) {
  setObjectName(QStringLiteral("FormRs232Setup"));
  setWindowTitle(QStringLiteral("RS232 Setup"));
  UseFormFont(this);
  setFixedSize(FormSize(369, 311));

  QStringList ports;
  for (int i = 1; i <= varnalux::ComPortCount; ++i) ports << QStringLiteral("COM%1").arg(i);
  comboBoxComPort_ = MakeList(this, "ComboBoxComPort", ports);
  for (int i = 0; i < comboBoxComPort_->count(); ++i)
    comboBoxComPort_->setItemData(i, PortDeviceText(comboBoxComPort_->itemText(i)),
                                  Qt::ToolTipRole);
  comboBoxBaudRate_ =
      MakeList(this, "ComboBoxBaudRate",
               {QStringLiteral("2400"), QStringLiteral("4800"), QStringLiteral("9600"),
                QStringLiteral("19200"), QStringLiteral("38400"), QStringLiteral("57600"),
                QStringLiteral("115200"), QString()});
  comboBoxDataBit_ = MakeList(this, "ComboBoxDataBit", {QStringLiteral("7"), QStringLiteral("8")});
  comboBoxParity_ =
      MakeList(this, "ComboBoxParity",
               {QStringLiteral("None"), QStringLiteral("Odd"), QStringLiteral("Even")});
  comboBoxStopBit_ = MakeList(this, "ComboBoxStopBit",
                              {QStringLiteral("1"), QStringLiteral("1.5"), QStringLiteral("2")});
  comboBoxHdShak_ =
      MakeList(this, "ComboBoxHdShak",
               {QStringLiteral("None"), QStringLiteral("RTS"), QStringLiteral("RTS/CTS")});
  comboBoxSWShak_ =
      MakeList(this, "ComboBoxSWShak", {QStringLiteral("None"), QStringLiteral("Xon/Xoff")});

  labelPortDevice_ = new QLabel(this);
  labelPortDevice_->setObjectName(QStringLiteral("LabelPortDevice"));
  labelPortDevice_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto* form = new QFormLayout;
  form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
  form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  form->setVerticalSpacing(6);
  form->addRow(QStringLiteral("COM Port:"), comboBoxComPort_);
  // The list is named by its caption; the device line below describes it.
  comboBoxComPort_->setAccessibleName(QStringLiteral("COM Port:"));
  form->addRow(QStringLiteral("Baud Rate:"), comboBoxBaudRate_);
  form->addRow(QStringLiteral("Data Bits:"), comboBoxDataBit_);
  form->addRow(QStringLiteral("Parity Check:"), comboBoxParity_);
  form->addRow(QStringLiteral("Stop Bit(s):"), comboBoxStopBit_);
  form->addRow(QStringLiteral("Hardware Handshaking:"), comboBoxHdShak_);
  form->addRow(QStringLiteral("Software Handshaking:"), comboBoxSWShak_);

  buttonSet_ = new QPushButton(QStringLiteral("&Set"), this);
  buttonSet_->setObjectName(QStringLiteral("ButtonSet"));
  buttonSet_->setDefault(true);
  buttonCancel_ = new QPushButton(QStringLiteral("&Cancel"), this);
  buttonCancel_->setObjectName(QStringLiteral("ButtonCancel"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(buttonSet_);
  buttons->addWidget(buttonCancel_);
  buttons->addStretch(1);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(24, 16, 24, 16);
  layout->addLayout(form);
  layout->addSpacing(4);
  layout->addWidget(labelPortDevice_);
  layout->addStretch(1);
  layout->addLayout(buttons);

  connect(comboBoxComPort_, &QComboBox::currentIndexChanged, this,
          &TFormRs232Setup::ShowPortDevice);
  connect(buttonSet_, &QPushButton::clicked, this, &TFormRs232Setup::ButtonSetClick);
  connect(buttonCancel_, &QPushButton::clicked, this, &TFormRs232Setup::ButtonCancelClick);
  ShowPortDevice(comboBoxComPort_->currentIndex());
}

void TFormRs232Setup::Bind(varnalux::SerialSettings& settings) {
  settings_ = &settings;
  SelectIndex(comboBoxComPort_, PortListIndex(settings.portName, sizeof settings.portName));
  SelectIndex(comboBoxBaudRate_, settings.baudIndex);
  SelectIndex(comboBoxDataBit_, settings.dataBitsIndex);
  SelectIndex(comboBoxParity_, settings.parityIndex);
  SelectIndex(comboBoxStopBit_, settings.stopBitsIndex);
  SelectIndex(comboBoxHdShak_, settings.hwHandshakeIndex);
  SelectIndex(comboBoxSWShak_, settings.swHandshakeIndex);
  ShowPortDevice(comboBoxComPort_->currentIndex());
}

void TFormRs232Setup::ButtonSetClick() {
  if (settings_ != nullptr) {
    if (comboBoxComPort_->currentIndex() >= 0) {
      QByteArray name =
          QStringLiteral("COM%1").arg(comboBoxComPort_->currentIndex() + 1).toLatin1();
      varnalux::CopyText(settings_->portName, sizeof settings_->portName, name.constData());
    }
    StoreIndex(comboBoxBaudRate_, settings_->baudIndex);
    StoreIndex(comboBoxDataBit_, settings_->dataBitsIndex);
    StoreIndex(comboBoxParity_, settings_->parityIndex);
    StoreIndex(comboBoxStopBit_, settings_->stopBitsIndex);
    StoreIndex(comboBoxHdShak_, settings_->hwHandshakeIndex);
    StoreIndex(comboBoxSWShak_, settings_->swHandshakeIndex);
  }
  accept();
}

void TFormRs232Setup::ButtonCancelClick() { reject(); }

void TFormRs232Setup::ShowPortDevice(int index) {
  ShowDeviceLine(index);
  comboBoxComPort_->setAccessibleDescription(labelPortDevice_->text());
}

void TFormRs232Setup::ShowDeviceLine(int index) {
  if (index >= 0) {
    labelPortDevice_->setText(PortDeviceText(comboBoxComPort_->itemText(index)));
  } else if (settings_ != nullptr) {
    // A record that names a device path (or anything else) directly.
    const QString name = QString::fromLocal8Bit(
        settings_->portName,
        static_cast<int>(strnlen(settings_->portName, sizeof settings_->portName)));
    labelPortDevice_->setText(PortDeviceText(name));
  } else {
    labelPortDevice_->clear();
  }
}
