// Program entry: the application object, the progress window, the main
// window, and the message loop. Closing the main window ends the program.
#include <QApplication>
#include <QMessageBox>
#include <exception>

#include "app/form_main.h"
#include "app/form_process.h"
#include "app/progress.h"
#include "link/usb_link.h"
#include "ui/config_page.h"
#include "ui/dialog_seam.h"

namespace {

// An error that escapes start-up or the message loop is shown, then the
// program ends normally.
void ShowFatal(const QString& text) {
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Varnalux"), text, QMessageBox::Ok);
  box.exec();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Varnalux"));
  try {
    RealDialogSeam seam;
    TFormProcess formProcess;
    varnalux::SetProgressView(&formProcess);
    {
      TFormMain formMain(seam);
      seam.SetParentWindow(&formMain);
      // "Port Open Error" on a USB printer this user may not open says what
      // to do about it.
      SetPortOpenHint([&formMain]() -> QString {
        const char* hint = varnalux::UsbOpenFailureHint();
        if (formMain.CurrentKind() != varnalux::KindUsb || hint == nullptr) return {};
        return QString::fromUtf8(hint);
      });
      // The configuration group, a child of the window's page; it reads the
      // printer once when the start-up probe opened the link.
      auto* configPage = new ConfigPage(formMain);
      configPage->StartupRead();
      formMain.show();
      QApplication::exec();
      SetPortOpenHint(nullptr);
      seam.SetParentWindow(nullptr);
    }
    varnalux::SetProgressView(nullptr);
  } catch (const std::exception& error) {
    varnalux::SetProgressView(nullptr);
    ShowFatal(QString::fromLocal8Bit(error.what()));
  } catch (...) {
    varnalux::SetProgressView(nullptr);
    ShowFatal(QString());
  }
  return 0;
}
