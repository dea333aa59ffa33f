// The one place where the user interface waits for the user: message boxes,
// questions, file dialogs and modal dialogs all go through a DialogSeam.
// The program uses RealDialogSeam; the widget tests install a scripted seam
// that answers from a queue and records what was shown.
#pragma once

#include <QString>
#include <functional>

#include "base/codes.h"
#include "base/input_file.h"
#include "protocol/stream_send.h"

class QDialog;
class QFont;
class QWidget;

namespace varnalux {

class DialogSeam {
 public:
  virtual ~DialogSeam() = default;
  // A plain message box with one OK button, belonging to the main window.
  virtual void Message(const QString& text) = 0;
  // The same box belonging to owner (a dialog speaking about its own
  // fields), so that it stays above that dialog.
  virtual void MessageFrom(QWidget* owner, const QString& text) {
    (void)owner;
    Message(text);
  }
  // OK / Cancel: true unless the user cancelled.
  virtual bool Question(const QString& text) = 0;
  // Yes / No: true for Yes.
  virtual bool YesNo(const QString& text) = 0;
  // The same question belonging to owner (a dialog asking about its own
  // choice), so that it stays above that dialog.
  virtual bool YesNoFrom(QWidget* owner, const QString& text) {
    (void)owner;
    return YesNo(text);
  }
  // OK / Cancel before something that cannot be undone (erasing a device):
  // Cancel is the default button, so Enter does not confirm it. True for OK.
  virtual bool Confirm(const QString& text) { return Question(text); }
  // File dialogs; an empty result means cancelled. The filter uses Qt's
  // syntax, e.g. "*.dcf (*.dcf);;*.* (*)"; the dialog shows only the
  // description of each filter, not its patterns.
  virtual QString OpenFileName(const QString& filter) = 0;
  // The same, opening in directory instead of the start directory.
  virtual QString OpenFileNameIn(const QString& filter, const QString& directory) {
    (void)directory;
    return OpenFileName(filter);
  }
  virtual QString SaveFileName(const QString& filter, const QString& defaultSuffix) = 0;
  // Runs a modal dialog to its end and returns its result code
  // (QDialog::Accepted or QDialog::Rejected).
  virtual int Exec(QDialog& dialog) = 0;
  // The font chooser, opened on font: true with the chosen font in font,
  // false (font unchanged) when the user cancelled. A seam without a font
  // chooser answers as if cancelled.
  virtual bool ChooseFont(QFont& font) {
    (void)font;
    return false;
  }
  // Opens a URL with the desktop's default handler (the web browser).
  virtual void OpenUrl(const QString& url) = 0;
  // The same, telling whether a handler took the URL: false when the
  // desktop has none. A seam that cannot tell answers true.
  virtual bool OpenUrlChecked(const QString& url) {
    OpenUrl(url);
    return true;
  }
};

class RealDialogSeam : public DialogSeam {
 public:
  // Message boxes belong to this window unless a dialog owns them. An owner
  // that is enabled becomes the box's parent; a disabled one (the main
  // window during an operation) would disable the box with it, so the box
  // then only stays above it.
  void SetParentWindow(QWidget* window) { parent_ = window; }

  void Message(const QString& text) override;
  void MessageFrom(QWidget* owner, const QString& text) override;
  bool Question(const QString& text) override;
  bool YesNo(const QString& text) override;
  bool YesNoFrom(QWidget* owner, const QString& text) override;
  bool Confirm(const QString& text) override;
  QString OpenFileName(const QString& filter) override;
  QString OpenFileNameIn(const QString& filter, const QString& directory) override;
  QString SaveFileName(const QString& filter, const QString& defaultSuffix) override;
  int Exec(QDialog& dialog) override;
  bool ChooseFont(QFont& font) override;
  void OpenUrl(const QString& url) override;
  bool OpenUrlChecked(const QString& url) override;

 private:
  QWidget* BoxParent() const;
  QWidget* parent_ = nullptr;
};

// The directory the program started in; file dialogs open there.
void SetStartDirectory(const QString& directory);
QString StartDirectory();

// The message for a result code: the fixed text of the code, plus for code 1
// a line that says why the latest link open failed. Empty for code 0.
QString ResultText(varnalux::ResultCode code);

// Shows ResultText(code) through the seam when code is not 0.
void ReportResultVia(DialogSeam& seam, varnalux::ResultCode code);
// The same after a file was sent as it was read; a 4 says on a second line
// what failed and how much of the file the printer received.
void ReportFileSendVia(DialogSeam& seam, varnalux::ResultCode code, const varnalux::InputFile& file,
                       const varnalux::StreamReport& report);

}  // namespace varnalux
