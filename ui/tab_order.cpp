#include "ui/tab_order.h"

void ChainTabOrder(const std::vector<QWidget*>& widgets) {
  QWidget* previous = nullptr;
  for (QWidget* w : widgets) {
    if (w == nullptr) continue;
    if (previous != nullptr) QWidget::setTabOrder(previous, w);
    previous = w;
  }
}
