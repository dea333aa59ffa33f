#include "app/app_identity.h"

#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstring>

#include "varnalux_version.h"

namespace varnalux {

namespace {

const char Usage[] =
    "Usage: varnalux [--help | --version] [toolkit options]\n"
    "Configures and tests thermal label printers over USB, serial, parallel or TCP.\n"
    "\n"
    "Options:\n"
    "  -h, --help   this text\n"
    "  --version    print the version and exit\n"
    "\n"
    "Toolkit options such as -platform NAME are passed on to Qt.\n"
    "See varnalux(1) for the port names and the USB printer rule.\n";

}  // namespace

bool HandleInfoOption(int argc, char** argv, int& exitCode) {
  if (argc < 2) return false;
  if (strcmp(argv[1], "--version") == 0) {
    printf("varnalux %s\n", VARNALUX_VERSION);
  } else if (strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0) {
    fputs(Usage, stdout);
  } else {
    return false;
  }
  exitCode = 0;
  return true;
}

void SetApplicationIdentity() {
  QApplication::setApplicationName(QStringLiteral("Varnalux"));
  QApplication::setApplicationVersion(QStringLiteral(VARNALUX_VERSION));
  // Lets the desktop match the windows to the installed entry and its icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("org.varnalux.varnalux"));
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256})
    icon.addFile(QStringLiteral(":/icons/%1.png").arg(size), QSize(size, size));
  QApplication::setWindowIcon(icon);
}

}  // namespace varnalux
