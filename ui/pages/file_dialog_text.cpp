#include "ui/pages/file_dialog_text.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace varnalux {

namespace {

QString AnyCasePattern(const QString& pattern) {
  if (pattern == QStringLiteral("*.*")) return QStringLiteral("*");
  QString out;
  for (QChar c : pattern) {
    if (c.isLetter() && c.toLower() != c.toUpper())
      out += QLatin1Char('[') + c.toLower() + c.toUpper() + QLatin1Char(']');
    else
      out += c;
  }
  return out;
}

}  // namespace

QString QtFileFilter(const char* pairs) {
  const QStringList parts = QString::fromLatin1(pairs).split(QLatin1Char('|'));
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns;
    for (const QString& p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts))
      patterns << AnyCasePattern(p.trimmed());
    const QString& description = parts[i];
    const bool pattern = description.startsWith(QLatin1Char('*'));
    filters << (pattern ? description.toLower() : description) + QStringLiteral(" (") +
                   patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
  }
  return filters.join(QStringLiteral(";;"));
}

QString TrueTypeFontFolder(const QString& home) {
  const QString own = home + QStringLiteral("/.local/share/fonts");
  if (!home.isEmpty() && QFileInfo(own).isDir()) return own;
  return QStringLiteral("/usr/share/fonts");
}

}  // namespace varnalux
