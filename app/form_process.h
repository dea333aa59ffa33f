// The progress window: a small captioned bar shown without modality while a
// long operation runs. Installed once as the ProgressView of the progress
// state machine, it appears on Open at the given place and goes on Close.
// A note (what a long close waits for) adds a line under the bar.
#pragma once

#include <QWidget>

#include "app/progress.h"

class QLabel;
class QProgressBar;

class TFormProcess : public QWidget, public varnalux::ProgressView {
  Q_OBJECT

 public:
  explicit TFormProcess(QWidget* parent = nullptr);

  void Open(int left, int top, const char* caption) override;
  void SetPosition(int position) override;
  void Close() override;
  void ProcessPendingMessages() override;
  void SetNote(const char* text) override;

  QProgressBar* ProgressBar1() const { return progressBar1_; }
  QLabel* LabelWaiting() const { return labelWaiting_; }

 private:
  QProgressBar* progressBar1_;
  QLabel* labelWaiting_;
};
