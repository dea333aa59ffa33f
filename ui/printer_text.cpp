#include "ui/printer_text.h"

#include <cstring>
#include <string>

#include "base/printable_text.h"
#include "protocol/file_names.h"

namespace varnalux {

QByteArray PrinterTextBytes(const QString& text) {
  for (QChar c : text)
    if (c.unicode() > 0xFF) return text.toUtf8();
  return text.toLatin1();
}

QString TextFromPrinterBytes(const QByteArray& bytes) { return QString::fromLatin1(bytes); }

void CopyTextToField(char* field, int size, const QString& text) {
  if (field == nullptr || size <= 0) return;
  const QByteArray bytes = PrinterTextBytes(text);
  qsizetype n = bytes.size() < size - 1 ? bytes.size() : size - 1;
  // Do not end inside a UTF-8 sequence: back off over continuation bytes
  // when the next byte continues the character.
  if (n < bytes.size())
    while (n > 0 && (static_cast<unsigned char>(bytes[n]) & 0xC0) == 0x80) --n;
  memcpy(field, bytes.constData(), static_cast<size_t>(n));
  field[n] = '\0';
}

QByteArray PrinterNameBytes(const QString& name) { return name.toUtf8(); }

QString PrinterNameProblemText(const QString& name) {
  return QString::fromStdString(varnalux::PrinterNameProblem(PrinterNameBytes(name).toStdString()));
}

QString ScreenTextFromPrinter(const QByteArray& bytes) {
  return QString::fromStdString(varnalux::PlainText(bytes.toStdString()));
}

}  // namespace varnalux
