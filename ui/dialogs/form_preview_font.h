// "Preview Font": the 256 one-byte codes of the selected font in a grid,
// whatever the encoding, with an "Exit" button. Created for one showing.
#pragma once

#include <QImage>

#include "ui/dialogs/fixed_dialog.h"

class QLabel;
class QPushButton;

namespace varnalux {

class TFormPreviewFont : public TFixedDialog {
  Q_OBJECT

 public:
  // Shows preview (see PreviewImage).
  explicit TFormPreviewFont(const QImage& preview, QWidget* parent = nullptr);
  // Places the window's top-left corner.
  void Prepare(const QPoint& topLeft);

  QLabel* ImagePreview() const { return imagePreview_; }

 private:
  QLabel* imagePreview_;
  QPushButton* buttonExit_;
};

}  // namespace varnalux
