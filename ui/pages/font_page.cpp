#include "ui/pages/font_page.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>

#include "base/atomic_file.h"
#include "font/asian_sets.h"
#include "font/code_decoder.h"
#include "font/font_request_rules.h"
#include "font/make_font.h"
#include "font/table_text_codec.h"
#include "font/temp_font_file.h"
#include "protocol/file_manager.h"
#include "ui/dialog_place.h"
#include "ui/dialog_seam.h"
#include "ui/dialogs/form_font_sheet.h"
#include "ui/dialogs/form_preview_font.h"
#include "ui/font_choice.h"
#include "ui/job_progress.h"
#include "ui/pages/font_page_controls.h"
#include "ui/printer_operation.h"
#include "ui/printer_text.h"
#include "ui/tab_order.h"

namespace varnalux {

namespace {

const QString AllFiles = QStringLiteral("*.* (*)");

// The generator's own progress window.
constexpr int MakingLeft = 100;
constexpr int MakingTop = 100;
constexpr char MakingCaption[] = "Making font...";
// How often the window handles its messages while a font is made.
constexpr qint64 BreatheMs = 15;

// The Windows single-byte code pages a technician can choose; 1252 first.
struct CodePageItem {
  int codePage;
  const char* text;
};
constexpr CodePageItem CodePages[] = {
    {1252, "1252 Western"}, {1250, "1250 Central European"}, {1251, "1251 Cyrillic"},
    {1253, "1253 Greek"},   {1254, "1254 Turkish"},          {1255, "1255 Hebrew"},
    {1256, "1256 Arabic"},  {1257, "1257 Baltic"},           {1258, "1258 Vietnamese"},
    {874, "874 Thai"},
};

QLabel* BuddyLabel(const char* text, QWidget* field, QWidget* parent) {
  auto* label = new QLabel(QString::fromLatin1(text), parent);
  label->setBuddy(field);
  return label;
}

std::string Utf8(const QString& text) { return text.toUtf8().toStdString(); }

QString Characters(const std::u32string& characters) {
  return QString::fromStdString(varnalux::DescribeCharacters(characters));
}

}  // namespace

TFontPage::TFontPage(OperationHost& operations, DialogPlace& dialogs, QFont& dialogFont,
                     JobProgress& progress, QWidget* parent)
    : QWidget(parent),
      operations_(operations),
      dialogs_(dialogs),
      dialogFont_(dialogFont),
      progress_(progress) {
  setObjectName(QStringLiteral("FontPage"));
  BuildControls();
  ApplySelectedFont();
  ApplyEncodeMode();
  lastEncodeMode_ = comboBoxFontEncode_->currentIndex();
  memoCodePage_ = TableCodePage();
}

TFontPage::~TFontPage() = default;

void TFontPage::BuildControls() {
  QGridLayout* left = BuildLeftColumn();
  auto* right = new QVBoxLayout;
  right->addWidget(BuildStandardGroup());
  right->addWidget(BuildAsianGroup());
  right->addWidget(BuildTableGroup(), 1);

  MakeControls(Control::Actions(), this);
  auto* actions = new QHBoxLayout;
  actions->addStretch(1);
  actions->addWidget(buttonSaveFont_);
  actions->addWidget(buttonDowloadFont_);

  auto* columns = new QHBoxLayout;
  columns->addLayout(left, 1);
  columns->addLayout(right, 1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->addLayout(columns, 1);
  layout->addLayout(actions);
}

void TFontPage::MakeControls(std::span<const Control> rows, QWidget* parent) {
  for (const Control& row : rows) {
    QWidget* widget = nullptr;
    if (row.button) {
      this->*row.button = new QPushButton(QString::fromLatin1(row.text), parent);
      connect(this->*row.button, &QPushButton::clicked, this, row.clicked);
      widget = this->*row.button;
    } else if (row.list) {
      QComboBox* box = this->*row.list = new QComboBox(parent);
      box->addItems(QString::fromLatin1(row.text).split(u'|'));
      box->setCurrentIndex(row.selected);
      if (row.changed) connect(box, &QComboBox::currentIndexChanged, this, row.changed);
      widget = box;
    } else {
      widget = MakeEdit(row, parent);
    }
    widget->setObjectName(QString::fromLatin1(row.name));
  }
}

QLineEdit* TFontPage::MakeEdit(const Control& row, QWidget* parent) {
  QLineEdit* edit = this->*row.edit = new QLineEdit(parent);
  if (row.readOnly) {
    edit->setReadOnly(true);
    edit->setFocusPolicy(Qt::ClickFocus);  // not a Tab stop
  }
  if (row.maxLength > 0) edit->setMaxLength(row.maxLength);
  if (row.text) edit->setText(QString::fromLatin1(row.text));
  // Room for a size of a few digits; a list on a row of its own has room
  // for its longest item.
  if (row.narrow)
    edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 12);
  return edit;
}

QWidget* TFontPage::ControlWidget(const Control& row) const {
  if (row.button) return this->*row.button;
  if (row.list) return this->*row.list;
  return this->*row.edit;
}

int TFontPage::PlaceControls(std::span<const Control> rows, QGridLayout* grid, int first, int span,
                             QWidget* parent) const {
  int at = first;
  for (const Control& row : rows) {
    QWidget* widget = ControlWidget(row);
    grid->addWidget(BuddyLabel(row.caption, widget, parent), at, 0);
    if (row.narrow)
      grid->addWidget(widget, at++, 1, Qt::AlignLeft);
    else
      grid->addWidget(widget, at++, 1, 1, span);
  }
  return at;
}

// Left column: the desktop font, the encoding and the cell.
QGridLayout* TFontPage::BuildLeftColumn() {
  MakeControls(Control::Font(), this);
  MakeCodePageList();
  MakeSampleImage();
  MakeControls(Control::FontButtons(), this);
  MakeControls(Control::Cell(), this);

  auto* left = new QGridLayout;
  left->setHorizontalSpacing(6);
  left->setVerticalSpacing(4);
  int row = PlaceControls(Control::Font(), left, 0, 3, this);
  left->addWidget(BuddyLabel("Code Page:", comboBoxCodePage_, this), row, 0);
  left->addWidget(comboBoxCodePage_, row++, 1, 1, 3);
  // The sample with the three font buttons stacked beside it, apart.
  auto* sample = new QHBoxLayout;
  sample->setSpacing(6);
  sample->addWidget(imageSmaple_, 0, Qt::AlignTop);
  auto* fontButtons = new QVBoxLayout;
  fontButtons->setSpacing(3);
  for (const Control& button : Control::FontButtons())
    fontButtons->addWidget(ControlWidget(button));
  sample->addLayout(fontButtons, 1);
  left->addLayout(sample, row++, 1, 1, 3);
  row = PlaceControls(Control::Cell(), left, row, 3, this);
  left->setRowStretch(row, 1);
  return left;
}

void TFontPage::MakeCodePageList() {
  comboBoxCodePage_ = new QComboBox(this);
  comboBoxCodePage_->setObjectName(QStringLiteral("ComboBoxCodePage"));
  for (const CodePageItem& item : CodePages)
    comboBoxCodePage_->addItem(QString::fromLatin1(item.text), item.codePage);
  connect(comboBoxCodePage_, &QComboBox::currentIndexChanged, this,
          &TFontPage::ComboBoxCodePageChange);
}

void TFontPage::MakeSampleImage() {
  imageSmaple_ = new QLabel(this);
  imageSmaple_->setObjectName(QStringLiteral("ImageSmaple"));
  imageSmaple_->setFixedSize(150, 56);
  imageSmaple_->setAccessibleName(QStringLiteral("Font Sample"));
  imageSmaple_->setAccessibleDescription(QStringLiteral("ABCD in the selected font"));
}

// Right column: the three encodings' own controls.
QGroupBox* TFontPage::BuildStandardGroup() {
  groupBoxSatndEncode_ = new QGroupBox(QStringLiteral("Standard Encode"), this);
  groupBoxSatndEncode_->setObjectName(QStringLiteral("GroupBoxSatndEncode"));
  MakeControls(Control::Standard(), groupBoxSatndEncode_);
  PlaceControls(Control::Standard(), new QGridLayout(groupBoxSatndEncode_), 0, 1,
                groupBoxSatndEncode_);
  return groupBoxSatndEncode_;
}

QGroupBox* TFontPage::BuildAsianGroup() {
  radioGroupAsiaFontEncode_ = new QGroupBox(QStringLiteral("Asian Font Encode"), this);
  radioGroupAsiaFontEncode_->setObjectName(QStringLiteral("RadioGroupAsiaFontEncode"));
  asianEncode_ = new QButtonGroup(this);
  auto* asian = new QGridLayout(radioGroupAsiaFontEncode_);
  const char* const asianItems[] = {"Traditional Chinese", "Simplified Chinese", "Korean",
                                    "Japanese"};
  for (int i = 0; i < 4; ++i) {
    auto* item = new QRadioButton(QString::fromLatin1(asianItems[i]), radioGroupAsiaFontEncode_);
    item->setObjectName(QStringLiteral("RadioGroupAsiaFontEncode%1").arg(i));
    asianEncode_->addButton(item, i);
    asian->addWidget(item, i / 2, i % 2);
  }
  asianEncode_->button(varnalux::AsianTraditionalChinese)->setChecked(true);
  OneTabStopPerChoice(asianEncode_);
  connect(asianEncode_, &QButtonGroup::idToggled, this, &TFontPage::AsianEncodeToggled);
  return radioGroupAsiaFontEncode_;
}

QGroupBox* TFontPage::BuildTableGroup() {
  groupBoxEncodeTable_ = new QGroupBox(QStringLiteral("Encode by Table"), this);
  groupBoxEncodeTable_->setObjectName(QStringLiteral("GroupBoxEncodeTable"));
  checkBoxFileTable_ = new QCheckBox(QStringLiteral("&By File"), groupBoxEncodeTable_);
  checkBoxFileTable_->setObjectName(QStringLiteral("CheckBoxFileTable"));
  memoFontTable_ = new QPlainTextEdit(groupBoxEncodeTable_);
  memoFontTable_->setObjectName(QStringLiteral("MemoFontTable"));
  memoFontTable_->setAccessibleName(QStringLiteral("Encoding Table"));
  memoFontTable_->setLineWrapMode(QPlainTextEdit::NoWrap);
  memoFontTable_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memoFontTable_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  MakeControls(Control::TableButtons(), groupBoxEncodeTable_);
  auto* table = new QGridLayout(groupBoxEncodeTable_);
  table->addWidget(checkBoxFileTable_, 0, 0, 1, 2);
  table->addWidget(memoFontTable_, 1, 0, 1, 2);
  table->addWidget(buttonFontTblLoad_, 2, 0);
  table->addWidget(buttonFontTblSave_, 2, 1);
  return groupBoxEncodeTable_;
}

int TFontPage::SingleByteCodePage() const {
  const QVariant data = comboBoxCodePage_->currentData();
  return data.isValid() ? data.toInt() : varnalux::DefaultSingleByteCodePage;
}

bool TFontPage::DoubleByteMode() const {
  const int mode = comboBoxFontEncode_->currentIndex();
  return mode == varnalux::EncodeAsian || mode == varnalux::EncodeAsianTable;
}

int TFontPage::TableCodePage() const {
  if (DoubleByteMode()) {
    const int asian = varnalux::AsianCodePage(asianEncode_->checkedId());
    if (asian != 0) return asian;
  }
  return SingleByteCodePage();
}

bool TFontPage::TableMode() const {
  const int mode = comboBoxFontEncode_->currentIndex();
  return mode == varnalux::EncodeTable || mode == varnalux::EncodeAsianTable;
}

QString TFontPage::CodePageText(int codePage) const {
  for (const CodePageItem& item : CodePages)
    if (item.codePage == codePage) return QStringLiteral("Code page %1").arg(item.text);
  const char* const sets[] = {"Traditional Chinese", "Simplified Chinese", "Korean", "Japanese"};
  for (int set = 0; set < 4; ++set)
    if (varnalux::AsianCodePage(set) == codePage)
      return QStringLiteral("Code page %1 %2").arg(codePage).arg(QString::fromLatin1(sets[set]));
  return QStringLiteral("Code page %1").arg(codePage);
}

std::string TFontPage::MemoTableBytes(std::u32string& leftOut) const {
  std::string bytes;
  if (!varnalux::TableTextToBytes(Utf8(memoFontTable_->toPlainText()), memoCodePage_,
                                  tableLineBreak_, bytes, leftOut))
    bytes.clear();
  return bytes;
}

bool TFontPage::GoOnWithout(const std::u32string& leftOut, const QString& what,
                            const QString& question) {
  if (leftOut.empty()) return true;
  return dialogs_.Seam().Question(what + QStringLiteral(": ") + Characters(leftOut) +
                                  QLatin1Char('\n') + question);
}

bool TFontPage::FollowTableCodePage() {
  if (!TableMode()) return true;
  const int to = TableCodePage();
  if (to == memoCodePage_) return true;
  const std::string text = Utf8(memoFontTable_->toPlainText());
  std::string bytes;
  std::u32string leftOut;
  std::string shown;
  bool replace = false;
  QString what = CodePageText(to) + QStringLiteral(" cannot hold these characters of the table");
  if (checkBoxFileTable_->isChecked()) {
    // The table is the file's bytes: they stay, shown in the new code page.
    // Only characters typed in that the old one could not hold are lost.
    varnalux::TableTextToBytes(text, memoCodePage_, tableLineBreak_, bytes, leftOut);
    replace = varnalux::TableBytesToText(bytes, to, tableLineBreak_, shown);
    what = CodePageText(memoCodePage_) +
           QStringLiteral(" cannot hold these characters typed into the table");
  } else if (varnalux::TableTextToBytes(text, to, tableLineBreak_, bytes, leftOut) &&
             !leftOut.empty()) {
    // The table is the typed text: it stays as typed, but what the new
    // code page cannot hold goes.
    replace = varnalux::TableBytesToText(bytes, to, tableLineBreak_, shown);
  }
  if (!GoOnWithout(leftOut, what, QStringLiteral("Change the code page and leave them out?")))
    return false;
  memoCodePage_ = to;
  if (replace && shown != text) memoFontTable_->setPlainText(QString::fromStdString(shown));
  return true;
}

void TFontPage::ButtonSelectFontClick() {
  if (!dialogs_.Seam().ChooseFont(dialogFont_)) return;
  ApplySelectedFont();
}

void TFontPage::ApplySelectedFont() {
  const QFont& font = dialogFont_;
  // 1. Name and size in points.
  editWinFontName_->setText(font.family());
  editWinFontSize_->setText(QString::number(FontPoints(font)));
  // 2. The font the generator draws with.
  canvas_.SelectFont(Utf8(font.family()), CanvasStyle(font), FontPixels(font));
  // 3. Cell size from the sample character of the current encoding.
  const std::string sample = varnalux::SampleCode(comboBoxFontEncode_->currentIndex());
  const varnalux::CodeDecoder decoder(TableCodePage());
  const varnalux::TextSize size = canvas_.MeasureCode(
      reinterpret_cast<const uint8_t*>(sample.data()), static_cast<int>(sample.size()), decoder);
  editFontWidth_->setText(QString::number(size.width));
  editFontHeight_->setText(QString::number(size.height));
  // 4. Italic width.
  editItalicWidth_->setText(QString::number(varnalux::PresetItalicWidth(
      size.width, font.bold(), font.italic(), font.underline(), font.strikeOut())));
  // 5. A fresh printer name with every font.
  editPrinterFontName_->setText(QStringLiteral("Font001"));
  // 6. The sample.
  imageSmaple_->setPixmap(QPixmap::fromImage(SampleImage(font)));
}

void TFontPage::ComboBoxFontEncodeChange(int index) {
  if (!FollowTableCodePage()) {
    const QSignalBlocker block(comboBoxFontEncode_);
    comboBoxFontEncode_->setCurrentIndex(lastEncodeMode_);
    return;
  }
  lastEncodeMode_ = index;
  ApplyEncodeMode();
}

void TFontPage::ComboBoxCodePageChange(int) {
  if (FollowTableCodePage()) return;
  const QSignalBlocker block(comboBoxCodePage_);
  comboBoxCodePage_->setCurrentIndex(comboBoxCodePage_->findData(memoCodePage_));
}

void TFontPage::AsianEncodeToggled(int, bool checked) {
  if (!checked || FollowTableCodePage()) return;
  const QSignalBlocker block(asianEncode_);
  for (int set = 0; set < 4; ++set)
    if (varnalux::AsianCodePage(set) == memoCodePage_) asianEncode_->button(set)->setChecked(true);
}

void TFontPage::ApplyEncodeMode() {
  const varnalux::EncodeModeControls preset =
      varnalux::ApplyEncodeMode(comboBoxFontEncode_->currentIndex());
  for (QWidget* w : std::initializer_list<QWidget*>{groupBoxSatndEncode_, comboBoxSEncode_,
                                                    editCharStart_, editCharEnd_})
    w->setEnabled(preset.standardGroup);
  radioGroupAsiaFontEncode_->setEnabled(preset.asianGroup);
  comboBoxCodePage_->setEnabled(preset.codePageList);
  for (QWidget* w :
       std::initializer_list<QWidget*>{groupBoxEncodeTable_, memoFontTable_, buttonFontTblLoad_,
                                       buttonFontTblSave_, checkBoxFileTable_})
    w->setEnabled(preset.tableGroup);
  comboBoxFontPitch_->setCurrentIndex(preset.pitch);
}

void TFontPage::ComboBoxSEncodeChange(int index) {
  std::string start;
  std::string end;
  if (!varnalux::MappingRange(index, start, end)) return;
  editCharStart_->setText(QString::fromStdString(start));
  editCharEnd_->setText(QString::fromStdString(end));
}

void TFontPage::ButtonFontTblLoadClick() {
  const QString path = dialogs_.Seam().OpenFileName(AllFiles);
  if (path.isEmpty()) return;
  // Only regular files: a FIFO would block, a device might never end.
  QFile file(path);
  if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) return;
  // Every byte is kept (a NUL too, which ends the table where it stands):
  // a table cut short here would lose its end at the next "Save".
  const QByteArray bytes = file.read(varnalux::EncodingTableBufferSize);
  const bool whole = file.atEnd() && bytes.size() < varnalux::EncodingTableBufferSize;
  file.close();
  if (!whole) {
    dialogs_.Seam().Message(QStringLiteral("The table file %1 holds %2 bytes; an encoding table "
                                           "holds at most %3. Nothing was loaded.")
                                .arg(QFileInfo(path).fileName())
                                .arg(QFileInfo(path).size())
                                .arg(varnalux::EncodingTableBufferSize - 1));
    return;
  }
  const std::string table = bytes.toStdString();
  const varnalux::TableLineBreak lineBreak = varnalux::DetectLineBreak(table);
  std::string text;
  if (!varnalux::TableBytesToText(table, TableCodePage(), lineBreak, text)) return;
  tableFilePath_ = path;
  memoCodePage_ = TableCodePage();
  tableLineBreak_ = lineBreak;
  memoFontTable_->setPlainText(QString::fromStdString(text));
  checkBoxFileTable_->setChecked(true);
}

void TFontPage::ButtonFontTblSaveClick() {
  std::u32string leftOut;
  const std::string bytes = MemoTableBytes(leftOut);
  if (!GoOnWithout(leftOut,
                   CodePageText(memoCodePage_) +
                       QStringLiteral(" cannot hold these characters of the table"),
                   QStringLiteral("Save the table without them?")))
    return;
  const QString path = dialogs_.Seam().SaveFileName(AllFiles, QString());
  if (path.isEmpty()) return;
  // A file that cannot be written is left as it was, without a message.
  varnalux::SaveFileAtomically(Utf8(path), bytes.data(), bytes.size());
}

bool TFontPage::BuildFontRequest(FontRequest& request) {
  varnalux::FontPageFields fields;
  fields.encodeMode = comboBoxFontEncode_->currentIndex();
  fields.pitch = comboBoxFontPitch_->currentIndex();
  fields.asianEncoding = asianEncode_->checkedId();
  fields.charStart = Utf8(editCharStart_->text());
  fields.charEnd = Utf8(editCharEnd_->text());
  fields.fontWidth = Utf8(editFontWidth_->text());
  fields.fontHeight = Utf8(editFontHeight_->text());
  fields.italicWidth = Utf8(editItalicWidth_->text());
  fields.byFile = checkBoxFileTable_->isChecked();
  fields.tableFilePath = Utf8(tableFilePath_);
  // The memo counts only for a table typed on the page.
  if (!fields.byFile && TableMode()) {
    std::u32string leftOut;
    fields.memoText = MemoTableBytes(leftOut);
    if (!GoOnWithout(leftOut,
                     CodePageText(memoCodePage_) +
                         QStringLiteral(" cannot hold these characters of the table, so they "
                                        "make no glyph"),
                     QStringLiteral("Make the font without them?")))
      return false;
  }
  // Single-byte fonts are decoded with the chosen code page, Asian ones
  // with their set's.
  fields.codePage = DoubleByteMode() ? 0 : SingleByteCodePage();
  std::string message;
  if (!varnalux::BuildFontRequest(fields, encodingTableBuffer_, request, message)) {
    dialogs_.Seam().Message(QString::fromStdString(message));
    return false;
  }
  request.canvas = &canvas_;
  return true;
}

bool TFontPage::MakeWithProgress(const FontRequest& request) {
  canvas_.ResetCutGlyphs();
  progress_.ShowJobProgress(MakingLeft, MakingTop, MakingCaption);
  QElapsedTimer sinceBreath;
  sinceBreath.start();
  int shown = -1;
  const varnalux::MakeFontCode code = varnalux::MakeFont(
      request,
      [&](int percent) {
        if (percent != shown) {
          shown = percent;
          progress_.MoveJobProgress(percent);
        }
        if (sinceBreath.elapsed() >= BreatheMs) {
          progress_.PumpMessages();
          sinceBreath.restart();
        }
      },
      lastGaps_, varnalux::GapRule::Keep);
  progress_.HideJobProgress(code == varnalux::MakeFontOk);
  return code == varnalux::MakeFontOk;
}

void TFontPage::ReportLeftOut(const FontRequest& request) {
  const std::string leftOut = varnalux::DescribeGlyphGaps(
      lastGaps_, varnalux::EffectiveCodePage(request), canvas_.FamilyName());
  if (!leftOut.empty()) dialogs_.Seam().Message(QString::fromStdString(leftOut));
}

void TFontPage::ButtonSaveFontClick() {
  const QString path = dialogs_.Seam().SaveFileName(AllFiles, QString());
  if (path.isEmpty()) return;
  FontRequest request;
  if (!BuildFontRequest(request)) return;
  request.fileName = Utf8(path);
  // The window is disabled while the font is made, as during an operation.
  PrinterOperation operation(operations_);
  if (!MakeWithProgress(request)) {
    dialogs_.Seam().Message(QString::fromLatin1(varnalux::MakeFontError));
    return;
  }
  lastFontFile_ = path;
  ReportLeftOut(request);
  const QString cut = CutGlyphsText(request);
  if (!cut.isEmpty()) dialogs_.Seam().Message(QStringLiteral("The font was saved, but ") + cut);
}

QString TFontPage::CutGlyphsText(const FontRequest& request) const {
  const int cut = canvas_.CutGlyphs();
  if (cut == 0) return QString();
  const std::vector<char32_t>& examples = canvas_.CutExamples();
  QString text = QStringLiteral(
                     "%1 of its glyphs do not fit the cell of %2 x %3 pixels and are "
                     "cut: %4")
                     .arg(cut)
                     .arg(request.cellWidth)
                     .arg(request.cellHeight)
                     .arg(Characters(std::u32string(examples.begin(), examples.end())));
  if (cut > static_cast<int>(examples.size())) text += QStringLiteral(" ...");
  if (request.doubleByte == 1 && request.byTable == 0)
    text += QStringLiteral("\nHalf-width characters are drawn in half the Font Width (%1 pixels).")
                .arg(request.cellWidth / 2);
  // In variable pitch only the height cuts (see FontCanvas::CutGlyphs).
  text += request.variablePitch
              ? QStringLiteral("\nA taller cell (Font Height) or a smaller font keeps them whole.")
              : QStringLiteral(
                    "\nA wider or taller cell (Font Width, Font Height) or a smaller "
                    "font keeps them whole.");
  return text;
}

void TFontPage::ButtonDowloadFontClick() {
  FontRequest request;
  if (!BuildFontRequest(request)) return;
  // The name travels in the quotes of the download command, by the rule of
  // every file name in the printer. A character outside that rule is named
  // in the same words as on the file manager page, whatever the name's
  // length in bytes; the font name's own limits give the page's message.
  const QString typed = editPrinterFontName_->text();
  const bool ascii =
      std::all_of(typed.cbegin(), typed.cend(), [](QChar c) { return c.unicode() < 0x80; });
  if (const QString problem = PrinterNameProblemText(typed); !ascii && !problem.isEmpty()) {
    dialogs_.Seam().Message(problem);
    return;
  }
  const QByteArray printerName = PrinterNameBytes(typed);
  if (!varnalux::IsValidPrinterFontName(printerName.toStdString())) {
    dialogs_.Seam().Message(
        QString::fromStdString(varnalux::PrinterFontNameMessage(printerName.toStdString())));
    return;
  }
  PrinterOperation operation(operations_);
  const std::string folder =
      varnalux::TempFontFolder(Utf8(StartDirectory()), varnalux::UserCacheFolder());
  varnalux::TempFontSlot slot(folder);
  request.fileName = slot.WorkPath();
  if (!slot.IsReady() || !MakeWithProgress(request) || !slot.Place()) {
    dialogs_.Seam().Message(QString::fromLatin1(varnalux::MakeFontError));
    return;
  }
  lastFontFile_ = QString::fromStdString(slot.FinalPath());
  const QString cut = CutGlyphsText(request);
  if (!cut.isEmpty() && !dialogs_.Seam().Question(QStringLiteral("The font is made, but ") + cut +
                                                  QStringLiteral("\nDownload it anyway?")))
    return;
  const std::string source = slot.FinalPath();
  varnalux::DownloadRequest download{};
  download.sourcePath = source.c_str();
  download.printerName = printerName.constData();
  download.device = comboBoxMemoryDevice_->currentIndex();
  operation.Run(varnalux::OpDownloadFile, &download, 0);
  ReportLeftOut(request);
}

void TFontPage::ButtonPreviewFontClick() {
  // Drawn with the page's own face, the one "Save Font" draws with, not
  // with the dialog's font (which "Font View" may have changed since).
  TFormPreviewFont preview(PreviewImage(canvas_, TableCodePage()), dialogs_.HostWindow());
  QWidget* window = dialogs_.HostWindow();
  if (window != nullptr) preview.Prepare(window->pos() + QPoint(20, 20));
  dialogs_.Seam().Exec(preview);
}

void TFontPage::ButtonFontSheetClick() {
  QString path = lastFontFile_;
  if (path.isEmpty()) path = dialogs_.Seam().OpenFileName(AllFiles);
  if (path.isEmpty()) return;
  TFormFontSheet sheet(dialogs_.Seam(), dialogs_.HostWindow());
  sheet.ShowFile(path);
  dialogs_.Seam().Exec(sheet);
}

}  // namespace varnalux
