#include "ui/form_font_sheet.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "ui/dialog_seam.h"
#include "ui/font_sheet_image.h"
#include "ui/form_font.h"

namespace {
constexpr int kWidth = 640;
constexpr int kHeight = 480;
}  // namespace

// Paints the sheet straight from the image, only where the scroll area
// shows it: a complete Asian set is far taller than a pixmap may be.
class SheetView : public QWidget {
 public:
  void SetImage(const QImage* image) {
    image_ = image;
    setFixedSize(image_ != nullptr && !image_->isNull() ? image_->size() : QSize(1, 1));
    update();
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    if (image_ == nullptr || image_->isNull()) return;
    QPainter painter(this);
    painter.drawImage(event->rect(), *image_, event->rect());
  }

 private:
  const QImage* image_ = nullptr;
};

TFormFontSheet::TFormFontSheet(DialogSeam& seam, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), seam_(seam) {
  setObjectName(QStringLiteral("FormFontSheet"));
  setWindowTitle(QStringLiteral("Font Sheet"));
  UseFormFont(this);
  resize(kWidth, kHeight);

  labelFile_ = new QLabel(this);
  labelFile_->setObjectName(QStringLiteral("LabelFile"));
  imageSheet_ = new SheetView;
  imageSheet_->setObjectName(QStringLiteral("ImageSheet"));
  scrollArea_ = new QScrollArea(this);
  scrollArea_->setObjectName(QStringLiteral("ScrollBoxSheet"));
  scrollArea_->setAccessibleName(QStringLiteral("Font Sheet"));
  scrollArea_->setWidget(imageSheet_);
  scrollArea_->setBackgroundRole(QPalette::Dark);
  buttonOpen_ = new QPushButton(QStringLiteral("&Open"), this);
  buttonOpen_->setObjectName(QStringLiteral("ButtonOpen"));
  buttonExit_ = new QPushButton(QStringLiteral("&Exit"), this);
  buttonExit_->setObjectName(QStringLiteral("ButtonExit"));

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(labelFile_, 1);
  buttons->addWidget(buttonOpen_);
  buttons->addWidget(buttonExit_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(scrollArea_, 1);
  layout->addLayout(buttons);

  connect(buttonOpen_, &QPushButton::clicked, this, &TFormFontSheet::ButtonOpenClick);
  connect(buttonExit_, &QPushButton::clicked, this, &QDialog::accept);
}

bool TFormFontSheet::ShowFile(const QString& path) {
  QString error;
  QImage sheet;
  const bool ok = FontSheetImage(path, sheet, error);
  shownFile_ = path;
  sheet_ = ok ? sheet : QImage();
  imageSheet_->SetImage(&sheet_);
  const QString name = QFileInfo(path).fileName();
  labelFile_->setText(ok ? name : QStringLiteral("%1: %2").arg(name, error));
  return ok;
}

void TFormFontSheet::ButtonOpenClick() {
  const QString path = seam_.OpenFileName(QStringLiteral("*.* (*)"));
  if (!path.isEmpty()) ShowFile(path);
}
