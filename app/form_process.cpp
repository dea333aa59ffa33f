#include "app/form_process.h"

#include <QCoreApplication>
#include <QProgressBar>

#include "ui/form_font.h"

namespace {
const char kDefaultCaption[] = "Communicating...";
}

// A title bar without system menu or close box: the window goes away only
// when the operation ends.
TFormProcess::TFormProcess(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      progressBar1_(new QProgressBar(this)) {
  setObjectName(QStringLiteral("FormProcess"));
  setWindowTitle(QString::fromLatin1(kDefaultCaption));
  UseFormFont(this);
  setFixedSize(241, 49);
  move(100, 100);
  progressBar1_->setObjectName(QStringLiteral("ProgressBar1"));
  progressBar1_->setGeometry(16, 16, 209, 17);
  progressBar1_->setRange(0, 100);
  progressBar1_->setValue(0);
  progressBar1_->setTextVisible(false);
}

void TFormProcess::Open(int left, int top, const char* caption) {
  setWindowTitle(
      QString::fromUtf8(caption != nullptr && caption[0] != '\0' ? caption : kDefaultCaption));
  progressBar1_->setValue(0);
  move(left, top);
  show();
  raise();
}

void TFormProcess::SetPosition(int position) { progressBar1_->setValue(position); }

void TFormProcess::Close() {
  // The bar keeps its last position (100) until the next Open.
  hide();
}

void TFormProcess::ProcessPendingMessages() { QCoreApplication::processEvents(); }
