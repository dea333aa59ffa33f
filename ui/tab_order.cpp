#include "ui/tab_order.h"

#include <QAbstractButton>
#include <QButtonGroup>

namespace varnalux {

void ChainTabOrder(const std::vector<QWidget*>& widgets) {
  QWidget* previous = nullptr;
  for (QWidget* w : widgets) {
    if (w == nullptr) continue;
    if (previous != nullptr) QWidget::setTabOrder(previous, w);
    previous = w;
  }
}

namespace {

// Only the stop takes the focus from Tab; the other choices still take it
// from a click or an arrow key.
void PlaceChoiceStop(const QButtonGroup* group) {
  const QList<QAbstractButton*> buttons = group->buttons();
  QAbstractButton* stop = group->checkedButton();
  if (stop == nullptr && !buttons.isEmpty()) stop = buttons.first();
  for (QAbstractButton* b : buttons)
    b->setFocusPolicy(b == stop ? Qt::StrongFocus : Qt::ClickFocus);
}

}  // namespace

void OneTabStopPerChoice(QButtonGroup* group) {
  PlaceChoiceStop(group);
  QObject::connect(group, &QButtonGroup::buttonToggled, group,
                   [group](QAbstractButton*, bool checked) {
                     if (checked) PlaceChoiceStop(group);
                   });
}

}  // namespace varnalux
