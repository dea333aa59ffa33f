// Keyboard order of a form's fields: Tab follows the list given, which is
// the order in which the fields stand on the form.
#pragma once

#include <QWidget>
#include <initializer_list>
#include <vector>

// Chains the widgets' tab order in the order given; null entries are skipped.
void ChainTabOrder(const std::vector<QWidget*>& widgets);
inline void ChainTabOrder(std::initializer_list<QWidget*> widgets) {
  ChainTabOrder(std::vector<QWidget*>(widgets));
}
