// The main window: interface selector, the pages of the page table, status
// bar with clock, and the run-wide records that the pages share. Every
// printer action runs synchronously from a handler inside a
// PrinterOperation, with the window disabled meanwhile. The window makes
// the pages from the page table (app/page_table.h) and offers them the
// operation host, the dialog place, the job progress and the records; each
// page takes only what it uses.
#pragma once

#include <QDateTime>
#include <QFont>
#include <QMainWindow>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QString>
#include <functional>
#include <vector>

#include "app/page_table.h"
#include "base/codes.h"
#include "link/link_settings.h"
#include "protocol/printer_config.h"
#include "protocol/printer_status.h"
#include "ui/dialog_place.h"
#include "ui/job_progress.h"
#include "ui/printer_operation.h"

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QTabWidget;
class QTimer;

namespace varnalux {

class DialogSeam;

class TFormMain : public QMainWindow, public OperationHost, public DialogPlace, public JobProgress {
  Q_OBJECT

 public:
  // The local date and time the status bar's clock shows.
  using LocalClock = std::function<QDateTime()>;

  // All modal interaction (messages, dialogs, file names) goes through seam,
  // which must outlive the window. links are the run's three link records:
  // the window gives them their start values, binds the link settings to
  // them and edits them in its setup dialogs; they must outlive the window.
  // clock, when given, replaces the computer's local time for the clock
  // panel.
  TFormMain(DialogSeam& seam, varnalux::LinkRecords& links, LocalClock clock = {},
            QWidget* parent = nullptr);
  ~TFormMain() override;

  // --- Shared state for the pages -----------------------------------------
  // The item index of ComboBoxInterFace.
  varnalux::InterfaceKind CurrentKind() const;
  // The last status read.
  varnalux::PrinterStatus& Status();
  // The displayed configuration record.
  varnalux::PrinterConfig& Config();
  // The font the window's font dialog opens on: the last font chosen in it
  // from any page.
  QFont& DialogFont() { return fontDialog1Font_; }

  // --- Pages -----------------------------------------------------------
  // The configuration page's "Read" button follows the interface table too.
  void RegisterReadButton(QPushButton* button);
  // Start-up: after a successful link probe, the configuration page reads
  // the printer's configuration.
  void StartupRead();

  // --- Status and start-up ------------------------------------------------
  void ShowPrinterStatus(const varnalux::PrinterStatus& status);
  // Status bar panels 0 (parallel name) and 1 (serial summary).
  void UpdatePortStatus();
  // Whether the start-up link probe (operation 19) opened the link.
  bool StartupProbeSucceeded() const;

 public slots:
  void ButtonInterFaceClick();
  void ButtonGetStatusClick();

 private slots:
  void ComboBoxInterFaceChange(int index);
  void About1Click();
  // Shows the clock's date and time in panel 3.
  void Timer1Timer();

 protected:
  // While an operation runs the window cannot be closed.
  void closeEvent(QCloseEvent* event) override;

 private:
  // OperationHost: the handler protocol on the selected link.
  // BeginOperation disables the window and puts the progress origin at
  // DialogOrigin(); EndOperation enables it and brings it to the front.
  void BeginOperation() override;
  void EndOperation() override;
  varnalux::ResultCode Run(varnalux::OperationCode op, void* data, int32_t extra) override;
  varnalux::ResultCode RunFileSend(varnalux::InputFile& file,
                                   varnalux::StreamReport& report) override;
  void ReportResult(varnalux::ResultCode code) override;
  bool LinkReads() const override;
  // DialogPlace: dialogs go to Left + Width/3, Top + Height/3 of the window
  // frame (integer division) and belong to this window.
  DialogSeam& Seam() override;
  QPoint DialogOrigin() const override;
  QWidget* HostWindow() override { return this; }
  // JobProgress: the progress window of the link layer in percent mode.
  void ShowJobProgress(int left, int top, const char* caption) override;
  void MoveJobProgress(int percent) override;
  void HideJobProgress(bool succeeded) override;
  void PumpMessages() override;

  void BuildFrame();
  void FillPages();
  void BuildMenu();
  void BuildStatusBar();
  QRect BuildPages(QWidget* central);
  void BuildInterfaceGroup(QWidget* central, const QRect& pages);
  QGroupBox* BuildStatusGroup(QWidget* page);
  void ApplyInterfaceTable(int index);
  void ChainFirstPageTabOrder();

  DialogSeam& seam_;
  varnalux::LinkRecords& links_;
  LocalClock clock_;

  varnalux::PrinterStatus status_{};
  varnalux::PrinterConfig config_{};
  bool startupProbeSucceeded_ = false;
  QFont fontDialog1Font_;

  QComboBox* comboBoxInterFace_ = nullptr;
  QPushButton* buttonInterFace_ = nullptr;
  QTabWidget* pageControl1_ = nullptr;
  std::vector<QWidget*> sheets_;  // one a row of the page table, in its order
  ConfigurationParts configuration_;
  QLabel* statusLabels_[8] = {};  // Ready, then flags 0..5 and 7
  QPushButton* buttonGetStatus_ = nullptr;
  QPointer<QPushButton> readButton_;
  QLabel* panels_[4] = {};
  QAction* about1_ = nullptr;
  QTimer* timer1_ = nullptr;
};

}  // namespace varnalux
