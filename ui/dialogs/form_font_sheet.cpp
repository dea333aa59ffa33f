#include "ui/dialogs/form_font_sheet.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/dialog_seam.h"
#include "ui/dialogs/font_sheet_image.h"
#include "ui/form_font.h"

namespace varnalux {

namespace {
constexpr int Width = 640;
constexpr int Height = 480;
// Each pixel of the sheet is drawn as a square of this many screen pixels at
// least, so that the 5-pixel codes above the glyphs can be read, and larger
// while the sheet still fits the window's first width.
constexpr int MinZoom = 2;
constexpr int MaxZoom = 4;
}  // namespace

// Paints the sheet straight from the image, only where the scroll area
// shows it: a complete Asian set is far taller than a pixmap may be. The
// sheet's pixels are enlarged to squares, never smoothed.
class TSheetView : public QWidget {
 public:
  void SetImage(const QImage* image, int zoom) {
    image_ = image;
    zoom_ = zoom;
    setFixedSize(image_ != nullptr && !image_->isNull() ? image_->size() * zoom_ : QSize(1, 1));
    update();
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    if (image_ == nullptr || image_->isNull()) return;
    QPainter painter(this);
    const QRect r = event->rect();
    const QRect source = QRect(QPoint(r.left() / zoom_, r.top() / zoom_),
                               QPoint(r.right() / zoom_, r.bottom() / zoom_)) &
                         image_->rect();
    painter.drawImage(QRect(source.topLeft() * zoom_, source.size() * zoom_), *image_, source);
  }

 private:
  const QImage* image_ = nullptr;
  int zoom_ = 1;
};

TFormFontSheet::TFormFontSheet(DialogSeam& seam, QWidget* parent)
    : TFixedDialog({"FormFontSheet", "Font Sheet", Width, Height, DialogSizing::Resizable,
                    Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint},
                   parent),
      seam_(seam) {
  labelFile_ = new QLabel(this);
  labelFile_->setObjectName(QStringLiteral("LabelFile"));
  imageSheet_ = new TSheetView;
  imageSheet_->setObjectName(QStringLiteral("ImageSheet"));
  scrollArea_ = new QScrollArea(this);
  scrollArea_->setObjectName(QStringLiteral("ScrollBoxSheet"));
  scrollArea_->setAccessibleName(QStringLiteral("Font Sheet"));
  scrollArea_->setWidget(imageSheet_);
  // Room the sheet leaves looks like its paper, with the sheet in the middle.
  scrollArea_->setBackgroundRole(QPalette::Base);
  scrollArea_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  buttonOpen_ = Button("ButtonOpen", "&Open", &TFormFontSheet::ButtonOpenClick);
  buttonExit_ = Button("ButtonExit", "&Exit", &QDialog::accept);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(labelFile_, 1);
  buttons->addWidget(buttonOpen_);
  buttons->addWidget(buttonExit_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(scrollArea_, 1);
  layout->addLayout(buttons);
}

bool TFormFontSheet::ShowFile(const QString& path) {
  QString error;
  QImage sheet;
  const bool ok = FontSheetImage(path, sheet, error);
  shownFile_ = path;
  sheet_ = ok ? sheet : QImage();
  // Around the sheet: the margins, the area's frame and its scroll bar.
  const QMargins margins = layout()->contentsMargins();
  const int chrome = margins.left() + margins.right() + 2 * scrollArea_->frameWidth() +
                     style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scrollArea_);
  int zoom = MinZoom;
  if (ok) {
    zoom = std::clamp((FormPixels(Width) - chrome) / std::max(1, sheet_.width()), MinZoom, MaxZoom);
    // A widget can be only so tall: the tallest sheets are drawn smaller.
    while (zoom > 1 && int64_t{sheet_.height()} * zoom > QWIDGETSIZE_MAX) --zoom;
    // The window as wide as the sheet, within the screen.
    int width = std::max(minimumSizeHint().width(), sheet_.width() * zoom + chrome);
    if (const QScreen* s = screen())
      width = std::min(width, s->availableGeometry().width() * 9 / 10);
    resize(width, height());
  }
  imageSheet_->SetImage(&sheet_, zoom);
  const QString name = QFileInfo(path).fileName();
  labelFile_->setText(ok ? name : QStringLiteral("%1: %2").arg(name, error));
  return ok;
}

void TFormFontSheet::ButtonOpenClick() {
  const QString path = seam_.OpenFileName(QStringLiteral("*.* (*)"));
  if (!path.isEmpty()) ShowFile(path);
}

}  // namespace varnalux
