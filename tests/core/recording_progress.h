// A progress view that records what the progress window was told.
#pragma once

#include <string>
#include <vector>

#include "operations/progress.h"

namespace varnalux::testing {

class RecordingProgress : public ProgressView {
 public:
  RecordingProgress() { SetProgressView(this); }
  ~RecordingProgress() override { SetProgressView(nullptr); }
  void Open(int left, int top, const char* caption) override {
    ++opened;
    lastLeft = left;
    lastTop = top;
    lastCaption = caption;
  }
  void SetPosition(int position) override { positions.push_back(position); }
  void Close() override { ++closed; }
  void ProcessPendingMessages() override { ++pumps; }
  void SetNote(const char* text) override { notes.push_back(text); }

  int opened = 0;
  int closed = 0;
  int pumps = 0;
  int lastLeft = 0;
  int lastTop = 0;
  std::string lastCaption;
  std::vector<int> positions;
  std::vector<std::string> notes;  // "" when a note was taken away
};

}  // namespace varnalux::testing
