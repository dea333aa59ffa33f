#include "ui/dialogs/form_net_setup.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cstring>

#include "net/dotted_address.h"
#include "protocol/network_settings.h"
#include "ui/dialog_seam.h"
#include "ui/dialogs/form_ethernet_setup.h"
#include "ui/form_font.h"
#include "ui/tab_order.h"

namespace varnalux {

namespace {

const char DefaultHost[] = "192.168.1.100";
constexpr int HostEditMax = 64;
constexpr int ClientWidth = 635;
constexpr int ClientHeight = 315;

enum Column { ColumnName, ColumnMac, ColumnIp, ColumnModel, ColumnStatus };
// The printer name's bytes as they arrived, kept beside the shown text.
constexpr int RawNameRole = Qt::UserRole;

// The UTF-8 bytes of text cut to at most limit bytes without splitting a
// character.
QByteArray CutUtf8(const QString& text, int limit) {
  QByteArray bytes = text.toUtf8();
  if (bytes.size() <= limit) return bytes;
  int cut = limit;
  while (cut > 0 && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80) --cut;
  return bytes.left(cut);
}

// Text from a datagram for a list cell: never markup, and control
// characters shown as spaces so a row stays one line.
QString CellText(const std::string& bytes) {
  QString text = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
  for (QChar& c : text)
    if (c.category() == QChar::Other_Control) c = QLatin1Char(' ');
  return text;
}

}  // namespace

// A busy cursor and the action buttons disabled, from Begin (or the
// constructor) to End (or the destructor).
class TFormNetSetup::Busy {
 public:
  explicit Busy(TFormNetSetup& form) : form_(form) { Begin(); }
  ~Busy() { End(); }
  Busy(const Busy&) = delete;
  Busy& operator=(const Busy&) = delete;

  void Begin() {
    if (busy_) return;
    busy_ = true;
    form_.SetActionsEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
  }
  void End() {
    if (!busy_) return;
    busy_ = false;
    QApplication::restoreOverrideCursor();
    form_.SetActionsEnabled(true);
  }

 private:
  TFormNetSetup& form_;
  bool busy_ = false;
};

TFormNetSetup::TFormNetSetup(DialogSeam& seam, const varnalux::net::UdpOptions& udp,
                             QWidget* parent)
    : TFixedDialog({"FormNetSetup", "TCP/IP Setup", ClientWidth, ClientHeight}, parent),
      seam_(seam),
      session_(udp) {
  BuildPrinterList();
  buttonDiscover_ =
      Button("ButtonDiscover", "&Discover Device", &TFormNetSetup::ButtonDiscoverClick);
  buttonChangeIP_ =
      Button("ButtonChangeIP", "&Change IP Address", &TFormNetSetup::ButtonChangeIPClick);
  buttonFactoryDefault_ =
      Button("ButtonFactoryDefault", "&Factory Default", &TFormNetSetup::ButtonFactoryDefaultClick);
  buttonBrowser_ = Button("ButtonBrowser", "&Web Setup", &TFormNetSetup::ButtonBrowserClick);
  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {buttonDiscover_, buttonChangeIP_, buttonFactoryDefault_, buttonBrowser_}) {
    b->setAutoDefault(false);
    buttons->addWidget(b);
  }
  buttons->addStretch(1);
  BuildIpSetting();

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(listView1_, 1);
  layout->addLayout(buttons);
  layout->addWidget(groupIpSetting_);

  // Tab order follows the layout: list, buttons left to right, IP setting.
  ChainTabOrder({listView1_, buttonDiscover_, buttonChangeIP_, buttonFactoryDefault_,
                 buttonBrowser_, editIPAddr_, editPort_, buttonSet_});
  session_.SetPump([this] { PumpMessages(); });
}

void TFormNetSetup::BuildPrinterList() {
  listView1_ = new QTreeWidget(this);
  listView1_->setObjectName(QStringLiteral("ListView1"));
  listView1_->setAccessibleName(QStringLiteral("Printers"));
  listView1_->setHeaderLabels({QStringLiteral("Printer Name"), QStringLiteral("MAC"),
                               QStringLiteral("IP Address"), QStringLiteral("Model Name"),
                               QStringLiteral("Status")});
  listView1_->setRootIsDecorated(false);
  listView1_->setItemsExpandable(false);
  listView1_->setUniformRowHeights(true);
  listView1_->setSelectionBehavior(QAbstractItemView::SelectRows);
  listView1_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  listView1_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  listView1_->header()->setSectionsMovable(false);
  listView1_->setColumnWidth(ColumnName, FormPixels(150));
  listView1_->setColumnWidth(ColumnMac, FormPixels(130));
  listView1_->setColumnWidth(ColumnIp, FormPixels(110));
  listView1_->setColumnWidth(ColumnModel, FormPixels(110));
  connect(listView1_, &QTreeWidget::itemClicked, this, &TFormNetSetup::ListView1Click);
}

// The host and port the window's link uses, and "Exit" that takes them.
void TFormNetSetup::BuildIpSetting() {
  groupIpSetting_ = new QGroupBox(QStringLiteral("IP Setting"), this);
  groupIpSetting_->setObjectName(QStringLiteral("GroupBoxIPSetting"));
  editIPAddr_ = Edit("EditIPAddr", QString(), groupIpSetting_);
  editIPAddr_->setMaxLength(HostEditMax);
  editPort_ = Edit("EditPort", QStringLiteral("9100"), groupIpSetting_);
  editPort_->setFixedWidth(FormPixels(70));
  buttonSet_ = Button("ButtonSet", "&Exit", &TFormNetSetup::ButtonSetClick, groupIpSetting_);

  auto* grid = new QGridLayout(groupIpSetting_);
  grid->addWidget(Caption("IP Address/Printer Name:", editIPAddr_, groupIpSetting_), 0, 0);
  grid->addWidget(editIPAddr_, 0, 1);
  grid->addWidget(Caption("Port:", editPort_, groupIpSetting_), 0, 2);
  grid->addWidget(editPort_, 0, 3);
  grid->addWidget(buttonSet_, 0, 4);
  grid->setColumnStretch(1, 1);
}

void TFormNetSetup::PumpMessages() {
  // Shown, the dialog is modal and its action buttons are disabled, so
  // every message can be handled. Before it is shown (the first discovery)
  // the main window would still take clicks: user input waits until then.
  QCoreApplication::processEvents(isVisible() ? QEventLoop::AllEvents
                                              : QEventLoop::ExcludeUserInputEvents);
}

void TFormNetSetup::SetActionsEnabled(bool enabled) {
  for (QPushButton* b : {buttonDiscover_, buttonChangeIP_, buttonFactoryDefault_, buttonSet_})
    b->setEnabled(enabled);
}

std::vector<varnalux::net::AnswerPath> TFormNetSetup::WaysTo(const QString& mac) const {
  return varnalux::net::PathsOf(rows_, mac.toStdString());
}

void TFormNetSetup::Bind(varnalux::TcpTarget& target) {
  target_ = &target;
  DiscoverPrinters();
  QString host =
      QString::fromUtf8(target.host, static_cast<int>(strnlen(target.host, sizeof target.host)));
  if (host.isEmpty()) {
    if (listView1_->topLevelItemCount() > 0) {
      QTreeWidgetItem* first = listView1_->topLevelItem(0);
      listView1_->setCurrentItem(first);
      host = first->text(ColumnIp);
    } else {
      host = QString::fromLatin1(DefaultHost);
    }
  }
  editIPAddr_->setText(host);
  editPort_->setText(QString::number(target.port));
}

void TFormNetSetup::AddRow(const varnalux::net::PrinterRow& row) {
  auto* item = new QTreeWidgetItem(listView1_);
  item->setText(ColumnName, CellText(row.name));
  item->setText(ColumnMac, QString::fromLatin1(row.mac.c_str()));
  item->setText(ColumnIp, QString::fromLatin1(row.ip.c_str()));
  item->setText(ColumnModel, CellText(row.model));
  item->setText(ColumnStatus, QString::fromLatin1(row.status.c_str()));
  item->setData(ColumnName, RawNameRole,
                QByteArray(row.name.data(), static_cast<qsizetype>(row.name.size())));
}

void TFormNetSetup::DiscoverPrinters() {
  Busy busy(*this);
  listView1_->clear();
  rows_.clear();
  PumpMessages();
  std::vector<varnalux::net::PrinterRow> rows;
  if (session_.Discover(rows)) {
    for (const varnalux::net::PrinterRow& row : rows) AddRow(row);
    rows_ = std::move(rows);
  }
}

QTreeWidgetItem* TFormNetSetup::FirstSelectedRow() const {
  for (int i = 0; i < listView1_->topLevelItemCount(); ++i)
    if (listView1_->topLevelItem(i)->isSelected()) return listView1_->topLevelItem(i);
  return nullptr;
}

void TFormNetSetup::ListView1Click() {
  if (QTreeWidgetItem* row = FirstSelectedRow()) editIPAddr_->setText(row->text(ColumnIp));
}

void TFormNetSetup::ButtonFactoryDefaultClick() {
  QTreeWidgetItem* row = FirstSelectedRow();
  if (row == nullptr) return;
  varnalux::net::Mac mac{};
  if (!varnalux::net::ParseMacText(row->text(ColumnMac).toStdString(), mac)) return;
  if (!seam_.YesNoFrom(this, QStringLiteral("Are you sure?"))) return;
  Busy busy(*this);
  bool sent = false;
  if (!session_.FactoryDefault(mac, sent, WaysTo(row->text(ColumnMac)))) return;
  listView1_->clear();
  rows_.clear();
}

void TFormNetSetup::ButtonChangeIPClick() {
  QTreeWidgetItem* row = FirstSelectedRow();
  if (row == nullptr) return;
  varnalux::net::Mac mac{};
  if (!varnalux::net::ParseMacText(row->text(ColumnMac).toStdString(), mac)) return;
  const QByteArray rawName = row->data(ColumnName, RawNameRole).toByteArray();
  const QString macText = row->text(ColumnMac);

  varnalux::net::RemoteSettings assumed;
  assumed.netName = std::string(rawName.constData(), static_cast<size_t>(rawName.size()));
  Busy busy(*this);
  auto edit = [&](const varnalux::net::SettingsRead& read, varnalux::net::SettingsEdit& e) {
    busy.End();
    // An answer too short to hold its fields counts as no answer; say so.
    if (read.addressShort)
      seam_.MessageFrom(this, QStringLiteral("The printer's answer about its addresses was too "
                                             "short: they are not sent unless you set them."));
    if (read.modeShort)
      seam_.MessageFrom(this, QStringLiteral("The printer's answer about its address mode was "
                                             "too short: it is not sent unless you set it."));
    // Values that were not read stay empty, with DHCP off.
    varnalux::NetworkSettings settings;
    std::memset(&settings, 0, sizeof settings);
    if (read.modeAnswered) settings.dhcp = e.settings.dhcp ? 1 : 0;
    if (read.addressAnswered) {
      varnalux::StoreNetText(settings.ipAddress, e.settings.ipAddress);
      varnalux::StoreNetText(settings.lastUsedIp, e.settings.ipAddress);
      varnalux::StoreNetText(settings.subnetMask, e.settings.subnetMask);
      varnalux::StoreNetText(settings.gateway, e.settings.gateway);
    }
    varnalux::StoreNetText(settings.netName, e.settings.netName);
    varnalux::StoreNetText(settings.macAddress, macText.toStdString());

    TFormEthernetSetup dialog(seam_, this);
    dialog.Prepare(x(), y(), settings);
    seam_.Exec(dialog);
    if (!settings.confirmed) return false;
    busy.Begin();

    e.settings.dhcp = settings.dhcp != 0;
    e.settings.ipAddress = settings.ipAddress;
    e.settings.subnetMask = settings.subnetMask;
    e.settings.gateway = settings.gateway;
    e.settings.netName = settings.netName;
    e.addressSet = e.modeSet = settings.action == varnalux::NetActionSetIp;
    return true;
  };
  if (session_.ChangeSettings(mac, assumed, edit, WaysTo(macText)) ==
      varnalux::net::ChangeOutcome::Sent) {
    listView1_->clear();
    rows_.clear();
  }
}

void TFormNetSetup::ButtonBrowserClick() {
  const QString url = QStringLiteral("http://") + editIPAddr_->text();
  if (seam_.OpenUrlChecked(url)) return;
  // Without a browser nothing would happen at all: say so, with the address
  // to type into a browser elsewhere.
  seam_.MessageFrom(this, QStringLiteral("The printer's web page %1 could not be opened: this "
                                         "desktop has no web browser set up to open it.")
                              .arg(url));
}

void TFormNetSetup::ButtonSetClick() {
  if (target_ != nullptr) {
    const QByteArray host =
        CutUtf8(editIPAddr_->text(), static_cast<int>(sizeof target_->host) - 1);
    varnalux::CopyText(target_->host, sizeof target_->host, host.constData());
  }
  bool ok = false;
  const QString portText = editPort_->text();
  const int port = portText.toInt(&ok, 10);
  if (!ok) {
    seam_.MessageFrom(this, QStringLiteral("'%1' is not a valid integer value").arg(portText));
    return;
  }
  if (target_ != nullptr) target_->port = port;
  accept();
}

}  // namespace varnalux
