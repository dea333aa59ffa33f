#include "ui/dialogs/font_sheet_image.h"

#include <string>

#include "font/font_file.h"
#include "font/font_sheet.h"

namespace varnalux {

bool FontSheetImage(const QString& path, QImage& image, QString& error) {
  varnalux::FontFile file;
  std::string reason;
  if (!file.Load(path.toLocal8Bit().toStdString(), reason)) {
    error = QString::fromStdString(reason);
    return false;
  }
  const varnalux::FontSheet sheet(file);
  if (!sheet.Fits()) {
    error = QStringLiteral("the sheet is too large to show");
    return false;
  }
  QImage picture(sheet.Width(), sheet.Height(), QImage::Format_Grayscale8);
  if (picture.isNull()) {
    error = QStringLiteral("not enough memory for the sheet");
    return false;
  }
  for (int y = 0; y < sheet.Height(); ++y) sheet.RenderRow(y, picture.scanLine(y));
  image = std::move(picture);
  return true;
}

}  // namespace varnalux
