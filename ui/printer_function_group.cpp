#include "ui/printer_function_group.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstring>
#include <vector>

#include "app/dispatcher.h"
#include "app/form_main.h"
#include "protocol/printer_functions.h"
#include "ui/config_page.h"
#include "ui/dialog_seam.h"
#include "ui/ethernet_setup_handler.h"
#include "ui/form_dump_text_setup.h"
#include "ui/form_rtc_setup.h"
#include "ui/form_sensor_calibrate.h"

using varnalux::ResultCode;

TPrinterFunctionGroup::TPrinterFunctionGroup(TFormMain& form, QWidget* parent)
    : QGroupBox(QStringLiteral("Printer Function"), parent), form_(form) {
  varnalux::InitNetworkSettings(network_);
  setObjectName(QStringLiteral("GroupBoxPrinterFunction"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 4);
  layout->setSpacing(2);

  connect(AddButton("ButtonInitial", "Factory Default"), &QPushButton::clicked, this,
          &TPrinterFunctionGroup::ButtonInitialClick);
  connect(AddButton("ButtonDump", "Dump Text"), &QPushButton::clicked, this,
          &TPrinterFunctionGroup::ButtonDumpClick);
  connect(AddButton("ButtonSelfTest", "Configuration Page"), &QPushButton::clicked, this,
          &TPrinterFunctionGroup::ButtonSelfTestClick);
  connect(AddButton("ButtonRTCSetTime", "RTC Setup"), &QPushButton::clicked, this,
          &TPrinterFunctionGroup::ButtonRTCSetTimeClick);
  connect(AddButton("ButtonSensorCalibrate", "Calibrate Sensor "), &QPushButton::clicked, this,
          &TPrinterFunctionGroup::ButtonSensorCalibrateClick);
  connect(AddButton("ButtonRestPrinter", "Reset Printer"), &QPushButton::clicked, this,
          &TPrinterFunctionGroup::ButtonRestPrinterClick);
  connect(AddButton("ButtonTestPatern", "Print Test Page"), &QPushButton::clicked, this,
          &TPrinterFunctionGroup::ButtonTestPaternClick);
  connect(AddButton("ButtonIgnoreAuto", "Ignore AUTO.BAS"), &QPushButton::clicked, this,
          &TPrinterFunctionGroup::ButtonIgnoreAutoClick);
  connect(AddButton("ButtonEthernetSetup", "Ethernet Setup"), &QPushButton::clicked, this,
          &TPrinterFunctionGroup::ButtonEthernetClick);
  layout->addStretch(1);
}

QPushButton* TPrinterFunctionGroup::AddButton(const char* name, const char* caption) {
  auto* button = new QPushButton(QString::fromLatin1(caption), this);
  button->setObjectName(QString::fromLatin1(name));
  button->setFixedHeight(21);
  layout()->addWidget(button);
  return button;
}

void TPrinterFunctionGroup::SetConfigCollector(ConfigCollector collector) {
  collector_ = std::move(collector);
}

bool TPrinterFunctionGroup::CollectPage(varnalux::PrinterConfig& page) {
  if (collector_) return collector_(page);
  // The configuration page of the same window.
  ConfigPage* configPage = form_.ConfigurationPage();
  if (configPage == nullptr) return true;
  QString error;
  if (configPage->CollectConfig(page, error)) return true;
  form_.Seam().Message(error);
  return false;
}

void TPrinterFunctionGroup::ButtonInitialClick() {
  form_.RunHandled(varnalux::OpFactoryDefault, nullptr, 0);
}

void TPrinterFunctionGroup::ButtonSelfTestClick() {
  form_.RunHandled(varnalux::OpPrintConfigurationPage, nullptr, 0);
}

void TPrinterFunctionGroup::ButtonRestPrinterClick() {
  form_.RunHandled(varnalux::OpResetPrinter, nullptr, 0);
}

void TPrinterFunctionGroup::ButtonIgnoreAutoClick() {
  form_.RunHandled(varnalux::OpIgnoreAutoBas, nullptr, 0);
}

void TPrinterFunctionGroup::ButtonDumpClick() {
  // A fresh request each time: the dialog opens on 'Print Label', "Dump.txt".
  varnalux::DumpTextSettings settings{};
  settings.mode = 0;
  varnalux::CopyText(settings.fileName, sizeof settings.fileName, "Dump.txt");
  settings.accepted = 0;
  {
    TFormDumpTextSetup dialog;
    const QPoint origin = form_.DialogOrigin();
    dialog.Prepare(origin.x(), origin.y(), settings);
    form_.Seam().Exec(dialog);
  }
  if (settings.accepted == 0) return;
  // The card name travels between double quotes: one that could close them
  // is refused before anything is sent.
  if (settings.mode == 1) {
    char name[sizeof settings.fileName + 1] = {};
    memcpy(name, settings.fileName, sizeof settings.fileName);
    if (!varnalux::PrinterFileNameIsSafe(name)) {
      form_.Seam().Message(
          QStringLiteral("A file name may not contain a double quote or a control character."));
      return;
    }
  }

  form_.BeginOperation();
  const ResultCode code =
      varnalux::RunOperation(varnalux::OpDumpText, form_.CurrentKind(), &settings, 0);
  form_.ReportResult(code);
  if (settings.mode == 2 && code == varnalux::ResultOk &&
      form_.Seam().Question(QStringLiteral("Press OK to load file.")))
    LoadDumpText();
  form_.EndOperation();
}

// Loads "Dump.txt" back from the printer and saves it where the user says.
// The main window stays disabled throughout.
void TPrinterFunctionGroup::LoadDumpText() {
  std::vector<uint8_t> buffer(DumpLoadCapacity);
  varnalux::ReadBackRequest request{};
  request.capacity = DumpLoadCapacity;
  request.count = 0;
  varnalux::CopyText(request.fileName, sizeof request.fileName, "Dump.txt");
  request.buffer = buffer.data();
  // The result is not reported: the count tells what arrived.
  varnalux::RunOperation(varnalux::OpReadPrinterFile, form_.CurrentKind(), &request, 0);
  if (request.count == 0) {
    form_.Seam().Message(
        QStringLiteral("Nothing came back from the printer; there is no file to save."));
    return;
  }
  const QString path = form_.Seam().SaveFileName(QStringLiteral("*.* (*)"), QString());
  if (path.isEmpty()) return;
  const qint64 count = request.count <= buffer.size() ? request.count : buffer.size();
  QFile file(path);
  bool ok = file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered);
  if (ok) ok = file.write(reinterpret_cast<const char*>(buffer.data()), count) == count;
  if (ok) ok = file.flush();
  file.close();
  if (!ok)
    form_.Seam().Message(
        QStringLiteral("Cannot write the file %1").arg(QDir::toNativeSeparators(path)));
}

void TPrinterFunctionGroup::ButtonSensorCalibrateClick() {
  {
    TFormSensorCalibrate dialog;
    const QPoint origin = form_.DialogOrigin();
    dialog.Prepare(origin.x(), origin.y(), mediaChoice_);
    form_.Seam().Exec(dialog);
  }
  if (mediaChoice_ == -1) return;
  int32_t choice = mediaChoice_;
  form_.RunHandled(varnalux::OpCalibrateSensor, &choice, 0);
}

void TPrinterFunctionGroup::ButtonTestPaternClick() {
  const varnalux::PrinterConfig& stored = form_.Config();
  if (!stored.dpiValid) {
    form_.Seam().Message(QStringLiteral("Please read printer config first"));
    return;
  }
  varnalux::PrinterConfig page;
  varnalux::ResetConfig(page);
  if (!CollectPage(page)) return;
  if (!page.paperWidthValid) {
    form_.Seam().Message(QStringLiteral("Please Entry Paper Width"));
    return;
  }
  if (!page.paperHeightValid) {
    form_.Seam().Message(QStringLiteral("Please Entry Paper Height"));
    return;
  }
  varnalux::TestPageRequest request{};
  request.dpi = stored.dpi;
  request.dotsPerMm = stored.dotsPerMm;
  request.paperWidth = page.paperWidth;
  request.paperHeight = page.paperHeight;
  request.sensorMode = stored.sensorMode;
  form_.RunHandled(varnalux::OpPrintTestPage, &request, 0);
}

void TPrinterFunctionGroup::ButtonRTCSetTimeClick() {
  // Read the clock; whatever arrived is shown, the rest stays 0, silently.
  varnalux::ClockSettings local{};
  form_.BeginOperation();
  varnalux::RunOperation(varnalux::OpReadClock, form_.CurrentKind(), &local, 0);
  form_.EndOperation();
  clock_ = local;
  clock_.accepted = 0;
  {
    TFormRTCSetup dialog(form_.Seam());
    const QPoint origin = form_.DialogOrigin();
    dialog.Prepare(origin.x(), origin.y(), clock_);
    form_.Seam().Exec(dialog);
  }
  if (clock_.accepted == 0) return;
  local = clock_;
  form_.RunHandled(varnalux::OpSetClock, &local, 0);
}

void TPrinterFunctionGroup::ButtonEthernetClick() { RunEthernetSetup(form_, network_); }
