// The page "Bitmap Font Manager": picks a desktop font, chooses how its
// characters are encoded (a range, a complete Asian set, or a user table),
// sets the cell size, and saves the generated printer font file or makes it
// into a temporary file and downloads it into a printer memory device.
#pragma once

#include <QFont>
#include <QString>
#include <QWidget>
#include <span>
#include <string>
#include <vector>

#include "font/font_canvas.h"
#include "font/font_request.h"
#include "font/glyph_gaps.h"
#include "font/table_text_codec.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace varnalux {

class DialogPlace;
class JobProgress;
class OperationHost;

class TFontPage : public QWidget {
  Q_OBJECT

 public:
  // Builds the controls, applies the host's dialog font and sets up the
  // "Standard Encode" controls, as at start-up.
  // dialogFont is the window's font dialog font: the page draws with the
  // last font chosen in it from any page.
  TFontPage(OperationHost& operations, DialogPlace& dialogs, QFont& dialogFont,
            JobProgress& progress, QWidget* parent);
  ~TFontPage() override;

  // Shows the host's dialog font on the page and selects it for drawing.
  void ApplySelectedFont();
  // Enables the controls of the chosen encoding and presets the pitch.
  void ApplyEncodeMode();
  // The request from the controls; a failure shows its message.
  bool BuildFontRequest(varnalux::FontRequest& request);

  // The code page the single-byte encodings and the preview use.
  int SingleByteCodePage() const;
  // The path of the table file last loaded ("" before any).
  const QString& TableFilePath() const { return tableFilePath_; }
  // The font file last made on this page ("" before any).
  const QString& LastFontFile() const { return lastFontFile_; }

 public slots:
  void ButtonSelectFontClick();
  void ComboBoxFontEncodeChange(int index);
  void ComboBoxCodePageChange(int index);
  void AsianEncodeToggled(int id, bool checked);
  void ComboBoxSEncodeChange(int index);
  void ButtonFontTblLoadClick();
  void ButtonFontTblSaveClick();
  void ButtonSaveFontClick();
  void ButtonDowloadFontClick();
  void ButtonPreviewFontClick();
  void ButtonFontSheetClick();

 private:
  struct Control;
  void BuildControls();
  QGridLayout* BuildLeftColumn();
  QGroupBox* BuildStandardGroup();
  QGroupBox* BuildAsianGroup();
  QGroupBox* BuildTableGroup();
  void MakeCodePageList();
  void MakeSampleImage();
  // Makes the controls of the rows inside parent, connected to their slots.
  void MakeControls(std::span<const Control> rows, QWidget* parent);
  QLineEdit* MakeEdit(const Control& row, QWidget* parent);
  QWidget* ControlWidget(const Control& row) const;
  // Places the rows' captions and controls on the grid from row first on,
  // the controls spanning span columns; returns the row after the last.
  int PlaceControls(std::span<const Control> rows, QGridLayout* grid, int first, int span,
                    QWidget* parent) const;
  // Makes request.fileName with the progress window up; the window must
  // already be disabled. False shows nothing.
  bool MakeWithProgress(const varnalux::FontRequest& request);
  // Says what the last make left out (codes not in the code page,
  // characters the font lacks), when anything.
  void ReportLeftOut(const varnalux::FontRequest& request);
  // The code page the codes of the current encoding are decoded with: the
  // Asian set's in the double-byte encodings, the list's otherwise.
  int TableCodePage() const;
  bool DoubleByteMode() const;
  bool TableMode() const;
  // In a table encoding, shows the memo in TableCodePage() when the code
  // page changed: with "By File" the table's bytes stay and are shown in
  // the new code page; without it the typed text stays. When that loses
  // characters of the table the user is asked first; false when the user
  // kept the old code page (the caller puts its control back).
  bool FollowTableCodePage();
  // The memo's table in bytes of its code page, with the characters that
  // code page cannot hold in leftOut.
  std::string MemoTableBytes(std::u32string& leftOut) const;
  // "Code page 1252 Western" and the like.
  QString CodePageText(int codePage) const;
  // Asks whether to go on without the characters; question ends the text.
  bool GoOnWithout(const std::u32string& leftOut, const QString& what, const QString& question);
  // The warning about glyphs cut at their cell in the last making; "" when
  // none were cut.
  QString CutGlyphsText(const varnalux::FontRequest& request) const;

  OperationHost& operations_;
  DialogPlace& dialogs_;
  QFont& dialogFont_;
  JobProgress& progress_;
  varnalux::FontCanvas canvas_;
  std::vector<uint8_t> encodingTableBuffer_;
  QString tableFilePath_;
  QString lastFontFile_;
  varnalux::GlyphGaps lastGaps_;  // of the last make
  // The code page and line break the memo's text is shown in.
  int memoCodePage_ = varnalux::DefaultSingleByteCodePage;
  varnalux::TableLineBreak tableLineBreak_ = varnalux::TableLineBreak::CrLf;
  // The encoding shown before the current one, to go back to.
  int lastEncodeMode_ = 0;

  QLineEdit* editWinFontName_;
  QLineEdit* editWinFontSize_;
  QComboBox* comboBoxCodePage_;
  QLabel* imageSmaple_;
  QPushButton* buttonSelectFont_;
  QPushButton* buttonPreviewFont_;
  QPushButton* buttonFontSheet_;
  QComboBox* comboBoxFontEncode_;
  QComboBox* comboBoxFontPitch_;
  QComboBox* comboBoxMemoryDevice_;
  QLineEdit* editPrinterFontName_;
  QLineEdit* editFontWidth_;
  QLineEdit* editFontHeight_;
  QLineEdit* editItalicWidth_;
  QGroupBox* groupBoxSatndEncode_;
  QComboBox* comboBoxSEncode_;
  QLineEdit* editCharStart_;
  QLineEdit* editCharEnd_;
  QGroupBox* radioGroupAsiaFontEncode_;
  QButtonGroup* asianEncode_;
  QGroupBox* groupBoxEncodeTable_;
  QCheckBox* checkBoxFileTable_;
  QPlainTextEdit* memoFontTable_;
  QPushButton* buttonFontTblLoad_;
  QPushButton* buttonFontTblSave_;
  QPushButton* buttonSaveFont_;
  QPushButton* buttonDowloadFont_;
};

}  // namespace varnalux
