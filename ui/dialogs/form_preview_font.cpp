#include "ui/dialogs/form_preview_font.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include "ui/font_choice.h"
#include "ui/form_font.h"

namespace varnalux {

namespace {
constexpr int ClientWidth = 432;
constexpr int ClientHeight = 507;
constexpr int ImageLeft = 8;
constexpr int ImageTop = 8;
constexpr int ButtonWidth = 75;
constexpr int ButtonHeight = 25;
}  // namespace

TFormPreviewFont::TFormPreviewFont(const QImage& preview, QWidget* parent)
    : TFixedDialog({"FormPreviewFont", "Preview Font", ClientWidth, ClientHeight}, parent) {
  imagePreview_ = new QLabel(this);
  imagePreview_->setObjectName(QStringLiteral("ImagePreview"));
  imagePreview_->setAccessibleName(QStringLiteral("Font Preview"));
  imagePreview_->setGeometry(ImageLeft, ImageTop, PreviewWidth, PreviewHeight);
  imagePreview_->setPixmap(QPixmap::fromImage(preview));

  buttonExit_ = Button("ButtonExit", "&Exit", &QDialog::accept);
  buttonExit_->setGeometry(ImageLeft + PreviewWidth + 16, ImageTop, ButtonWidth, ButtonHeight);
  buttonExit_->setDefault(true);
}

void TFormPreviewFont::Prepare(const QPoint& topLeft) { move(topLeft); }

}  // namespace varnalux
