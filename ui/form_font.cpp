#include "ui/form_font.h"

#include <QFont>
#include <QGuiApplication>
#include <QScreen>
#include <QSize>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace varnalux {

namespace {

// The DPI the form sizes are given for.
constexpr double FormDpi = 96.0;

// How much larger the text is drawn than on a 96-dpi screen, in the
// window's own pixels; never below 1.
double FormScale() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return 1.0;
  return std::max(1.0, screen->logicalDotsPerInchY() / FormDpi);
}

}  // namespace

void UseFormFont(QWidget* window) {
  QFont font = window->font();
  font.setPointSize(FormFontPointSize);
  window->setFont(font);
}

int FormPixels(int pixels) { return static_cast<int>(std::lround(pixels * FormScale())); }

QSize FormSize(int width, int height) { return QSize(FormPixels(width), FormPixels(height)); }

}  // namespace varnalux
