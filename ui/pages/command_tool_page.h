// The page "Command Tool": a twelve-slot editor of raw printer command text.
// The selection or the whole text, or any file, goes to the printer
// unchanged through the raw send operation.
#pragma once

#include <QString>
#include <QWidget>

class QButtonGroup;
class QGroupBox;
class QPlainTextEdit;
class QPushButton;

namespace varnalux {

class DialogSeam;
class OperationHost;

class TCommandToolPage : public QWidget {
  Q_OBJECT

 public:
  static constexpr int SlotCount = 12;
  static constexpr int MaxLength = 10485760;  // characters in the editor

  TCommandToolPage(OperationHost& operations, DialogSeam& seam, QWidget* parent);

  // The stored copy of a slot (the current slot's copy is brought up to date
  // only when the user switches away from it) and the current slot.
  QString SlotText(int slot) const;
  int CurrentSlot() const { return currentSlot_; }

  // Line breaks of the editor become CR LF, as the printer's command lines
  // end; characters become bytes as PrinterTextBytes says.
  static QByteArray EditorBytes(const QString& text);

 public slots:
  void RadioGroupSelectClick(int index);
  void ButtonSendClick();
  void ButtonSendFileClick();
  void ButtonLoadFIleClick();
  void ButtonSaveFileClick();

 private:
  void EnforceMaxLength();

  OperationHost& operations_;
  DialogSeam& seam_;
  QString slots_[SlotCount];
  int currentSlot_ = 0;
  QPlainTextEdit* richEditTText_;
  QGroupBox* radioGroupSelect_;
  QButtonGroup* select_;
  QPushButton* buttonSendFile_;
  QPushButton* buttonSend_;
  QPushButton* buttonLoadFIle_;
  QPushButton* buttonSaveFile_;
};

}  // namespace varnalux
