#include "ui/dialogs/form_preview_font.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include "ui/font_choice.h"
#include "ui/form_font.h"

namespace varnalux {

namespace {
constexpr int kClientWidth = 432;
constexpr int kClientHeight = 507;
constexpr int kImageLeft = 8;
constexpr int kImageTop = 8;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
}  // namespace

TFormPreviewFont::TFormPreviewFont(const QImage& preview, QWidget* parent)
    : TFixedDialog({"FormPreviewFont", "Preview Font", kClientWidth, kClientHeight}, parent) {
  imagePreview_ = new QLabel(this);
  imagePreview_->setObjectName(QStringLiteral("ImagePreview"));
  imagePreview_->setAccessibleName(QStringLiteral("Font Preview"));
  imagePreview_->setGeometry(kImageLeft, kImageTop, PreviewWidth, PreviewHeight);
  imagePreview_->setPixmap(QPixmap::fromImage(preview));

  buttonExit_ = Button("ButtonExit", "&Exit", &QDialog::accept);
  buttonExit_->setGeometry(kImageLeft + PreviewWidth + 16, kImageTop, kButtonWidth, kButtonHeight);
  buttonExit_->setDefault(true);
}

void TFormPreviewFont::Prepare(const QPoint& topLeft) { move(topLeft); }

}  // namespace varnalux
