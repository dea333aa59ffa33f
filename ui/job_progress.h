// The progress window for a long job of a page that is not a printer
// operation (making a font).
#pragma once

namespace varnalux {

class JobProgress {
 public:
  virtual ~JobProgress() = default;

  // Opens the window at left, top with its own caption in percent mode.
  virtual void ShowJobProgress(int left, int top, const char* caption) = 0;
  // Moves it to percent (0..100).
  virtual void MoveJobProgress(int percent) = 0;
  // Closes it again, shown full first only when the job succeeded.
  virtual void HideJobProgress(bool succeeded) = 0;
  // Lets the window repaint and the clock run while the job goes on.
  virtual void PumpMessages() = 0;
};

}  // namespace varnalux
