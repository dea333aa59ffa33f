#include "ui/dialog_seam.h"

#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QFont>
#include <QFontDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>
#include <QUrl>
#include <QWidget>
#include <QWindow>

#include "base/result_messages.h"
#include "link/printer_link.h"

namespace varnalux {

namespace {
QString g_startDirectory;

// Message boxes carry the program's name as their title.
const char BoxTitle[] = "Varnalux";

// Room beside the title for the window manager's icon and buttons.
constexpr int TitleBarExtra = 120;

// The narrowest box that still shows its whole title.
int TitleWidth(const QWidget& box) {
  return box.fontMetrics().horizontalAdvance(box.windowTitle()) + TitleBarExtra;
}

// Runs a message box that belongs to owner: parented to it while it is
// enabled, otherwise kept above its window without inheriting its disabled
// state. A box with a short text is widened to show its whole title.
int RunBox(QMessageBox::Icon icon, const QString& text, QMessageBox::StandardButtons buttons,
           QWidget* owner, QMessageBox::StandardButton defaultButton = QMessageBox::NoButton) {
  QWidget* parent = owner != nullptr && owner->isEnabled() ? owner : nullptr;
  QMessageBox box(icon, QString::fromLatin1(BoxTitle), text, buttons, parent);
  if (defaultButton != QMessageBox::NoButton) box.setDefaultButton(defaultButton);
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
    grid->addItem(new QSpacerItem(TitleWidth(box), 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
  if (parent == nullptr && owner != nullptr && owner->window()->windowHandle() != nullptr) {
    box.winId();  // creates the box's native window
    if (QWindow* handle = box.windowHandle())
      handle->setTransientParent(owner->window()->windowHandle());
  }
  return box.exec();
}
}  // namespace

void SetStartDirectory(const QString& directory) { g_startDirectory = directory; }
QString StartDirectory() { return g_startDirectory; }

QString ResultText(varnalux::ResultCode code) {
  if (code == varnalux::ResultOk) return QString();
  QString text = QString::fromLatin1(varnalux::ResultMessage(code));
  // "Port Open Error" says on a second line why the latest open failed.
  const char* why = varnalux::LastOpenFailureText();
  if (code == varnalux::ResultPortOpenError && why != nullptr && *why != '\0')
    text += QLatin1Char('\n') + QString::fromUtf8(why);
  return text;
}

void ReportResultVia(DialogSeam& seam, varnalux::ResultCode code) {
  if (code != varnalux::ResultOk) seam.Message(ResultText(code));
}

void ReportFileSendVia(DialogSeam& seam, varnalux::ResultCode code, const varnalux::InputFile& file,
                       const varnalux::StreamReport& report) {
  if (code != varnalux::ResultFileOpenError) return ReportResultVia(seam, code);
  seam.Message(ResultText(code) + QStringLiteral("\nThe file ") +
               QString::fromStdString(varnalux::StreamProblemText(file, report)) +
               QLatin1Char('.'));
}

QWidget* RealDialogSeam::BoxParent() const {
  return parent_ != nullptr && parent_->isEnabled() ? parent_ : nullptr;
}

void RealDialogSeam::Message(const QString& text) {
  RunBox(QMessageBox::NoIcon, text, QMessageBox::Ok, parent_);
}

void RealDialogSeam::MessageFrom(QWidget* owner, const QString& text) {
  RunBox(QMessageBox::NoIcon, text, QMessageBox::Ok, owner != nullptr ? owner : parent_);
}

bool RealDialogSeam::Question(const QString& text) {
  // Escape (Cancel) is the only way to say no.
  return RunBox(QMessageBox::Question, text, QMessageBox::Ok | QMessageBox::Cancel, parent_) !=
         QMessageBox::Cancel;
}

bool RealDialogSeam::Confirm(const QString& text) {
  return RunBox(QMessageBox::Question, text, QMessageBox::Ok | QMessageBox::Cancel, parent_,
                QMessageBox::Cancel) == QMessageBox::Ok;
}

bool RealDialogSeam::YesNo(const QString& text) {
  return RunBox(QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No, parent_) ==
         QMessageBox::Yes;
}

bool RealDialogSeam::YesNoFrom(QWidget* owner, const QString& text) {
  return RunBox(QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No,
                owner != nullptr ? owner : parent_) == QMessageBox::Yes;
}

QString RealDialogSeam::OpenFileName(const QString& filter) {
  return OpenFileNameIn(filter, StartDirectory());
}

QString RealDialogSeam::OpenFileNameIn(const QString& filter, const QString& directory) {
  QFileDialog dialog(BoxParent(), QString(), directory, filter);
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  return dialog.selectedFiles().first();
}

QString RealDialogSeam::SaveFileName(const QString& filter, const QString& defaultSuffix) {
  QFileDialog dialog(BoxParent(), QString(), StartDirectory(), filter);
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  if (!defaultSuffix.isEmpty()) dialog.setDefaultSuffix(defaultSuffix);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  return dialog.selectedFiles().first();
}

int RealDialogSeam::Exec(QDialog& dialog) { return dialog.exec(); }

bool RealDialogSeam::ChooseFont(QFont& font) {
  bool ok = false;
  const QFont chosen = QFontDialog::getFont(&ok, font, BoxParent());
  if (ok) font = chosen;
  return ok;
}

void RealDialogSeam::OpenUrl(const QString& url) { OpenUrlChecked(url); }

bool RealDialogSeam::OpenUrlChecked(const QString& url) {
  // Tolerant parsing: whatever the user typed after "http://" is handed on.
  return QDesktopServices::openUrl(QUrl(url, QUrl::TolerantMode));
}

}  // namespace varnalux
