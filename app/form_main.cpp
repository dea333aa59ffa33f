#include "app/form_main.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <span>
#include <utility>

#include "app/form_about.h"
#include "link/printer_link.h"
#include "operations/dispatcher.h"
#include "operations/progress.h"
#include "ui/dialog_seam.h"
#include "ui/dialogs/form_lpt_setup.h"
#include "ui/dialogs/form_net_setup.h"
#include "ui/dialogs/form_rs232_setup.h"
#include "ui/font_choice.h"
#include "ui/form_font.h"
#include "ui/pages/config_page.h"
#include "ui/pages/printer_function_group.h"
#include "ui/tab_order.h"

namespace varnalux {

namespace {

// Client area below the menu bar, and the frame's fixed pieces.
constexpr int ClientWidth = 688;
constexpr int ClientHeight = 548;
constexpr int PageControlLeft = 4;
constexpr int PageControlTop = 40;
constexpr int PageControlWidth = 681;
constexpr int StatusGroupWidth = 113;
constexpr int StatusGroupHeight = 217;
constexpr int PanelWidths[4] = {80, 200, 250, 200};
// The interface group's left edge: right of the four page tabs.
constexpr int InterfaceGroupLeft = 480;

// Index of a status label in statusLabels_: Ready first, then the flags.
enum StatusLabel {
  Ready,
  HeadOpen,
  PaperJam,
  OutOfPaper,
  OutOfRibbon,
  Pause,
  Printting,
  OtherError,
};

// A label's colour shows only while it is enabled: the disabled palette
// keeps the toolkit's grey.
void SetLitColour(QLabel* label, const QColor& colour) {
  QPalette palette = label->palette();
  palette.setColor(QPalette::Active, QPalette::WindowText, colour);
  palette.setColor(QPalette::Inactive, QPalette::WindowText, colour);
  label->setPalette(palette);
}

// Places a one-row group's controls side by side inside its frame: below
// the caption, above the frame's bottom line, sharing the width.
void FitInsideFrame(QGroupBox* group, std::initializer_list<QWidget*> controls) {
  QStyleOptionGroupBox option;
  option.initFrom(group);
  option.text = group->title();
  option.lineWidth = 1;
  option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
  QStyle* style = group->style();
  const QRect frame =
      style->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxFrame, group);
  const QRect label =
      style->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, group);
  constexpr int Inset = 6;  // from the frame's sides, and between the controls
  const int top = std::max(frame.top(), label.bottom()) + 1;
  const int bottom = frame.bottom() - 2;
  const int count = static_cast<int>(controls.size());
  const int width = (frame.width() - 2 * Inset - (count - 1) * Inset) / count;
  int x = frame.left() + Inset;
  for (QWidget* w : controls) {
    w->setGeometry(x, top, width, bottom - top + 1);
    x += width + Inset;
  }
}

// Panel 1 texts by index. An index outside a list shows what the serial
// link does with it: 9600 baud, 8 data bits, no parity, 1 stop bit,
// RTS/CTS, no software handshake.
const char* BaudText(int32_t i) {
  static const char* const Texts[] = {"2400", "4800", "9600", "19200", "38400", "57600", "115200"};
  return i >= 0 && i < 7 ? Texts[i] : "9600";
}
const char* ParityText(int32_t i) {
  static const char* const Texts[] = {"N", "O", "E"};
  return i >= 0 && i < 3 ? Texts[i] : "N";
}
const char* DataBitsText(int32_t i) { return i == 0 ? "7" : "8"; }
const char* StopBitsText(int32_t i) {
  static const char* const Texts[] = {"1", "1.5", "2"};
  return i >= 0 && i < 3 ? Texts[i] : "1";
}
const char* HwHandshakeText(int32_t i) {
  static const char* const Texts[] = {"None", "RTS", "RTS/CTS"};
  return i >= 0 && i < 3 ? Texts[i] : "RTS/CTS";
}
const char* SwHandshakeText(int32_t i) { return i == 1 ? "Xon/Xoff" : ""; }

// The locale's long time format without its time zone: hours, minutes and
// seconds as a desktop clock shows them.
QString TimeFormatWithoutZone(const QString& format) {
  QString out;
  bool quoted = false;
  for (QChar c : format) {
    if (c == QLatin1Char('\'')) quoted = !quoted;
    if (!quoted && c == QLatin1Char('t')) continue;
    out += c;
  }
  return out.simplified();
}

QString FieldText(const char* field, size_t size) {
  return QString::fromLocal8Bit(field, static_cast<int>(strnlen(field, size)));
}

// The serial summary of panel 1 for a record.
QString SerialSummary(const varnalux::SerialSettings& s) {
  // "%s %s,%s,%s,%s %s %s": port, baud, parity, data bits, stop bits,
  // hardware and software handshake.
  return QStringLiteral("%1 %2,%3,%4,%5 %6 %7")
      .arg(FieldText(s.portName, sizeof s.portName), QLatin1String(BaudText(s.baudIndex)),
           QLatin1String(ParityText(s.parityIndex)), QLatin1String(DataBitsText(s.dataBitsIndex)),
           QLatin1String(StopBitsText(s.stopBitsIndex)),
           QLatin1String(HwHandshakeText(s.hwHandshakeIndex)),
           QLatin1String(SwHandshakeText(s.swHandshakeIndex)));
}

}  // namespace

TFormMain::TFormMain(DialogSeam& seam, varnalux::LinkRecords& links, LocalClock clock,
                     QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                              Qt::MSWindowsFixedSizeDialogHint),
      seam_(seam),
      links_(links),
      clock_(clock ? std::move(clock) : LocalClock([] { return QDateTime::currentDateTime(); })) {
  // 1. Controls. The configuration page shows the displayed record, which
  // starts empty.
  BuildFrame();
  varnalux::ResetConfig(config_);
  FillPages();

  // 2.-4. File dialogs open in the directory the program started in.
  SetStartDirectory(QDir::currentPath());

  // 5. Place and first page.
  move(60, 60);
  pageControl1_->setCurrentIndex(0);

  // 6. Run defaults of the three link records; the link layer refers to them.
  varnalux::InitialSerialSettings(links_.serial);
  varnalux::InitialParallelName(links_.parallelName);
  varnalux::InitialTcpTarget(links_.tcp);
  varnalux::BindLinkSettings(links_.serial, links_.parallelName, links_.tcp,
                             &varnalux::ProgressObserver());

  // 7. Status bar.
  UpdatePortStatus();
  Timer1Timer();

  // 8. Progress origin.
  const QPoint origin = DialogOrigin();
  varnalux::SetProgressOrigin(origin.x(), origin.y());

  // 9. Probe the link once; a failure is silent.
  startupProbeSucceeded_ = varnalux::RunOperation(varnalux::OpTestConnection, CurrentKind(),
                                                  nullptr, 0) == varnalux::ResultOk;

  timer1_->start();

  // 10. After a successful probe, read the configuration once (without the
  // progress window).
  StartupRead();
}

// The pages on their sheets, and the tab order of the first one.
void TFormMain::FillPages() {
  // The font dialog's initial font; the font page applies it and sets up its
  // encoding controls.
  fontDialog1Font_ = InitialDialogFont();
  // A loaded configuration file brings its status record, shown at once.
  auto showStatus = [this](const varnalux::PrinterStatus& status) { ShowPrinterStatus(status); };
  PageOffer offer{*this,
                  *this,
                  seam_,
                  *this,
                  fontDialog1Font_,
                  {config_, status_, showStatus},
                  [this](QWidget* sheet) { return BuildStatusGroup(sheet); },
                  configuration_};
  const std::span<const PageRow> rows = WindowPages();
  for (size_t i = 0; i < rows.size(); ++i) rows[i].fill(offer, sheets_[i]);
  RegisterReadButton(configuration_.config->ReadButton());
  ChainFirstPageTabOrder();
}

void TFormMain::StartupRead() {
  if (!startupProbeSucceeded_) return;
  configuration_.config->ReadAfterProbe();
}

// Tab starts at the interface list and then follows the first page as it is
// laid out: Setup, the page tabs, the function buttons, "Get Status", then
// the configuration fields row by row and the buttons below them.
void TFormMain::ChainFirstPageTabOrder() {
  std::vector<QWidget*> order{comboBoxInterFace_, buttonInterFace_, pageControl1_};
  for (QWidget* w : configuration_.functions->TabOrder()) order.push_back(w);
  order.push_back(buttonGetStatus_);
  for (QWidget* w : configuration_.config->TabOrder()) order.push_back(w);
  ChainTabOrder(order);
  comboBoxInterFace_->setFocus();
}

// The link settings refer to this window's records: they go with it.
TFormMain::~TFormMain() { varnalux::UnbindLinkSettings(); }

void TFormMain::closeEvent(QCloseEvent* event) {
  if (!isEnabled()) {
    event->ignore();
    return;
  }
  QMainWindow::closeEvent(event);
}

void TFormMain::BuildFrame() {
  setObjectName(QStringLiteral("FormMain"));
  setWindowTitle(QStringLiteral("Varnalux"));
  UseFormFont(this);
  BuildMenu();
  BuildStatusBar();

  auto* central = new QWidget(this);
  central->setObjectName(QStringLiteral("ClientArea"));
  setCentralWidget(central);
  const QRect pages = BuildPages(central);
  BuildInterfaceGroup(central, pages);

  timer1_ = new QTimer(this);
  timer1_->setObjectName(QStringLiteral("Timer1"));
  timer1_->setInterval(1000);
  connect(timer1_, &QTimer::timeout, this, &TFormMain::Timer1Timer);

  // Fixed client area: 688 x 548 below the menu bar.
  setFixedSize(FormPixels(ClientWidth), menuBar()->sizeHint().height() + FormPixels(ClientHeight));
}

// Menu: About > About.
void TFormMain::BuildMenu() {
  menuBar()->setObjectName(QStringLiteral("MainMenu1"));
  QMenu* aboutMenu = menuBar()->addMenu(QStringLiteral("&About"));
  aboutMenu->setObjectName(QStringLiteral("MenuAbout"));
  about1_ = aboutMenu->addAction(QStringLiteral("&About"));
  about1_->setObjectName(QStringLiteral("About1"));
  connect(about1_, &QAction::triggered, this, &TFormMain::About1Click);
}

// Status bar: four fixed panels; the last one takes what is left.
void TFormMain::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("StatusBar1"));
  bar->setSizeGripEnabled(false);
  for (int i = 0; i < 4; ++i) {
    panels_[i] = new QLabel(bar);
    panels_[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
    panels_[i]->setFrameShape(QFrame::Panel);
    panels_[i]->setFrameShadow(QFrame::Sunken);
    if (i < 3) {
      panels_[i]->setFixedWidth(FormPixels(PanelWidths[i]));
      bar->addWidget(panels_[i]);
    } else {
      panels_[i]->setMinimumWidth(0);
      panels_[i]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
      bar->addWidget(panels_[i], 1);
    }
  }
}

// Page control with a sheet and a tab for every row of the page table, down
// to the status bar whatever height the bar takes. Returns the page
// control's place (its height left 0).
QRect TFormMain::BuildPages(QWidget* central) {
  pageControl1_ = new QTabWidget(central);
  pageControl1_->setObjectName(QStringLiteral("PageControl1"));
  const QRect pages(FormPixels(PageControlLeft), FormPixels(PageControlTop),
                    FormPixels(PageControlWidth), 0);
  auto* centralLayout = new QVBoxLayout(central);
  centralLayout->setContentsMargins(pages.left(), pages.top(),
                                    FormPixels(ClientWidth) - pages.right() - 1, 0);
  centralLayout->addWidget(pageControl1_);
  for (const PageRow& row : WindowPages()) {
    auto* sheet = new QWidget(pageControl1_);
    sheet->setObjectName(QString::fromLatin1(row.sheetName));
    pageControl1_->addTab(sheet, QString::fromUtf8(row.title));
    sheets_.push_back(sheet);
  }
  return pages;
}

// Interface group, top right, drawn over the free end of the tab row.
void TFormMain::BuildInterfaceGroup(QWidget* central, const QRect& pages) {
  auto* interfaceGroup = new QGroupBox(QStringLiteral("Interface"), central);
  interfaceGroup->setObjectName(QStringLiteral("GroupBoxInterFace"));
  comboBoxInterFace_ = new QComboBox(interfaceGroup);
  comboBoxInterFace_->setObjectName(QStringLiteral("ComboBoxInterFace"));
  comboBoxInterFace_->addItems({QStringLiteral("USB"), QStringLiteral("COM"), QStringLiteral("LPT"),
                                QStringLiteral("ETHERNET")});
  comboBoxInterFace_->setCurrentIndex(0);
  buttonInterFace_ = new QPushButton(QStringLiteral("Set&up"), interfaceGroup);
  buttonInterFace_->setObjectName(QStringLiteral("ButtonInterFace"));
  buttonInterFace_->setEnabled(false);
  // The group fills the room above the free end of the tab row, ending with
  // the page control on the right and a little above it, so that its whole
  // frame shows; its two controls take the height inside its frame, below
  // the caption.
  constexpr int Gap = 2;
  const int groupLeft = FormPixels(InterfaceGroupLeft);
  interfaceGroup->setGeometry(groupLeft, 0, pages.right() + 1 - groupLeft, pages.top() - Gap - 1);
  FitInsideFrame(interfaceGroup, {comboBoxInterFace_, buttonInterFace_});
  interfaceGroup->raise();

  connect(comboBoxInterFace_, &QComboBox::currentIndexChanged, this,
          &TFormMain::ComboBoxInterFaceChange);
  connect(buttonInterFace_, &QPushButton::clicked, this, &TFormMain::ButtonInterFaceClick);
}

QGroupBox* TFormMain::BuildStatusGroup(QWidget* page) {
  auto* group = new QGroupBox(QStringLiteral("Printer Status"), page);
  group->setObjectName(QStringLiteral("GroupBoxPrinterStatus"));
  group->setFixedSize(FormSize(StatusGroupWidth, StatusGroupHeight));

  struct LabelSpec {
    const char* name;
    const char* text;
    Qt::GlobalColor colour;
  };
  static const LabelSpec Labels[8] = {
      {"LabelReady", "Ready", Qt::green},  // lime: #00FF00
      {"LabelHeadOpen", "Head Open", Qt::red},
      {"LabelPaperJam", "Paper Jam", Qt::red},
      {"LabelOutOfPaper", "Out of Paper", Qt::red},
      {"LabelOutOfRibbon", "Out of Ribbon", Qt::red},
      {"LabelPause", "Pause", Qt::red},
      {"LabelPrintting", "Printting", Qt::red},
      {"LabelOtherError", "Other Error", Qt::red},
  };

  auto* layout = new QVBoxLayout(group);
  layout->setContentsMargins(10, 4, 6, 6);
  layout->setSpacing(1);
  for (int i = 0; i < 8; ++i) {
    auto* label = new QLabel(QString::fromLatin1(Labels[i].text), group);
    label->setObjectName(QString::fromLatin1(Labels[i].name));
    SetLitColour(label, QColor(Labels[i].colour));
    label->setEnabled(false);
    statusLabels_[i] = label;
    layout->addWidget(label);
  }
  layout->addStretch(1);
  buttonGetStatus_ = new QPushButton(QStringLiteral("&Get Status"), group);
  buttonGetStatus_->setObjectName(QStringLiteral("ButtonGetStatus"));
  layout->addWidget(buttonGetStatus_);
  connect(buttonGetStatus_, &QPushButton::clicked, this, &TFormMain::ButtonGetStatusClick);
  return group;
}

InterfaceKind TFormMain::CurrentKind() const { return comboBoxInterFace_->currentIndex(); }
varnalux::PrinterStatus& TFormMain::Status() { return status_; }
varnalux::PrinterConfig& TFormMain::Config() { return config_; }
DialogSeam& TFormMain::Seam() { return seam_; }
bool TFormMain::StartupProbeSucceeded() const { return startupProbeSucceeded_; }

QPoint TFormMain::DialogOrigin() const {
  const QRect frame = frameGeometry();
  return QPoint(frame.x() + frame.width() / 3, frame.y() + frame.height() / 3);
}

void TFormMain::BeginOperation() {
  setEnabled(false);
  const QPoint origin = DialogOrigin();
  varnalux::SetProgressOrigin(origin.x(), origin.y());
}

void TFormMain::EndOperation() {
  setEnabled(true);
  if (isVisible()) {
    raise();
    activateWindow();
  }
}

void TFormMain::ReportResult(ResultCode code) { ReportResultVia(seam_, code); }

void TFormMain::ShowJobProgress(int left, int top, const char* caption) {
  varnalux::ShowProgressAt(left, top, caption, varnalux::ProgressPercentMode, 0, 0);
}

void TFormMain::MoveJobProgress(int percent) {
  varnalux::ProgressTick(varnalux::ProgressPercentMode, static_cast<uint32_t>(percent));
}

void TFormMain::HideJobProgress(bool succeeded) { varnalux::HideProgress(succeeded); }

void TFormMain::PumpMessages() { varnalux::ProcessPendingMessages(); }

ResultCode TFormMain::Run(varnalux::OperationCode op, void* data, int32_t extra) {
  return varnalux::RunOperation(op, CurrentKind(), data, extra);
}

ResultCode TFormMain::RunFileSend(varnalux::InputFile& file, varnalux::StreamReport& report) {
  return varnalux::RunFileSend(CurrentKind(), file, report);
}

bool TFormMain::LinkReads() const { return CurrentKind() != varnalux::KindLpt; }

void TFormMain::RegisterReadButton(QPushButton* button) {
  readButton_ = button;
  ApplyInterfaceTable(comboBoxInterFace_->currentIndex());
}

void TFormMain::ComboBoxInterFaceChange(int index) { ApplyInterfaceTable(index); }

// Setup has nothing to set for USB; LPT cannot read, so no status or
// configuration read there.
void TFormMain::ApplyInterfaceTable(int index) {
  const bool setup = index != varnalux::KindUsb;
  const bool reads = index != varnalux::KindLpt;
  buttonInterFace_->setEnabled(setup);
  buttonGetStatus_->setEnabled(reads);
  if (readButton_ != nullptr) readButton_->setEnabled(reads);
}

void TFormMain::ButtonInterFaceClick() {
  switch (CurrentKind()) {
    case varnalux::KindCom: {
      TFormRs232Setup dialog;
      dialog.Bind(links_.serial);
      dialog.move(DialogOrigin());
      seam_.Exec(dialog);
      break;
    }
    case varnalux::KindLpt: {
      TFormLPTSetup dialog;
      dialog.Bind(links_.parallelName);
      dialog.move(DialogOrigin());
      seam_.Exec(dialog);
      break;
    }
    case varnalux::KindEthernet: {
      TFormNetSetup dialog(seam_, varnalux::net::UdpOptionsFromEnvironment());
      dialog.Bind(links_.tcp);
      dialog.move(DialogOrigin());
      seam_.Exec(dialog);
      break;
    }
    default: break;
  }
  UpdatePortStatus();
}

void TFormMain::ButtonGetStatusClick() {
  PrinterOperation operation(*this);
  // The record changes only with a complete answer, so the labels and the
  // record keep agreeing after a failure.
  varnalux::PrinterStatus answer = status_;
  if (operation.Run(varnalux::OpQueryStatus, &answer, 0) != varnalux::ResultOk) return;
  status_ = answer;
  ShowPrinterStatus(status_);
}

void TFormMain::ShowPrinterStatus(const varnalux::PrinterStatus& status) {
  statusLabels_[Ready]->setEnabled(varnalux::StatusReady(status));
  statusLabels_[HeadOpen]->setEnabled(status.headOpen != 0);
  statusLabels_[PaperJam]->setEnabled(status.paperJam != 0);
  statusLabels_[OutOfPaper]->setEnabled(status.outOfPaper != 0);
  statusLabels_[OutOfRibbon]->setEnabled(status.outOfRibbon != 0);
  statusLabels_[Pause]->setEnabled(status.pause != 0);
  statusLabels_[Printting]->setEnabled(status.printing != 0);
  statusLabels_[OtherError]->setEnabled(status.otherError != 0);
}

void TFormMain::UpdatePortStatus() {
  panels_[0]->setText(FieldText(links_.parallelName, sizeof links_.parallelName));
  const QString serial = SerialSummary(links_.serial);
  panels_[1]->setText(serial);
  // A summary wider than its panel is cut; the whole text is its tooltip.
  const bool cut =
      panels_[1]->fontMetrics().horizontalAdvance(serial) > panels_[1]->contentsRect().width();
  panels_[1]->setToolTip(cut ? serial : QString());
}

void TFormMain::About1Click() {
  TFormAbout box;
  seam_.Exec(box);
}

void TFormMain::Timer1Timer() {
  const QLocale locale;
  const QDateTime now = clock_();
  panels_[3]->setText(
      locale.toString(now.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
      locale.toString(now.time(), TimeFormatWithoutZone(locale.timeFormat(QLocale::LongFormat))));
}

}  // namespace varnalux
