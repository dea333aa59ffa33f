#include "ui/dialogs/form_rs232_setup.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>
#include <cstring>

#include "link/port_names.h"
#include "ui/dialogs/port_setup_support.h"
#include "ui/form_font.h"

namespace varnalux {

namespace {

QComboBox* MakeList(QWidget* parent, const char* name, const QStringList& items) {
  auto* box = new QComboBox(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->addItems(items);
  box->setMaxVisibleItems(12);
  return box;
}

QStringList PortItems() {
  QStringList ports;
  for (int i = 1; i <= varnalux::ComPortCount; ++i) ports << QStringLiteral("COM%1").arg(i);
  return ports;
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

// A list of the dialog: its member, object name, caption, items joined by
// '|' (none: the ports), and the setting it selects (none: the port name).
struct TFormRs232Setup::ListRow {
  QComboBox* TFormRs232Setup::*list;
  const char* name;
  const char* caption;
  const char* items;
  int32_t varnalux::SerialSettings::*setting;
};

// The lists in the order they stand.
std::span<const TFormRs232Setup::ListRow> TFormRs232Setup::Lists() {
  using varnalux::SerialSettings;
  static const ListRow ListRows[] = {
      {&TFormRs232Setup::comboBoxComPort_, "ComboBoxComPort", "COM Port:", nullptr, nullptr},
      {&TFormRs232Setup::comboBoxBaudRate_, "ComboBoxBaudRate",
       "Baud Rate:", "2400|4800|9600|19200|38400|57600|115200|", &SerialSettings::baudIndex},
      {&TFormRs232Setup::comboBoxDataBit_, "ComboBoxDataBit", "Data Bits:", "7|8",
       &SerialSettings::dataBitsIndex},
      {&TFormRs232Setup::comboBoxParity_, "ComboBoxParity", "Parity Check:", "None|Odd|Even",
       &SerialSettings::parityIndex},
      {&TFormRs232Setup::comboBoxStopBit_, "ComboBoxStopBit", "Stop Bit(s):", "1|1.5|2",
       &SerialSettings::stopBitsIndex},
      {&TFormRs232Setup::comboBoxHdShak_, "ComboBoxHdShak",
       "Hardware Handshaking:", "None|RTS|RTS/CTS", &SerialSettings::hwHandshakeIndex},
      {&TFormRs232Setup::comboBoxSWShak_, "ComboBoxSWShak",
       "Software Handshaking:", "None|Xon/Xoff", &SerialSettings::swHandshakeIndex},
  };
  return ListRows;
}

TFormRs232Setup::TFormRs232Setup(QWidget* parent)
    : TFixedDialog({"FormRs232Setup", "RS232 Setup", 369, 311}, parent) {
  QFormLayout* form = BuildLists();
  labelPortDevice_ = new QLabel(this);
  labelPortDevice_->setObjectName(QStringLiteral("LabelPortDevice"));
  labelPortDevice_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  buttonSet_ = Button("ButtonSet", "&Set", &TFormRs232Setup::ButtonSetClick);
  buttonSet_->setDefault(true);
  buttonCancel_ = Button("ButtonCancel", "&Cancel", &TFormRs232Setup::ButtonCancelClick);
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
  ShowPortDevice(comboBoxComPort_->currentIndex());
}

// The lists with their captions on a form, in the order they stand.
QFormLayout* TFormRs232Setup::BuildLists() {
  for (const ListRow& row : Lists())
    this->*row.list = MakeList(
        this, row.name, row.items ? QString::fromLatin1(row.items).split(u'|') : PortItems());
  for (int i = 0; i < comboBoxComPort_->count(); ++i)
    comboBoxComPort_->setItemData(i, PortDeviceText(comboBoxComPort_->itemText(i)),
                                  Qt::ToolTipRole);

  auto* form = new QFormLayout;
  form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
  form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  form->setVerticalSpacing(6);
  for (const ListRow& row : Lists())
    form->addRow(QString::fromLatin1(row.caption), this->*row.list);
  // The list is named by its caption; the device line below describes it.
  comboBoxComPort_->setAccessibleName(QStringLiteral("COM Port:"));

  return form;
}

void TFormRs232Setup::Bind(varnalux::SerialSettings& settings) {
  settings_ = &settings;
  SelectIndex(comboBoxComPort_, PortListIndex(settings.portName, sizeof settings.portName));
  for (const ListRow& row : Lists())
    if (row.setting) SelectIndex(this->*row.list, settings.*row.setting);
  ShowPortDevice(comboBoxComPort_->currentIndex());
}

void TFormRs232Setup::ButtonSetClick() {
  if (settings_ != nullptr) {
    if (comboBoxComPort_->currentIndex() >= 0) {
      QByteArray name =
          QStringLiteral("COM%1").arg(comboBoxComPort_->currentIndex() + 1).toLatin1();
      varnalux::CopyText(settings_->portName, sizeof settings_->portName, name.constData());
    }
    for (const ListRow& row : Lists())
      if (row.setting) StoreIndex(this->*row.list, settings_->*row.setting);
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

}  // namespace varnalux
