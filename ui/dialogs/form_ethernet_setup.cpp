#include "ui/dialogs/form_ethernet_setup.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QValidator>
#include <algorithm>
#include <cstring>

#include "ui/dialog_seam.h"
#include "ui/form_font.h"
#include "ui/tab_order.h"

namespace varnalux {

namespace {

QString FieldText(const char (&field)[varnalux::NetTextSize]) {
  return QString::fromLatin1(field, static_cast<int>(strnlen(field, varnalux::NetTextSize)));
}

void StoreField(char (&field)[varnalux::NetTextSize], const QString& text) {
  const QByteArray bytes = text.toLatin1();
  varnalux::StoreNetText(field, std::string_view(bytes.constData(), bytes.size()));
}

// The longest name typed into the dialog.
constexpr int TypedNameMax = 15;

// Typing keeps a name to 15 characters. A longer name the printer gave is
// shown whole and may only be shortened; it is never cut behind the
// user's back.
class NameLengthValidator : public QValidator {
 public:
  NameLengthValidator(const QString& given, const QString& shown, QObject* parent)
      : QValidator(parent), given_(given), shown_(shown) {}
  State validate(QString& input, int&) const override {
    if (input.size() <= TypedNameMax || input == given_ || input.size() < shown_.size())
      return Acceptable;
    return Invalid;
  }

 private:
  const QString& given_;
  const QString& shown_;
};

}  // namespace

TFormEthernetSetup::TFormEthernetSetup(DialogSeam& seam, QWidget* parent)
    : TFixedDialog({"FormEthernetSetup", "Ethernet Setup", 301, 310}, parent), seam_(seam) {
  radioGroupDHCP_ = new QGroupBox(QStringLiteral("IP Setup"), this);
  radioGroupDHCP_->setObjectName(QStringLiteral("RadioGroupDHCP"));
  auto* radios = new QHBoxLayout(radioGroupDHCP_);
  dhcpChoice_ = Choice(radioGroupDHCP_, "RadioGroupDHCPItem", {"DHCP", "Static IP"}, radios);
  radios->addStretch(1);
  radioDhcp_ = static_cast<QRadioButton*>(dhcpChoice_->button(0));
  radioStatic_ = static_cast<QRadioButton*>(dhcpChoice_->button(1));

  auto* grid = new QGridLayout;
  grid->setVerticalSpacing(10);
  BuildAddressRows(grid);
  BuildNameRows(grid);

  buttonSetPrinterName_ = Button("ButtonSetPrinterName", "Set Printer &Name",
                                 &TFormEthernetSetup::ButtonSetPrinterNameClick);
  buttonSetIP_ = Button("ButtonSetIP", "Set &IP", &TFormEthernetSetup::ButtonSetIPClick);
  buttonCancel_ = Button("ButtonCancel", "&Cancel", &TFormEthernetSetup::ButtonCancelClick);
  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {buttonSetPrinterName_, buttonSetIP_, buttonCancel_}) {
    b->setAutoDefault(false);
    buttons->addWidget(b);
  }

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(12, 10, 12, 12);
  layout->addWidget(radioGroupDHCP_);
  layout->addSpacing(6);
  layout->addLayout(grid);
  layout->addStretch(1);
  layout->addLayout(buttons);

  // Tab order as laid out: the choice, the four editable boxes, the buttons.
  ChainTabOrder({radioDhcp_, radioStatic_, editIP_, editMask_, editGateWay_, editPrinterName_,
                 buttonSetPrinterName_, buttonSetIP_, buttonCancel_});

  connect(radioDhcp_, &QRadioButton::clicked, this, &TFormEthernetSetup::RadioGroupDHCPClick);
  connect(radioStatic_, &QRadioButton::clicked, this, &TFormEthernetSetup::RadioGroupDHCPClick);

  varnalux::InitNetworkSettings(copy_);
  radioDhcp_->setChecked(true);
  ApplyDhcpRule();
}

// A captioned edit on the next row of grid; the caption is named too.
QLineEdit* TFormEthernetSetup::AddressRow(QGridLayout* grid, const char* labelName,
                                          const char* caption, const char* editName,
                                          QLabel*& label) {
  QLineEdit* edit = Edit(editName, QStringLiteral("0.0.0.0"));
  label = Caption(caption, edit);
  label->setObjectName(QString::fromLatin1(labelName));
  const int row = grid->count() / 2;  // a caption and an edit a row
  grid->addWidget(label, row, 0);
  grid->addWidget(edit, row, 1);
  return edit;
}

void TFormEthernetSetup::BuildAddressRows(QGridLayout* grid) {
  editIP_ = AddressRow(grid, "LabelIP", "IP:", "EditIP", labelIP_);
  editMask_ = AddressRow(grid, "LabelMask", "Subnet Mask:", "EditMask", labelMask_);
  editGateWay_ = AddressRow(grid, "LabelGateWay", "Gateway:", "EditGateWay", labelGateWay_);
}

// The name typed, kept within its length, and the MAC address shown only.
void TFormEthernetSetup::BuildNameRows(QGridLayout* grid) {
  editPrinterName_ =
      AddressRow(grid, "LabelPrinterName", "Printer Name:", "EditPrinterName", labelPrinterName_);
  editPrinterName_->clear();
  editPrinterName_->setMaxLength(TypedNameMax);
  editPrinterName_->setValidator(new NameLengthValidator(givenName_, shownName_, this));
  connect(editPrinterName_, &QLineEdit::textChanged, this,
          [this](const QString& text) { shownName_ = text; });
  editMACAddr_ = AddressRow(grid, "LabelMACAddr", "MAC Address:", "EditMACAddr", labelMACAddr_);
  editMACAddr_->clear();
  editMACAddr_->setReadOnly(true);
  editMACAddr_->setEnabled(false);
  editMACAddr_->setFocusPolicy(Qt::NoFocus);
}

void TFormEthernetSetup::Prepare(int left, int top, varnalux::NetworkSettings& settings) {
  move(left, top);
  settings.confirmed = 0;
  caller_ = &settings;
  copy_ = settings;
  ApplyDhcpRule();
  (copy_.dhcp == 1 ? radioDhcp_ : radioStatic_)->setChecked(true);
  editIP_->setText(FieldText(copy_.dhcp == 1 ? copy_.lastUsedIp : copy_.ipAddress));
  editMask_->setText(FieldText(copy_.subnetMask));
  editGateWay_->setText(FieldText(copy_.gateway));
  // The name as the printer gave it: the field's limit grows to hold it,
  // so that it is neither shown nor sent cut.
  givenName_ = FieldText(copy_.netName);
  editPrinterName_->setMaxLength(std::max<int>(TypedNameMax, givenName_.size()));
  editPrinterName_->setText(givenName_);
  editMACAddr_->setText(FieldText(copy_.macAddress));
  givenDhcp_ = DhcpSelected();
  givenIp_ = editIP_->text();
  givenMask_ = editMask_->text();
  givenGateway_ = editGateWay_->text();
}

bool TFormEthernetSetup::AddressesChanged() const {
  return DhcpSelected() != givenDhcp_ || editIP_->text() != givenIp_ ||
         editMask_->text() != givenMask_ || editGateWay_->text() != givenGateway_;
}

bool TFormEthernetSetup::NameChanged() const { return editPrinterName_->text() != givenName_; }

bool TFormEthernetSetup::DhcpSelected() const { return radioDhcp_->isChecked(); }

void TFormEthernetSetup::RadioGroupDHCPClick() {
  copy_.dhcp = DhcpSelected() ? 1 : 0;
  ApplyDhcpRule();
}

void TFormEthernetSetup::ApplyDhcpRule() {
  const bool editable = copy_.dhcp != 1;
  for (QWidget* w : std::initializer_list<QWidget*>{labelIP_, editIP_, labelMask_, editMask_,
                                                    labelGateWay_, editGateWay_})
    w->setEnabled(editable);
}

bool TFormEthernetSetup::Sendable(QLineEdit* edit) {
  const QString text = edit->text();
  bool ok = true;
  for (QChar c : text) {
    const char16_t u = c.unicode();
    if (u < 0x20 || u > 0x7E || u == u'"') ok = false;
  }
  if (ok) return true;
  seam_.MessageFrom(this, QStringLiteral("'%1' cannot be sent to the printer: use printable ASCII "
                                         "characters without double quotes")
                              .arg(text));
  edit->setFocus();
  return false;
}

void TFormEthernetSetup::ButtonSetIPClick() {
  if (caller_ == nullptr) return;
  const bool dhcp = DhcpSelected();
  // With DHCP only "NET DHCP" goes out, so the boxes need not be sendable.
  if (!dhcp && (!Sendable(editIP_) || !Sendable(editMask_) || !Sendable(editGateWay_))) return;
  // Each button sends its own part only; a typed name would otherwise be
  // dropped without a word.
  if (NameChanged() &&
      !seam_.YesNoFrom(this, QStringLiteral("\"Set IP\" sends the address settings only: the "
                                            "printer name you typed (\"%1\") is not sent, and "
                                            "the printer keeps \"%2\".\n\nSet the address "
                                            "settings without the name?")
                                 .arg(editPrinterName_->text(), givenName_))) {
    editPrinterName_->setFocus();
    return;
  }
  StoreField(caller_->ipAddress, editIP_->text());
  StoreField(caller_->subnetMask, editMask_->text());
  StoreField(caller_->gateway, editGateWay_->text());
  caller_->dhcp = dhcp ? 1 : 0;
  caller_->action = varnalux::NetActionSetIp;
  caller_->confirmed = 1;
  accept();
}

void TFormEthernetSetup::ButtonSetPrinterNameClick() {
  if (caller_ == nullptr) return;
  if (!Sendable(editPrinterName_)) return;
  if (AddressesChanged() &&
      !seam_.YesNoFrom(this, QStringLiteral("\"Set Printer Name\" sends the name only: the "
                                            "address settings you changed are not sent, and the "
                                            "printer keeps its own.\n\nSet the name without "
                                            "them?"))) {
    return;
  }
  StoreField(caller_->netName, editPrinterName_->text());
  caller_->action = varnalux::NetActionSetName;
  caller_->confirmed = 1;
  accept();
}

void TFormEthernetSetup::ButtonCancelClick() { reject(); }

void TFormEthernetSetup::reject() {
  if (caller_ != nullptr) caller_->confirmed = 0;
  QDialog::reject();
}

}  // namespace varnalux
