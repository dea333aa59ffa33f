// Keyboard order of a form's fields: Tab follows the list given, which is
// the order in which the fields stand on the form.
#pragma once

#include <QWidget>
#include <initializer_list>
#include <vector>

class QButtonGroup;

namespace varnalux {

// Chains the widgets' tab order in the order given; null entries are skipped.
void ChainTabOrder(const std::vector<QWidget*>& widgets);
inline void ChainTabOrder(std::initializer_list<QWidget*> widgets) {
  ChainTabOrder(std::vector<QWidget*>(widgets));
}

// Makes a group of choices one Tab stop, as a radio group is: Tab lands on
// the checked choice (the first while none is) and the arrow keys move
// between the choices. The stop follows the checked choice as it changes.
void OneTabStopPerChoice(QButtonGroup* group);

}  // namespace varnalux
