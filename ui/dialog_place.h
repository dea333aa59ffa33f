// Where the dialogs of a page go: the seam that shows them, the point they
// open at and the window they belong to.
#pragma once

#include <QPoint>

class QWidget;

namespace varnalux {

class DialogSeam;

class DialogPlace {
 public:
  virtual ~DialogPlace() = default;

  virtual DialogSeam& Seam() = 0;
  // Left + Width/3, Top + Height/3 of the window frame (integer division).
  virtual QPoint DialogOrigin() const = 0;
  // The window that message boxes and dialogs of the pages belong to.
  virtual QWidget* HostWindow() = 0;
};

}  // namespace varnalux
