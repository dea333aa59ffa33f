// How editor and dialog texts become the bytes the printer receives, and
// back. The printer's command language is single-byte text: characters up to
// U+00FF go as one byte each (Latin-1), so text loaded from a file goes back
// out byte for byte; a text holding any character beyond U+00FF goes as
// UTF-8 as a whole.
#pragma once

#include <QByteArray>
#include <QString>

namespace varnalux {

QByteArray PrinterTextBytes(const QString& text);
// Bytes to text one character per byte (Latin-1): any byte sequence loads.
QString TextFromPrinterBytes(const QByteArray& bytes);
// The text's bytes into a fixed NUL-terminated field of size bytes, cut at a
// character boundary so a UTF-8 sequence is never split.
void CopyTextToField(char* field, int size, const QString& text);

// File names in the printer follow one rule everywhere (PrinterNameProblem):
// printable ASCII only. A typed name goes as its UTF-8 form, which is its
// ASCII bytes whenever the rule lets it go.
QByteArray PrinterNameBytes(const QString& name);
// Why the name may not go to the printer, for a message; empty when it may.
QString PrinterNameProblemText(const QString& name);
// Bytes from the printer (file names) for the screen: UTF-8 where it is
// valid; control characters, the C1 controls and bytes that are not UTF-8
// as \xNN, so neither mojibake nor a control character reaches the screen.
QString ScreenTextFromPrinter(const QByteArray& bytes);

}  // namespace varnalux
