// "Font Sheet": a printer font file's glyphs as the printer will print them,
// in a grid with their codes (the picture the command-line tool's font-sheet
// writes). Shows the font just made, and any other file opened with "Open".
#pragma once

#include <QImage>
#include <QString>

#include "ui/dialogs/fixed_dialog.h"

class QLabel;
class QPushButton;
class QScrollArea;

namespace varnalux {

class DialogSeam;
class TSheetView;

class TFormFontSheet : public TFixedDialog {
  Q_OBJECT

 public:
  TFormFontSheet(DialogSeam& seam, QWidget* parent = nullptr);

  // Shows the file's sheet; false (with the reason on the dialog) when the
  // file is not a readable printer font.
  bool ShowFile(const QString& path);
  const QImage& Sheet() const { return sheet_; }
  const QString& ShownFile() const { return shownFile_; }

 public slots:
  void ButtonOpenClick();

 private:
  DialogSeam& seam_;
  QImage sheet_;
  QString shownFile_;
  QLabel* labelFile_;
  QScrollArea* scrollArea_;
  TSheetView* imageSheet_;
  QPushButton* buttonOpen_;
  QPushButton* buttonExit_;
};

}  // namespace varnalux
