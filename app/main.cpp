// Program entry: the application object, the progress window, the main
// window, and the message loop. Closing the main window ends the program.
#include <QApplication>
#include <QMessageBox>
#include <exception>

#include "app/app_identity.h"
#include "app/form_main.h"
#include "app/form_process.h"
#include "app/progress.h"
#include "link/usb_link.h"
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
  if (int code = 0; varnalux::HandleInfoOption(argc, argv, code)) return code;
  QApplication app(argc, argv);
  varnalux::SetApplicationIdentity();
  try {
    RealDialogSeam seam;
    TFormProcess formProcess;
    varnalux::SetProgressView(&formProcess);
    {
      // "Port Open Error" on a USB printer this user may not open says what
      // to do about it. The hook is there before the window is built, for
      // its start-up read; until then only the start-up interface was opened.
      const TFormMain* window = nullptr;
      SetPortOpenHint([&window]() -> QString {
        const char* hint = varnalux::UsbOpenFailureHint();
        if (hint == nullptr) return {};
        if (window != nullptr && window->CurrentKind() != varnalux::KindUsb) return {};
        return QString::fromUtf8(hint);
      });
      // The window builds its pages, probes the link and reads the printer's
      // configuration when the probe opened it.
      TFormMain formMain(seam);
      window = &formMain;
      seam.SetParentWindow(&formMain);
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
