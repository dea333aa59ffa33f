// The base of the program's small dialogs: the frame they all set the same
// way (object name, title, window flags, form font, size) and the named
// controls they are made of.
#pragma once

#include <QDialog>
#include <QPushButton>
#include <initializer_list>

#include "ui/form_font.h"

class QBoxLayout;
class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;

namespace varnalux {

enum class DialogSizing {
  Fixed,      // fixed at the size in form pixels, in the form font
  Resizable,  // opens at the size in form pixels, in the form font
  Pixels,     // fixed at the size in screen pixels, in the desktop font
};

// What a dialog's frame shows: object name, title, size and title bar.
struct DialogFrame {
  const char* name;
  const char* title;
  int width = 0;
  int height = 0;
  DialogSizing sizing = DialogSizing::Fixed;
  Qt::WindowFlags flags = FixedDialogFlags;
};

class TFixedDialog : public QDialog {
  Q_OBJECT

 protected:
  TFixedDialog(const DialogFrame& frame, QWidget* parent);

  // A push button named name in parent (the dialog when null).
  QPushButton* Button(const char* name, const char* caption, QWidget* parent = nullptr);
  // The same, its clicks going to slot of the dialog.
  template <class Form>
  QPushButton* Button(const char* name, const char* caption, void (Form::*slot)(),
                      QWidget* parent = nullptr) {
    QPushButton* button = Button(name, caption, parent);
    connect(button, &QPushButton::clicked, static_cast<Form*>(this), slot);
    return button;
  }
  // A line edit named name in parent (the dialog when null), holding text.
  QLineEdit* Edit(const char* name, const QString& text = QString(), QWidget* parent = nullptr);
  // A caption for buddy in parent (the dialog when null).
  QLabel* Caption(const char* text, QWidget* buddy, QWidget* parent = nullptr);
  // A choice of radio buttons in box, named prefix0, prefix1, ..., with the
  // ids of their places, laid out in order on layout; one Tab stop.
  QButtonGroup* Choice(QGroupBox* box, const char* prefix, std::initializer_list<const char*> items,
                       QBoxLayout* layout);
};

}  // namespace varnalux
