#include "operations/progress.h"

#include <chrono>
#include <thread>

#include "link/link_settings.h"

namespace varnalux {

namespace {
// The window belongs to the user interface, which installs its view here;
// the state lives in LinkSettings.
ProgressView* g_view = nullptr;

void SetPosition(int position) {
  if (position > 100) position = 100;
  if (position < 0) position = 0;
  CurrentLinkSettings().progress.position = position;
  if (g_view != nullptr) g_view->SetPosition(position);
}
}  // namespace

void SetProgressView(ProgressView* view) { g_view = view; }

void SetProgressOrigin(int x, int y) {
  ProgressState& p = CurrentLinkSettings().progress;
  p.originX = x;
  p.originY = y;
}

void ShowProgressAt(int left, int top, const char* caption, int mode, int initialStep,
                    int stepSize) {
  ProgressState& p = CurrentLinkSettings().progress;
  p.mode = mode;
  p.initialStep = initialStep;
  p.stepSize = stepSize;
  p.active = true;
  p.position = 0;
  if (g_view != nullptr) g_view->Open(left, top, caption);
  SetPosition(initialStep);
}

void ShowProgress(int mode, int initialStep, int stepSize) {
  const ProgressState& p = CurrentLinkSettings().progress;
  ShowProgressAt(p.originX, p.originY, "Communicating...", mode, initialStep, stepSize);
}

void ProgressTick(int kind, uint32_t value) {
  const ProgressState& p = CurrentLinkSettings().progress;
  if (!p.active || kind != p.mode) return;
  if (p.mode == ProgressStepMode)
    SetPosition(p.position + p.stepSize);
  else
    SetPosition(value > 100 ? 100 : static_cast<int>(value));
}

void ProgressTaken(uint64_t bytes) {
  if (CurrentLinkSettings().progress.active && g_view != nullptr) g_view->SetTaken(bytes);
}

void HideProgress(bool succeeded) {
  ProgressState& p = CurrentLinkSettings().progress;
  if (p.active && g_view != nullptr) g_view->Finished(succeeded);
  std::this_thread::sleep_for(std::chrono::milliseconds(ProgressHideDelayMs));
  p.active = false;
  if (succeeded) SetPosition(100);
  if (g_view != nullptr) g_view->Close();
}

void ProcessPendingMessages() {
  if (g_view != nullptr) g_view->ProcessPendingMessages();
}

std::string WaitingForPrinterText(uint64_t bytesLeft) {
  return "Waiting for the printer to take the last " + std::to_string((bytesLeft + 1023) / 1024) +
         " KiB";
}

void ShowWaitingForPrinter(uint64_t bytesLeft) {
  if (!CurrentLinkSettings().progress.active || g_view == nullptr) return;
  g_view->SetNote(bytesLeft == 0 ? "" : WaitingForPrinterText(bytesLeft).c_str());
}

void OfferProgressCancel(bool offered) {
  if (!CurrentLinkSettings().progress.active || g_view == nullptr) return;
  g_view->OfferCancel(offered);
}

bool ProgressCancelRequested() {
  return CurrentLinkSettings().progress.active && g_view != nullptr && g_view->CancelRequested();
}

namespace {
class ProgressWindowObserver final : public LinkProgress {
 public:
  void Show(int mode, int initialStep, int stepSize) override {
    ShowProgress(mode, initialStep, stepSize);
  }
  void Hide(bool succeeded) override { HideProgress(succeeded); }
  void Tick(int kind, uint32_t value) override { ProgressTick(kind, value); }
  void Taken(uint64_t bytes) override { ProgressTaken(bytes); }
  void PumpMessages() override { ProcessPendingMessages(); }
  void WaitingForPrinter(uint64_t bytesLeft) override { ShowWaitingForPrinter(bytesLeft); }
  void OfferCancel(bool offered) override { OfferProgressCancel(offered); }
  bool CancelRequested() override { return ProgressCancelRequested(); }
};
}  // namespace

LinkProgress& ProgressObserver() {
  static ProgressWindowObserver observer;
  return observer;
}

int ProgressPosition() { return CurrentLinkSettings().progress.position; }
bool ProgressActive() { return CurrentLinkSettings().progress.active; }

}  // namespace varnalux
