#include "ui/font_choice.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <vector>

#include "font/code_decoder.h"

namespace varnalux {

namespace {
constexpr char InitialFamily[] = "Liberation Sans";
constexpr int SampleWidth = 150;
constexpr int SampleHeight = 56;
constexpr int PreviewPoints = 10;
constexpr int PreviewCellWidth = 20;
constexpr int PreviewCellHeight = 30;
constexpr int PreviewInset = 5;
// How far right and down from its place one preview character may reach.
constexpr int PreviewReach = 64;

// Draws text with the top-left corner of its line at (x, y), as a desktop
// canvas places text.
void DrawTopLeft(QPainter& painter, int x, int y, const QString& text) {
  painter.drawText(QPointF(x, y + painter.fontMetrics().ascent()), text);
}
}  // namespace

QFont InitialDialogFont() {
  QFont font;
  if (QFontDatabase::hasFamily(QString::fromLatin1(InitialFamily))) {
    font.setFamily(QString::fromLatin1(InitialFamily));
  } else {
    QFont sans;
    sans.setStyleHint(QFont::SansSerif);
    sans.setFamily(QStringLiteral("sans-serif"));
    font.setFamily(QFontInfo(sans).family());
  }
  font.setPixelSize(InitialFontPixels);
  return font;
}

int FontPixels(const QFont& font) {
  if (font.pixelSize() > 0) return font.pixelSize();
  return varnalux::PointsToPixels(font.pointSizeF());
}

int FontPoints(const QFont& font) {
  // 72 points per inch on a 96 dots-per-inch desktop.
  if (font.pixelSize() > 0) return qRound(font.pixelSize() * 72.0 / 96.0);
  return qRound(font.pointSizeF());
}

varnalux::FontStyle CanvasStyle(const QFont& font) {
  if (font.bold() && font.italic()) return varnalux::FontStyle::BoldItalic;
  if (font.bold()) return varnalux::FontStyle::Bold;
  if (font.italic()) return varnalux::FontStyle::Italic;
  return varnalux::FontStyle::Regular;
}

QFont FontAtPixels(const QFont& font, int pixels) {
  QFont sized = font;
  sized.setPixelSize(pixels > 0 ? pixels : 1);
  return sized;
}

QImage SampleImage(const QFont& font) {
  QImage image(SampleWidth, SampleHeight, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setFont(FontAtPixels(font, FontPixels(font)));
  painter.setPen(Qt::black);
  DrawTopLeft(painter, 0, 0, QStringLiteral("ABCD"));
  return image;
}

QImage PreviewImage(const varnalux::FontCanvas& canvas, int codePage) {
  QImage image(PreviewWidth, PreviewHeight, QImage::Format_RGB32);
  image.fill(Qt::white);
  // The same face as the canvas (file, face and style) at 10 points, drawn
  // by the same rasteriser and ink rule as the font file's glyphs.
  varnalux::FontCanvas small;
  const bool drawable =
      canvas.HasFont() &&
      small.SelectFontFile(canvas.FilePath(), varnalux::PointsToPixels(PreviewPoints),
                           canvas.Style(), canvas.FaceIndex());
  const varnalux::CodeDecoder decoder(codePage);
  std::vector<uint8_t> cell(static_cast<size_t>((PreviewReach + 7) / 8 * PreviewReach));
  for (int r = 0; r < 16 && drawable; ++r) {
    for (int c = 0; c < 16; ++c) {
      const uint8_t code = static_cast<uint8_t>(16 * r + c);
      if (code == 0) continue;
      const char32_t ch = decoder.Decode(&code, 1);
      if (ch == varnalux::NoCharacter) continue;
      const int left = PreviewCellWidth * c + PreviewInset;
      const int top = PreviewCellHeight * r + PreviewInset;
      const int w = std::min(PreviewReach, PreviewWidth - left);
      const int h = std::min(PreviewReach, PreviewHeight - top);
      small.DrawChar(ch, 0, 0, w, h, cell.data());
      const int stride = (w + 7) / 8;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
          if ((cell[static_cast<size_t>(y * stride + x / 8)] >> (7 - x % 8)) & 1)
            image.setPixel(left + x, top + y, qRgb(0, 0, 0));
    }
  }
  QPainter painter(&image);
  painter.setPen(Qt::black);
  for (int x = PreviewCellWidth; x <= 15 * PreviewCellWidth; x += PreviewCellWidth)
    painter.drawLine(x, 0, x, PreviewHeight - 1);
  for (int y = PreviewCellHeight; y <= 15 * PreviewCellHeight; y += PreviewCellHeight)
    painter.drawLine(0, y, PreviewWidth - 1, y);
  return image;
}

}  // namespace varnalux
