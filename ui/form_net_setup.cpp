#include "ui/form_net_setup.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstring>

#include "ui/dialog_seam.h"
#include "ui/form_font.h"

namespace {

const char kDefaultHost[] = "192.168.1.100";
constexpr int kHostEditMax = 64;

// The UTF-8 bytes of text cut to at most limit bytes without splitting a
// character.
QByteArray CutUtf8(const QString& text, int limit) {
  QByteArray bytes = text.toUtf8();
  if (bytes.size() <= limit) return bytes;
  int cut = limit;
  while (cut > 0 && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80) --cut;
  return bytes.left(cut);
}

}  // namespace

TFormNetSetup::TFormNetSetup(DialogSeam& seam, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), seam_(seam) {
  setObjectName(QStringLiteral("FormNetSetup"));
  setWindowTitle(QStringLiteral("TCP/IP Setup"));
  UseFormFont(this);

  groupIpSetting_ = new QGroupBox(QStringLiteral("IP Setting"), this);
  groupIpSetting_->setObjectName(QStringLiteral("GroupBoxIPSetting"));
  editIPAddr_ = new QLineEdit(groupIpSetting_);
  editIPAddr_->setObjectName(QStringLiteral("EditIPAddr"));
  editIPAddr_->setMaxLength(kHostEditMax);
  editPort_ = new QLineEdit(QStringLiteral("9100"), groupIpSetting_);
  editPort_->setObjectName(QStringLiteral("EditPort"));
  editPort_->setFixedWidth(70);
  buttonSet_ = new QPushButton(QStringLiteral("Exit"), groupIpSetting_);
  buttonSet_->setObjectName(QStringLiteral("ButtonSet"));

  auto* grid = new QGridLayout(groupIpSetting_);
  auto* labelIPAddr = new QLabel(QStringLiteral("IP Address/Printer Name:"), groupIpSetting_);
  labelIPAddr->setBuddy(editIPAddr_);
  auto* labelPort = new QLabel(QStringLiteral("Port:"), groupIpSetting_);
  labelPort->setBuddy(editPort_);
  grid->addWidget(labelIPAddr, 0, 0);
  grid->addWidget(editIPAddr_, 0, 1);
  grid->addWidget(labelPort, 0, 2);
  grid->addWidget(editPort_, 0, 3);
  grid->addWidget(buttonSet_, 0, 4);
  grid->setColumnStretch(1, 1);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(groupIpSetting_);
  setFixedSize(635, layout->sizeHint().height());

  connect(buttonSet_, &QPushButton::clicked, this, &TFormNetSetup::ButtonSetClick);
}

void TFormNetSetup::Bind(varnalux::TcpTarget& target) {
  target_ = &target;
  const QString host =
      QString::fromUtf8(target.host, static_cast<int>(strnlen(target.host, sizeof target.host)));
  editIPAddr_->setText(host.isEmpty() ? QString::fromLatin1(kDefaultHost) : host);
  editPort_->setText(QString::number(target.port));
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
