// The one place where the user interface waits for the user: message boxes,
// questions, file dialogs and modal dialogs all go through a DialogSeam.
// The program uses RealDialogSeam; the widget tests install a scripted seam
// that answers from a queue and records what was shown.
#pragma once

#include <QString>
#include <functional>

#include "protocol/codes.h"

class QDialog;
class QWidget;

class DialogSeam {
 public:
  virtual ~DialogSeam() = default;
  // A plain message box with one OK button.
  virtual void Message(const QString& text) = 0;
  // OK / Cancel: true unless the user cancelled.
  virtual bool Question(const QString& text) = 0;
  // Yes / No: true for Yes.
  virtual bool YesNo(const QString& text) = 0;
  // File dialogs; an empty result means cancelled. The filter uses Qt's
  // syntax, e.g. "Configuration (*.dcf);;All files (*)".
  virtual QString OpenFileName(const QString& filter) = 0;
  virtual QString SaveFileName(const QString& filter, const QString& defaultSuffix) = 0;
  // Runs a modal dialog to its end and returns its result code
  // (QDialog::Accepted or QDialog::Rejected).
  virtual int Exec(QDialog& dialog) = 0;
  // Opens a URL with the desktop's default handler (the web browser).
  virtual void OpenUrl(const QString& url) = 0;
};

class RealDialogSeam : public DialogSeam {
 public:
  // Message boxes are centred on this window while it is enabled (a box
  // owned by a disabled window would be disabled with it).
  void SetParentWindow(QWidget* window) { parent_ = window; }

  void Message(const QString& text) override;
  bool Question(const QString& text) override;
  bool YesNo(const QString& text) override;
  QString OpenFileName(const QString& filter) override;
  QString SaveFileName(const QString& filter, const QString& defaultSuffix) override;
  int Exec(QDialog& dialog) override;
  void OpenUrl(const QString& url) override;

 private:
  QWidget* BoxParent() const;
  QWidget* parent_ = nullptr;
};

// The directory the program started in; file dialogs open there.
void SetStartDirectory(const QString& directory);
QString StartDirectory();

// An optional second line for "Port Open Error" (for example why a device
// could not be opened). The hook returns an empty text when it has nothing
// to add. Pass an empty function to remove it.
void SetPortOpenHint(std::function<QString()> hint);

// The message for a result code: the fixed text of the code, plus the port
// open hint's line for code 1. Empty for code 0.
QString ResultText(varnalux::ResultCode code);

// Shows ResultText(code) through the seam when code is not 0.
void ReportResultVia(DialogSeam& seam, varnalux::ResultCode code);
