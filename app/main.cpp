// Program entry: the application object, the progress window, the main
// window, and the message loop. Closing the main window ends the program.
#include <QApplication>
#include <QMessageBox>
#include <exception>

#include "app/app_identity.h"
#include "app/form_main.h"
#include "app/form_process.h"
#include "operations/progress.h"
#include "ui/dialog_seam.h"
#include "ui/dialogs/form_ethernet_setup.h"

namespace varnalux {
namespace {

// An error that escapes start-up or the message loop is shown, then the
// program ends normally.
void ShowFatal(const QString& text) {
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Varnalux"), text, QMessageBox::Ok);
  box.exec();
}

}  // namespace
}  // namespace varnalux

int main(int argc, char** argv) {
  if (int code = 0; varnalux::HandleInfoOption(argc, argv, code)) return code;
  QApplication app(argc, argv);
  varnalux::SetApplicationIdentity();
  try {
    varnalux::RealDialogSeam seam;
    varnalux::TFormProcess formProcess;
    varnalux::SetProgressView(&formProcess);
    {
      // The window builds its pages, binds the links to the run's link
      // records, probes the link and reads the printer's configuration when
      // the probe opened it.
      varnalux::LinkRecords links;
      varnalux::TFormMain formMain(seam, links);
      // The Ethernet Setup dialog exists, hidden, for the whole run; the
      // handlers that show it make their own for each use.
      varnalux::TFormEthernetSetup formEthernetSetup(seam);
      seam.SetParentWindow(&formMain);
      formMain.show();
      QApplication::exec();
      seam.SetParentWindow(nullptr);
    }
    varnalux::SetProgressView(nullptr);
  } catch (const std::exception& error) {
    varnalux::SetProgressView(nullptr);
    varnalux::ShowFatal(QString::fromLocal8Bit(error.what()));
  } catch (...) {
    varnalux::SetProgressView(nullptr);
    varnalux::ShowFatal(QString());
  }
  return 0;
}
