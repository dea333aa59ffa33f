// Renders the main window, showing a printer's status and configuration, to
// a PNG for the AppStream metainfo. The printer is the virtual printer, in
// this process; the window runs on the offscreen platform.
//   varnalux-screenshot OUT.png [PAGE]   (PAGE 0..3, the first by default;
//                                        the file manager page shows "Get")
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <cstdio>
#include <cstdlib>

#include "app/form_main.h"
#include "link/link_settings.h"
#include "sim/virtual_printer.h"
#include "ui/dialog_seam.h"

namespace {

// Nothing is asked during the shot; a message would mean it went wrong.
class QuietSeam : public varnalux::DialogSeam {
 public:
  void Message(const QString& text) override {
    fprintf(stderr, "varnalux-screenshot: message: %s\n", text.toUtf8().constData());
    failed = true;
  }
  bool Question(const QString&) override { return false; }
  bool YesNo(const QString&) override { return false; }
  QString OpenFileName(const QString&) override { return {}; }
  QString SaveFileName(const QString&, const QString&) override { return {}; }
  int Exec(QDialog&) override { return QDialog::Rejected; }
  void OpenUrl(const QString&) override {}

  bool failed = false;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    fprintf(stderr, "usage: varnalux-screenshot OUT.png [PAGE]\n");
    return 64;
  }
  const int page = argc == 3 ? atoi(argv[2]) : 0;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Varnalux"));

  varnalux::sim::VirtualPrinter printer(varnalux::sim::PrinterOptions{});
  if (!printer.StartTcp("127.0.0.1", 0)) {
    fprintf(stderr, "varnalux-screenshot: the virtual printer cannot listen\n");
    return 1;
  }
  int code = 0;
  {
    QuietSeam seam;
    varnalux::LinkRecords links;
    varnalux::TFormMain window(seam, links);
    // The start-up probe found no USB printer; the network printer is read.
    seam.failed = false;
    window.findChild<QComboBox*>(QStringLiteral("ComboBoxInterFace"))
        ->setCurrentIndex(varnalux::KindEthernet);
    varnalux::CopyText(links.tcp.host, sizeof links.tcp.host, "127.0.0.1");
    links.tcp.port = printer.TcpPort();
    window.show();
    window.findChild<QPushButton*>(QStringLiteral("ButtonGetStatus"))->click();
    window.findChild<QPushButton*>(QStringLiteral("ButtonRead"))->click();
    window.findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentIndex(page);
    if (page == 1) window.findChild<QPushButton*>(QStringLiteral("ButtonGet"))->click();
    QApplication::processEvents();
    if (seam.failed) {
      code = 1;
    } else if (!window.grab().save(QString::fromLocal8Bit(argv[1]), "PNG")) {
      fprintf(stderr, "varnalux-screenshot: cannot write %s\n", argv[1]);
      code = 1;
    }
  }
  printer.Stop();
  return code;
}
