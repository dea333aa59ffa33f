#include "ui/pages/printer_function_group.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstring>

#include "link/link_settings.h"
#include "protocol/dump_read_back.h"
#include "protocol/printer_functions.h"
#include "ui/dialog_place.h"
#include "ui/dialog_seam.h"
#include "ui/dialogs/form_dump_text_setup.h"
#include "ui/dialogs/form_rtc_setup.h"
#include "ui/dialogs/form_sensor_calibrate.h"
#include "ui/form_font.h"
#include "ui/pages/ethernet_setup_handler.h"
#include "ui/printer_operation.h"

namespace varnalux {

TPrinterFunctionGroup::TPrinterFunctionGroup(OperationHost& operations, DialogPlace& dialogs,
                                             const varnalux::PrinterConfig& stored, QWidget* parent)
    : QGroupBox(QStringLiteral("Printer Function"), parent),
      operations_(operations),
      dialogs_(dialogs),
      stored_(stored) {
  varnalux::InitNetworkSettings(network_);
  setObjectName(QStringLiteral("GroupBoxPrinterFunction"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 4);
  layout->setSpacing(2);

  connect(AddButton("ButtonInitial", "&Factory Default"), &QPushButton::clicked, this,
          &TPrinterFunctionGroup::ButtonInitialClick);
  connect(AddButton("ButtonDump", "&Dump Text"), &QPushButton::clicked, this,
          &TPrinterFunctionGroup::ButtonDumpClick);
  connect(AddButton("ButtonSelfTest", "C&onfiguration Page"), &QPushButton::clicked, this,
          &TPrinterFunctionGroup::ButtonSelfTestClick);
  connect(AddButton("ButtonRTCSetTime", "R&TC Setup"), &QPushButton::clicked, this,
          &TPrinterFunctionGroup::ButtonRTCSetTimeClick);
  connect(AddButton("ButtonSensorCalibrate", "Cali&brate Sensor "), &QPushButton::clicked, this,
          &TPrinterFunctionGroup::ButtonSensorCalibrateClick);
  connect(AddButton("ButtonRestPrinter", "Reset &Printer"), &QPushButton::clicked, this,
          &TPrinterFunctionGroup::ButtonRestPrinterClick);
  connect(AddButton("ButtonTestPatern", "Pri&nt Test Page"), &QPushButton::clicked, this,
          &TPrinterFunctionGroup::ButtonTestPaternClick);
  connect(AddButton("ButtonIgnoreAuto", "&Ignore AUTO.BAS"), &QPushButton::clicked, this,
          &TPrinterFunctionGroup::ButtonIgnoreAutoClick);
  connect(AddButton("ButtonEthernetSetup", "&Ethernet Setup"), &QPushButton::clicked, this,
          &TPrinterFunctionGroup::ButtonEthernetClick);
  layout->addStretch(1);
}

QPushButton* TPrinterFunctionGroup::AddButton(const char* name, const char* caption) {
  auto* button = new QPushButton(QString::fromLatin1(caption), this);
  button->setObjectName(QString::fromLatin1(name));
  button->setFixedHeight(FormPixels(21));
  layout()->addWidget(button);
  return button;
}

std::vector<QWidget*> TPrinterFunctionGroup::TabOrder() const {
  std::vector<QWidget*> order;
  for (QPushButton* b : findChildren<QPushButton*>(QString(), Qt::FindDirectChildrenOnly))
    order.push_back(b);
  return order;
}

void TPrinterFunctionGroup::SetConfigCollector(ConfigCollector collector) {
  collector_ = std::move(collector);
}

bool TPrinterFunctionGroup::CollectPage(varnalux::PrinterConfig& page) {
  return collector_ ? collector_(page) : true;
}

void TPrinterFunctionGroup::ButtonInitialClick() {
  PrinterOperation(operations_).Run(varnalux::OpFactoryDefault, nullptr, 0);
}

void TPrinterFunctionGroup::ButtonSelfTestClick() {
  PrinterOperation(operations_).Run(varnalux::OpPrintConfigurationPage, nullptr, 0);
}

void TPrinterFunctionGroup::ButtonRestPrinterClick() {
  PrinterOperation(operations_).Run(varnalux::OpResetPrinter, nullptr, 0);
}

void TPrinterFunctionGroup::ButtonIgnoreAutoClick() {
  PrinterOperation(operations_).Run(varnalux::OpIgnoreAutoBas, nullptr, 0);
}

void TPrinterFunctionGroup::ButtonDumpClick() {
  // A fresh request each time: the dialog opens on 'Print Label', "Dump.txt".
  varnalux::DumpTextSettings settings{};
  settings.mode = 0;
  varnalux::CopyText(settings.fileName, sizeof settings.fileName, varnalux::DumpReadBack::FileName);
  settings.accepted = 0;
  {
    TFormDumpTextSetup dialog;
    const QPoint origin = dialogs_.DialogOrigin();
    dialog.Prepare(origin.x(), origin.y(), settings);
    dialogs_.Seam().Exec(dialog);
  }
  if (settings.accepted == 0) return;
  // The card name travels between double quotes: one that could close them
  // is refused before anything is sent.
  if (settings.mode == 1) {
    char name[sizeof settings.fileName + 1] = {};
    memcpy(name, settings.fileName, sizeof settings.fileName);
    if (!varnalux::PrinterFileNameIsSafe(name)) {
      dialogs_.Seam().Message(
          QStringLiteral("A file name may not contain a double quote or a control character."));
      return;
    }
  }

  PrinterOperation operation(operations_);
  const ResultCode code = operation.Run(varnalux::OpDumpText, &settings, 0);
  if (settings.mode == 2 && code == varnalux::ResultOk &&
      dialogs_.Seam().Question(QStringLiteral("Press OK to load file.")))
    LoadDumpText(operation);
}

// Loads "Dump.txt" back from the printer and saves it where the user says.
// The main window stays disabled throughout.
void TPrinterFunctionGroup::LoadDumpText(PrinterOperation& operation) {
  varnalux::DumpReadBack readBack;
  // The result is not reported: the count tells what arrived.
  operation.RunQuiet(varnalux::OpReadPrinterFile, readBack.Request(), 0);
  if (readBack.Count() == 0) {
    dialogs_.Seam().Message(
        QStringLiteral("Nothing came back from the printer; there is no file to save."));
    return;
  }
  const QString path = dialogs_.Seam().SaveFileName(QStringLiteral("*.* (*)"), QString());
  if (path.isEmpty()) return;
  if (!readBack.SaveTo(QFile::encodeName(path).toStdString()))
    dialogs_.Seam().Message(
        QStringLiteral("Cannot write the file %1").arg(QDir::toNativeSeparators(path)));
}

void TPrinterFunctionGroup::ButtonSensorCalibrateClick() {
  {
    TFormSensorCalibrate dialog;
    const QPoint origin = dialogs_.DialogOrigin();
    dialog.Prepare(origin.x(), origin.y(), mediaChoice_);
    dialogs_.Seam().Exec(dialog);
  }
  if (mediaChoice_ == -1) return;
  int32_t choice = mediaChoice_;
  PrinterOperation(operations_).Run(varnalux::OpCalibrateSensor, &choice, 0);
}

void TPrinterFunctionGroup::ButtonTestPaternClick() {
  const varnalux::PrinterConfig& stored = stored_;
  if (!stored.dpiValid) {
    dialogs_.Seam().Message(QStringLiteral("Please read printer config first"));
    return;
  }
  varnalux::PrinterConfig page;
  varnalux::ResetConfig(page);
  if (!CollectPage(page)) return;
  if (!page.paperWidthValid) {
    dialogs_.Seam().Message(QStringLiteral("Please Entry Paper Width"));
    return;
  }
  if (!page.paperHeightValid) {
    dialogs_.Seam().Message(QStringLiteral("Please Entry Paper Height"));
    return;
  }
  varnalux::TestPageRequest request{};
  request.dpi = stored.dpi;
  request.dotsPerMm = stored.dotsPerMm;
  request.paperWidth = page.paperWidth;
  request.paperHeight = page.paperHeight;
  request.sensorMode = stored.sensorMode;
  PrinterOperation(operations_).Run(varnalux::OpPrintTestPage, &request, 0);
}

void TPrinterFunctionGroup::ButtonRTCSetTimeClick() {
  // Read the clock; whatever arrived is shown, the rest stays 0, silently.
  varnalux::ClockSettings local{};
  PrinterOperation(operations_).RunQuiet(varnalux::OpReadClock, &local, 0);
  clock_ = local;
  clock_.accepted = 0;
  {
    TFormRTCSetup dialog(dialogs_.Seam());
    dialog.SetTimeSource(timeSource_);
    const QPoint origin = dialogs_.DialogOrigin();
    dialog.Prepare(origin.x(), origin.y(), clock_);
    dialogs_.Seam().Exec(dialog);
  }
  if (clock_.accepted == 0) return;
  local = clock_;
  PrinterOperation(operations_).Run(varnalux::OpSetClock, &local, 0);
}

void TPrinterFunctionGroup::ButtonEthernetClick() {
  RunEthernetSetup(operations_, dialogs_, network_);
}

}  // namespace varnalux
