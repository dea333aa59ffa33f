#include "ui/pages/command_tool_page.h"

#include <QButtonGroup>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>

#include "base/atomic_file.h"
#include "base/codes.h"
#include "base/input_file.h"
#include "protocol/stream_send.h"
#include "ui/dialog_seam.h"
#include "ui/printer_operation.h"
#include "ui/printer_text.h"
#include "ui/tab_order.h"

namespace varnalux {

namespace {

const QString AllFiles = QStringLiteral("*.* (*)");

// Editor text in the form the editor keeps it: line breaks as "\n". Files
// with CR LF line ends load as lines; a lone CR stays a character.
QString EditorTextFromFile(QString text) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return text;
}

}  // namespace

TCommandToolPage::TCommandToolPage(OperationHost& operations, DialogSeam& seam, QWidget* parent)
    : QWidget(parent), operations_(operations), seam_(seam) {
  setObjectName(QStringLiteral("CommandToolPage"));

  richEditTText_ = new QPlainTextEdit(this);
  richEditTText_->setObjectName(QStringLiteral("RichEditTText"));
  richEditTText_->setAccessibleName(QStringLiteral("Command Text"));
  richEditTText_->setLineWrapMode(QPlainTextEdit::NoWrap);
  richEditTText_->setWordWrapMode(QTextOption::NoWrap);
  richEditTText_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  richEditTText_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  font.setPixelSize(13);
  richEditTText_->setFont(font);
  connect(richEditTText_, &QPlainTextEdit::textChanged, this, &TCommandToolPage::EnforceMaxLength);

  radioGroupSelect_ = new QGroupBox(QStringLiteral("Editor"), this);
  radioGroupSelect_->setObjectName(QStringLiteral("RadioGroupSelect"));
  select_ = new QButtonGroup(this);
  auto* selectLayout = new QVBoxLayout(radioGroupSelect_);
  selectLayout->setSpacing(0);
  for (int i = 0; i < SlotCount; ++i) {
    auto* item = new QRadioButton(QString::number(i + 1), radioGroupSelect_);
    item->setObjectName(QStringLiteral("RadioGroupSelect%1").arg(i));
    select_->addButton(item, i);
    selectLayout->addWidget(item);
  }
  select_->button(0)->setChecked(true);
  OneTabStopPerChoice(select_);

  auto makeButton = [this](const char* name, const char* caption) {
    auto* button = new QPushButton(QString::fromLatin1(caption), this);
    button->setObjectName(QString::fromLatin1(name));
    return button;
  };
  buttonSendFile_ = makeButton("ButtonSendFile", "Send &File");
  buttonSend_ = makeButton("ButtonSend", "&Send");
  buttonLoadFIle_ = makeButton("ButtonLoadFIle", "&Load");
  buttonSaveFile_ = makeButton("ButtonSaveFile", "Sa&ve");

  auto* side = new QVBoxLayout;
  side->addWidget(radioGroupSelect_);
  side->addStretch(1);
  side->addWidget(buttonSendFile_);
  side->addWidget(buttonSend_);
  side->addWidget(buttonLoadFIle_);
  side->addWidget(buttonSaveFile_);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(richEditTText_, 1);
  layout->addLayout(side);

  connect(select_, &QButtonGroup::idClicked, this, &TCommandToolPage::RadioGroupSelectClick);
  connect(buttonSend_, &QPushButton::clicked, this, &TCommandToolPage::ButtonSendClick);
  connect(buttonSendFile_, &QPushButton::clicked, this, &TCommandToolPage::ButtonSendFileClick);
  connect(buttonLoadFIle_, &QPushButton::clicked, this, &TCommandToolPage::ButtonLoadFIleClick);
  connect(buttonSaveFile_, &QPushButton::clicked, this, &TCommandToolPage::ButtonSaveFileClick);
}

QString TCommandToolPage::SlotText(int slot) const {
  return slot >= 0 && slot < SlotCount ? slots_[slot] : QString();
}

QByteArray TCommandToolPage::EditorBytes(const QString& text) {
  QString lines = text;
  // A selection separates its lines with U+2029, the whole text with "\n".
  lines.replace(QChar(QChar::ParagraphSeparator), QLatin1Char('\n'));
  lines.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  return PrinterTextBytes(lines);
}

// The editor holds at most MaxLength characters: what goes beyond (typed or
// pasted) is cut off at the end.
void TCommandToolPage::EnforceMaxLength() {
  const int length = richEditTText_->document()->characterCount() - 1;
  if (length <= MaxLength) return;
  QTextCursor cursor(richEditTText_->document());
  cursor.setPosition(MaxLength);
  cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
  cursor.removeSelectedText();
}

void TCommandToolPage::RadioGroupSelectClick(int index) {
  if (index == currentSlot_ || index < 0 || index >= SlotCount) return;
  slots_[currentSlot_] = richEditTText_->toPlainText();
  richEditTText_->setPlainText(slots_[index]);
  currentSlot_ = index;
}

void TCommandToolPage::ButtonSendClick() {
  const QTextCursor cursor = richEditTText_->textCursor();
  const QString text =
      cursor.hasSelection() ? cursor.selectedText() : richEditTText_->toPlainText();
  QByteArray bytes = EditorBytes(text);
  PrinterOperation(operations_)
      .Run(varnalux::OpSendRaw, bytes.data(), static_cast<int32_t>(bytes.size()));
  richEditTText_->setFocus();
}

void TCommandToolPage::ButtonSendFileClick() {
  const QString path = seam_.OpenFileName(AllFiles);
  if (path.isEmpty()) return;
  // Only regular files: a FIFO would block the read, a device such as
  // /dev/zero never ends. The file is sent piece by piece as it is read.
  varnalux::InputFile file;
  if (file.Open(QFile::encodeName(path).toStdString()) != varnalux::InputFileResult::Ok) {
    seam_.Message(QStringLiteral("Open file Error!!!"));
    return;
  }
  PrinterOperation operation(operations_);
  varnalux::StreamReport report;
  const varnalux::ResultCode code = operation.SendFile(file, report);
  ReportFileSendVia(seam_, code, file, report);
}

void TCommandToolPage::ButtonLoadFIleClick() {
  const QString path = seam_.OpenFileName(AllFiles);
  if (path.isEmpty()) return;
  QFile file(path);
  // Only regular files, and no more than the editor can hold.
  if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) return;
  QByteArray bytes = file.read(MaxLength);
  file.close();
  const qsizetype nul = bytes.indexOf('\0');
  if (nul >= 0) bytes.truncate(nul);
  QTextCursor cursor(richEditTText_->document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(EditorTextFromFile(TextFromPrinterBytes(bytes)));
}

void TCommandToolPage::ButtonSaveFileClick() {
  const QString path = seam_.SaveFileName(AllFiles, QString());
  if (path.isEmpty()) return;
  const QByteArray bytes = EditorBytes(richEditTText_->toPlainText());
  if (!varnalux::SaveFileAtomically(QFile::encodeName(path).toStdString(), bytes.constData(),
                                    static_cast<size_t>(bytes.size())))
    seam_.Message(QStringLiteral("Cannot write the file %1").arg(QDir::toNativeSeparators(path)));
}

}  // namespace varnalux
