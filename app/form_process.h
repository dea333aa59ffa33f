// The progress window: a small captioned bar shown without modality while a
// long operation runs. Installed once as the ProgressView of the progress
// state machine, it appears on Open at the given place and goes on Close.
// A note (what a long close waits for) adds a line under the bar, and a long
// read adds a Cancel button under both.
#pragma once

#include <QWidget>

#include "operations/progress.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace varnalux {

class TFormProcess : public QWidget, public varnalux::ProgressView {
  Q_OBJECT

 public:
  explicit TFormProcess(QWidget* parent = nullptr);

  void Open(int left, int top, const char* caption) override;
  void SetPosition(int position) override;
  void Close() override;
  void ProcessPendingMessages() override;
  void SetNote(const char* text) override;
  void OfferCancel(bool offered) override;
  bool CancelRequested() override { return cancelRequested_; }

  QProgressBar* ProgressBar1() const { return progressBar1_; }
  QLabel* LabelWaiting() const { return labelWaiting_; }
  QPushButton* ButtonCancel() const { return buttonCancel_; }

 private:
  // The window's size for what it shows now, with the button under the rest.
  void Fit();

  QProgressBar* progressBar1_;
  QLabel* labelWaiting_;
  QPushButton* buttonCancel_;
  bool cancelRequested_ = false;
};

}  // namespace varnalux
