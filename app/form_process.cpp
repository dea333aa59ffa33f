#include "app/form_process.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "ui/form_font.h"

namespace varnalux {

namespace {
const char DefaultCaption[] = "Communicating...";
constexpr int Width = 241;
constexpr int Height = 49;
// The note under the bar: room for two lines of the form font.
constexpr int NoteTop = 40;
constexpr int NoteHeight = 30;
constexpr int HeightWithNote = NoteTop + NoteHeight + 8;
// The Cancel button, at the right under the bar (and the note).
constexpr int ButtonWidth = 80;
constexpr int ButtonHeight = 25;
}  // namespace

// A title bar without system menu or close box: the window goes away only
// when the operation ends.
TFormProcess::TFormProcess(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      progressBar1_(new QProgressBar(this)),
      labelWaiting_(new QLabel(this)),
      buttonCancel_(new QPushButton(QStringLiteral("Cancel"), this)) {
  setObjectName(QStringLiteral("FormProcess"));
  setWindowTitle(QString::fromLatin1(DefaultCaption));
  UseFormFont(this);
  setFixedSize(Width, Height);
  move(100, 100);
  progressBar1_->setObjectName(QStringLiteral("ProgressBar1"));
  progressBar1_->setGeometry(16, 16, 209, 17);
  progressBar1_->setRange(0, 100);
  progressBar1_->setValue(0);
  progressBar1_->setTextVisible(false);
  labelWaiting_->setObjectName(QStringLiteral("LabelWaiting"));
  labelWaiting_->setGeometry(16, NoteTop, 209, NoteHeight);
  labelWaiting_->setWordWrap(true);
  labelWaiting_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  labelWaiting_->hide();
  buttonCancel_->setObjectName(QStringLiteral("ButtonCancel"));
  buttonCancel_->hide();
  // The read stops at its next look; until then the button says so.
  connect(buttonCancel_, &QPushButton::clicked, this, [this] {
    cancelRequested_ = true;
    buttonCancel_->setEnabled(false);
    buttonCancel_->setText(QStringLiteral("Stopping..."));
  });
}

void TFormProcess::Open(int left, int top, const char* caption) {
  setWindowTitle(
      QString::fromUtf8(caption != nullptr && caption[0] != '\0' ? caption : DefaultCaption));
  progressBar1_->setValue(0);
  cancelRequested_ = false;
  TFormProcess::OfferCancel(false);
  TFormProcess::SetNote(nullptr);
  move(left, top);
  show();
  raise();
}

void TFormProcess::SetPosition(int position) { progressBar1_->setValue(position); }

void TFormProcess::Close() {
  // The bar keeps its last position until the next Open: full after a
  // success, where the printer stopped after a failure.
  hide();
}

void TFormProcess::ProcessPendingMessages() { QCoreApplication::processEvents(); }

// The window grows by the note's lines while it shows one and is back to its
// own size without.
void TFormProcess::SetNote(const char* text) {
  const bool shown = text != nullptr && text[0] != '\0';
  labelWaiting_->setText(shown ? QString::fromUtf8(text) : QString());
  labelWaiting_->setVisible(shown);
  Fit();
}

void TFormProcess::OfferCancel(bool offered) {
  buttonCancel_->setText(cancelRequested_ ? QStringLiteral("Stopping...")
                                          : QStringLiteral("Cancel"));
  buttonCancel_->setEnabled(!cancelRequested_);
  buttonCancel_->setVisible(offered);
  Fit();
}

void TFormProcess::Fit() {
  int height = labelWaiting_->isVisibleTo(this) ? HeightWithNote : Height;
  if (buttonCancel_->isVisibleTo(this)) {
    buttonCancel_->setGeometry(Width - 16 - ButtonWidth, height, ButtonWidth, ButtonHeight);
    height += ButtonHeight + 8;
  }
  setFixedSize(Width, height);
}

}  // namespace varnalux
