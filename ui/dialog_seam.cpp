#include "ui/dialog_seam.h"

#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>
#include <QWidget>

#include "app/dispatcher.h"

namespace {
QString g_startDirectory;
std::function<QString()> g_portOpenHint;

// Message boxes carry the program's name as their title.
const char kBoxTitle[] = "Varnalux";

bool AskBox(QWidget* parent, const QString& text, QMessageBox::StandardButtons buttons,
            QMessageBox::StandardButton no) {
  QMessageBox box(QMessageBox::Question, QString::fromLatin1(kBoxTitle), text, buttons, parent);
  return box.exec() != no;
}
}  // namespace

void SetStartDirectory(const QString& directory) { g_startDirectory = directory; }
QString StartDirectory() { return g_startDirectory; }

void SetPortOpenHint(std::function<QString()> hint) { g_portOpenHint = std::move(hint); }

QString ResultText(varnalux::ResultCode code) {
  if (code == varnalux::ResultOk) return QString();
  QString text = QString::fromLatin1(varnalux::ResultMessage(code));
  if (code == varnalux::ResultPortOpenError && g_portOpenHint) {
    QString hint = g_portOpenHint();
    if (!hint.isEmpty()) text += QLatin1Char('\n') + hint;
  }
  return text;
}

void ReportResultVia(DialogSeam& seam, varnalux::ResultCode code) {
  if (code != varnalux::ResultOk) seam.Message(ResultText(code));
}

QWidget* RealDialogSeam::BoxParent() const {
  return parent_ != nullptr && parent_->isEnabled() ? parent_ : nullptr;
}

void RealDialogSeam::Message(const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kBoxTitle), text, QMessageBox::Ok,
                  BoxParent());
  box.exec();
}

bool RealDialogSeam::Question(const QString& text) {
  // Escape (Cancel) is the only way to say no.
  return AskBox(BoxParent(), text, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel);
}

bool RealDialogSeam::YesNo(const QString& text) {
  QMessageBox box(QMessageBox::Question, QString::fromLatin1(kBoxTitle), text,
                  QMessageBox::Yes | QMessageBox::No, BoxParent());
  return box.exec() == QMessageBox::Yes;
}

QString RealDialogSeam::OpenFileName(const QString& filter) {
  QFileDialog dialog(BoxParent(), QString(), StartDirectory(), filter);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  return dialog.selectedFiles().first();
}

QString RealDialogSeam::SaveFileName(const QString& filter, const QString& defaultSuffix) {
  QFileDialog dialog(BoxParent(), QString(), StartDirectory(), filter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  if (!defaultSuffix.isEmpty()) dialog.setDefaultSuffix(defaultSuffix);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  return dialog.selectedFiles().first();
}

int RealDialogSeam::Exec(QDialog& dialog) { return dialog.exec(); }

void RealDialogSeam::OpenUrl(const QString& url) {
  // Tolerant parsing: whatever the user typed after "http://" is handed on.
  QDesktopServices::openUrl(QUrl(url, QUrl::TolerantMode));
}
