#include "ui/font_page.h"

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
#include <QVBoxLayout>

#include "font/asian_sets.h"
#include "font/code_decoder.h"
#include "font/font_request_rules.h"
#include "font/make_font.h"
#include "font/table_text_codec.h"
#include "font/temp_font_file.h"
#include "protocol/atomic_file.h"
#include "protocol/file_manager.h"
#include "ui/dialog_seam.h"
#include "ui/font_choice.h"
#include "ui/form_font_sheet.h"
#include "ui/form_preview_font.h"
#include "ui/page_host.h"

using varnalux::FontRequest;

namespace {

const QString kAllFiles = QStringLiteral("*.* (*)");

// The generator's own progress window.
constexpr int kMakingLeft = 100;
constexpr int kMakingTop = 100;
constexpr char kMakingCaption[] = "Making font...";
// How often the window handles its messages while a font is made.
constexpr qint64 kBreatheMs = 15;

// The Windows single-byte code pages a technician can choose; 1252 first.
struct CodePageItem {
  int codePage;
  const char* text;
};
constexpr CodePageItem kCodePages[] = {
    {1252, "1252 Western"},        {1250, "1250 Central European"}, {1251, "1251 Cyrillic"},
    {1253, "1253 Greek"},          {1254, "1254 Turkish"},          {1255, "1255 Hebrew"},
    {1256, "1256 Arabic"},         {1257, "1257 Baltic"},           {1258, "1258 Vietnamese"},
    {874, "874 Thai"},
};

QLabel* BuddyLabel(const char* text, QWidget* field, QWidget* parent) {
  auto* label = new QLabel(QString::fromLatin1(text), parent);
  label->setBuddy(field);
  return label;
}

QPushButton* MakeButton(const char* name, const char* caption, QWidget* parent) {
  auto* button = new QPushButton(QString::fromLatin1(caption), parent);
  button->setObjectName(QString::fromLatin1(name));
  return button;
}

QComboBox* MakeList(const char* name, std::initializer_list<const char*> items, int selected,
                    QWidget* parent) {
  auto* box = new QComboBox(parent);
  box->setObjectName(QString::fromLatin1(name));
  for (const char* item : items) box->addItem(QString::fromLatin1(item));
  box->setCurrentIndex(selected);
  return box;
}

QLineEdit* MakeEdit(const char* name, QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromLatin1(name));
  return edit;
}

std::string Utf8(const QString& text) { return text.toUtf8().toStdString(); }

}  // namespace

TFontPage::TFontPage(PageHost& host, QWidget* parent)
    : QWidget(parent), host_(host) {
  setObjectName(QStringLiteral("FontPage"));
  BuildControls();
  ApplySelectedFont();
  ApplyEncodeMode();
}

TFontPage::~TFontPage() = default;

void TFontPage::BuildControls() {
  // Left column: the desktop font, the encoding and the cell.
  editWinFontName_ = MakeEdit("EditWinFontName", this);
  editWinFontName_->setReadOnly(true);
  editWinFontSize_ = MakeEdit("EditWinFontSize", this);
  editWinFontSize_->setReadOnly(true);
  comboBoxCodePage_ = new QComboBox(this);
  comboBoxCodePage_->setObjectName(QStringLiteral("ComboBoxCodePage"));
  for (const CodePageItem& item : kCodePages)
    comboBoxCodePage_->addItem(QString::fromLatin1(item.text), item.codePage);
  imageSmaple_ = new QLabel(this);
  imageSmaple_->setObjectName(QStringLiteral("ImageSmaple"));
  imageSmaple_->setFixedSize(150, 56);
  buttonSelectFont_ = MakeButton("ButtonSelectFont", "Select Font", this);
  buttonPreviewFont_ = MakeButton("ButtonPreviewFont", "Preview Font", this);
  buttonFontSheet_ = MakeButton("ButtonFontSheet", "Font Sheet", this);
  comboBoxFontEncode_ =
      MakeList("ComboBoxFontEncode",
               {"Standard Encode", "Asian Font Encode", "Encode by Table", "Encode by Table (Asian)"},
               varnalux::EncodeStandard, this);
  comboBoxFontPitch_ =
      MakeList("ComboBoxFontPitch", {"Fixed Pitch", "Variable Pitch"}, varnalux::PitchVariable, this);
  comboBoxMemoryDevice_ =
      MakeList("ComboBoxMemoryDevice", {"DRAM", "FLASH", "CARD"}, varnalux::DeviceFlash, this);
  editPrinterFontName_ = MakeEdit("EditPrinterFontName", this);
  editFontWidth_ = MakeEdit("EditFontWidth", this);
  editFontHeight_ = MakeEdit("EditFontHeight", this);
  editItalicWidth_ = MakeEdit("EditItalicWidth", this);

  auto* left = new QGridLayout;
  left->setHorizontalSpacing(6);
  left->setVerticalSpacing(4);
  int row = 0;
  left->addWidget(BuddyLabel("Windows Font Name:", editWinFontName_, this), row, 0);
  left->addWidget(editWinFontName_, row++, 1, 1, 3);
  left->addWidget(BuddyLabel("Font Size:", editWinFontSize_, this), row, 0);
  left->addWidget(editWinFontSize_, row, 1);
  left->addWidget(BuddyLabel("Code Page:", comboBoxCodePage_, this), row, 2);
  left->addWidget(comboBoxCodePage_, row++, 3);
  left->addWidget(imageSmaple_, row++, 1, 1, 3, Qt::AlignLeft);
  auto* fontButtons = new QHBoxLayout;
  fontButtons->addWidget(buttonSelectFont_);
  fontButtons->addWidget(buttonPreviewFont_);
  fontButtons->addWidget(buttonFontSheet_);
  left->addLayout(fontButtons, row++, 1, 1, 3);
  const struct {
    const char* label;
    QWidget* field;
  } fields[] = {
      {"Font Encode:", comboBoxFontEncode_},    {"Font Picth:", comboBoxFontPitch_},
      {"Printer Device:", comboBoxMemoryDevice_}, {"Printer Font Name:", editPrinterFontName_},
      {"Font Width:", editFontWidth_},          {"Font Height:", editFontHeight_},
      {"Italic Width:", editItalicWidth_},
  };
  for (const auto& field : fields) {
    left->addWidget(BuddyLabel(field.label, field.field, this), row, 0);
    left->addWidget(field.field, row++, 1, 1, 3);
  }
  left->setRowStretch(row, 1);

  // Right column: the three encodings' own controls.
  groupBoxSatndEncode_ = new QGroupBox(QStringLiteral("Standard Encode"), this);
  groupBoxSatndEncode_->setObjectName(QStringLiteral("GroupBoxSatndEncode"));
  comboBoxSEncode_ =
      MakeList("ComboBoxSEncode", {"Standard Mapping", "Full ASCII Mapping", "Customer Mapping"},
               varnalux::MappingStandard, groupBoxSatndEncode_);
  editCharStart_ = MakeEdit("EditCharStart", groupBoxSatndEncode_);
  editCharStart_->setMaxLength(3);
  editCharStart_->setText(QStringLiteral("32"));
  editCharEnd_ = MakeEdit("EditCharEnd", groupBoxSatndEncode_);
  editCharEnd_->setMaxLength(3);
  editCharEnd_->setText(QStringLiteral("127"));
  auto* standard = new QGridLayout(groupBoxSatndEncode_);
  standard->addWidget(BuddyLabel("Font Mapping:", comboBoxSEncode_, groupBoxSatndEncode_), 0, 0);
  standard->addWidget(comboBoxSEncode_, 0, 1);
  standard->addWidget(BuddyLabel("Character Start ASCII:", editCharStart_, groupBoxSatndEncode_),
                      1, 0);
  standard->addWidget(editCharStart_, 1, 1);
  standard->addWidget(BuddyLabel("Character End ASCII:", editCharEnd_, groupBoxSatndEncode_), 2,
                      0);
  standard->addWidget(editCharEnd_, 2, 1);

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

  groupBoxEncodeTable_ = new QGroupBox(QStringLiteral("Encode by Table"), this);
  groupBoxEncodeTable_->setObjectName(QStringLiteral("GroupBoxEncodeTable"));
  checkBoxFileTable_ = new QCheckBox(QStringLiteral("By File"), groupBoxEncodeTable_);
  checkBoxFileTable_->setObjectName(QStringLiteral("CheckBoxFileTable"));
  memoFontTable_ = new QPlainTextEdit(groupBoxEncodeTable_);
  memoFontTable_->setObjectName(QStringLiteral("MemoFontTable"));
  memoFontTable_->setLineWrapMode(QPlainTextEdit::NoWrap);
  memoFontTable_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memoFontTable_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  buttonFontTblLoad_ = MakeButton("ButtonFontTblLoad", "Load", groupBoxEncodeTable_);
  buttonFontTblSave_ = MakeButton("ButtonFontTblSave", "Save", groupBoxEncodeTable_);
  auto* table = new QGridLayout(groupBoxEncodeTable_);
  table->addWidget(checkBoxFileTable_, 0, 0, 1, 2);
  table->addWidget(memoFontTable_, 1, 0, 1, 2);
  table->addWidget(buttonFontTblLoad_, 2, 0);
  table->addWidget(buttonFontTblSave_, 2, 1);

  auto* right = new QVBoxLayout;
  right->addWidget(groupBoxSatndEncode_);
  right->addWidget(radioGroupAsiaFontEncode_);
  right->addWidget(groupBoxEncodeTable_, 1);

  buttonSaveFont_ = MakeButton("ButtonSaveFont", "Save Font", this);
  buttonDowloadFont_ = MakeButton("ButtonDowloadFont", "Dowload Font", this);
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

  connect(buttonSelectFont_, &QPushButton::clicked, this, &TFontPage::ButtonSelectFontClick);
  connect(buttonPreviewFont_, &QPushButton::clicked, this, &TFontPage::ButtonPreviewFontClick);
  connect(buttonFontSheet_, &QPushButton::clicked, this, &TFontPage::ButtonFontSheetClick);
  connect(comboBoxFontEncode_, &QComboBox::currentIndexChanged, this,
          &TFontPage::ComboBoxFontEncodeChange);
  connect(comboBoxSEncode_, &QComboBox::currentIndexChanged, this,
          &TFontPage::ComboBoxSEncodeChange);
  connect(buttonFontTblLoad_, &QPushButton::clicked, this, &TFontPage::ButtonFontTblLoadClick);
  connect(buttonFontTblSave_, &QPushButton::clicked, this, &TFontPage::ButtonFontTblSaveClick);
  connect(buttonSaveFont_, &QPushButton::clicked, this, &TFontPage::ButtonSaveFontClick);
  connect(buttonDowloadFont_, &QPushButton::clicked, this, &TFontPage::ButtonDowloadFontClick);
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

std::string TFontPage::MemoBytes(const QString& text) const {
  std::string bytes;
  if (!varnalux::EncodeTextForCodePage(Utf8(text), TableCodePage(), bytes)) bytes.clear();
  return bytes;
}

void TFontPage::ButtonSelectFontClick() {
  if (!host_.Seam().ChooseFont(host_.DialogFont())) return;
  ApplySelectedFont();
}

void TFontPage::ApplySelectedFont() {
  const QFont& font = host_.DialogFont();
  // 1. Name and size in points.
  editWinFontName_->setText(font.family());
  editWinFontSize_->setText(QString::number(FontPoints(font)));
  // 2. The font the generator draws with.
  canvas_.SelectFont(Utf8(font.family()), CanvasStyle(font), FontPixels(font));
  // 3. Cell size from the sample character of the current encoding.
  const std::string sample = varnalux::SampleCode(comboBoxFontEncode_->currentIndex());
  const varnalux::CodeDecoder decoder(TableCodePage());
  const varnalux::TextSize size =
      canvas_.MeasureCode(reinterpret_cast<const uint8_t*>(sample.data()),
                          static_cast<int>(sample.size()), decoder);
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

void TFontPage::ComboBoxFontEncodeChange(int) { ApplyEncodeMode(); }

void TFontPage::ApplyEncodeMode() {
  const varnalux::EncodeModeControls preset =
      varnalux::ApplyEncodeMode(comboBoxFontEncode_->currentIndex());
  for (QWidget* w : std::initializer_list<QWidget*>{groupBoxSatndEncode_, comboBoxSEncode_,
                                                    editCharStart_, editCharEnd_})
    w->setEnabled(preset.standardGroup);
  radioGroupAsiaFontEncode_->setEnabled(preset.asianGroup);
  for (QWidget* w : std::initializer_list<QWidget*>{groupBoxEncodeTable_, memoFontTable_,
                                                    buttonFontTblLoad_, buttonFontTblSave_,
                                                    checkBoxFileTable_})
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

QString TFontPage::TableText(const std::string& bytes) const {
  std::string utf8;
  if (!varnalux::TableBytesToText(bytes, TableCodePage(), utf8)) return QString::fromLatin1(bytes);
  return QString::fromUtf8(utf8);
}

void TFontPage::ButtonFontTblLoadClick() {
  const QString path = host_.Seam().OpenFileName(kAllFiles);
  if (path.isEmpty()) return;
  // Only regular files: a FIFO would block, a device might never end. A
  // table holds fewer than the buffer's bytes; more is not shown.
  QFile file(path);
  if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) return;
  QByteArray bytes = file.read(varnalux::EncodingTableBufferSize);
  file.close();
  const qsizetype nul = bytes.indexOf('\0');
  if (nul >= 0) bytes.truncate(nul);
  tableFilePath_ = path;
  memoFontTable_->setPlainText(TableText(bytes.toStdString()));
  checkBoxFileTable_->setChecked(true);
}

void TFontPage::ButtonFontTblSaveClick() {
  const QString path = host_.Seam().SaveFileName(kAllFiles, QString());
  if (path.isEmpty()) return;
  QString text = memoFontTable_->toPlainText();
  text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  const std::string bytes = MemoBytes(text);
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
  if (!fields.byFile && (fields.encodeMode == varnalux::EncodeTable ||
                         fields.encodeMode == varnalux::EncodeAsianTable))
    fields.memoText = MemoBytes(memoFontTable_->toPlainText());
  // Single-byte fonts are decoded with the chosen code page, Asian ones
  // with their set's.
  fields.codePage = DoubleByteMode() ? 0 : SingleByteCodePage();
  std::string message;
  if (!varnalux::BuildFontRequest(fields, encodingTableBuffer_, request, message)) {
    host_.Seam().Message(QString::fromStdString(message));
    return false;
  }
  request.canvas = &canvas_;
  return true;
}

bool TFontPage::MakeWithProgress(const FontRequest& request) {
  host_.ShowJobProgress(kMakingLeft, kMakingTop, kMakingCaption);
  QElapsedTimer sinceBreath;
  sinceBreath.start();
  int shown = -1;
  const varnalux::MakeFontCode code = varnalux::MakeFont(request, [&](int percent) {
    if (percent != shown) {
      shown = percent;
      host_.JobProgress(percent);
    }
    if (sinceBreath.elapsed() >= kBreatheMs) {
      host_.PumpMessages();
      sinceBreath.restart();
    }
  });
  host_.HideJobProgress(code == varnalux::MakeFontOk);
  return code == varnalux::MakeFontOk;
}

void TFontPage::ButtonSaveFontClick() {
  const QString path = host_.Seam().SaveFileName(kAllFiles, QString());
  if (path.isEmpty()) return;
  FontRequest request;
  if (!BuildFontRequest(request)) return;
  request.fileName = Utf8(path);
  HandlerScope scope(host_);
  if (!MakeWithProgress(request)) {
    host_.Seam().Message(QString::fromLatin1(varnalux::MakeFontError));
    return;
  }
  lastFontFile_ = path;
}

void TFontPage::ButtonDowloadFontClick() {
  FontRequest request;
  if (!BuildFontRequest(request)) return;
  // The name travels in the quotes of the download command.
  const QByteArray printerName = editPrinterFontName_->text().toLocal8Bit();
  if (!varnalux::IsValidPrinterFontName(printerName.toStdString())) {
    host_.Seam().Message(QString::fromLatin1(varnalux::FontParameterError));
    return;
  }
  HandlerScope scope(host_);
  const std::string folder =
      varnalux::TempFontFolder(Utf8(StartDirectory()), varnalux::UserCacheFolder());
  varnalux::TempFontSlot slot(folder);
  request.fileName = slot.WorkPath();
  if (!slot.IsReady() || !MakeWithProgress(request) || !slot.Place()) {
    host_.Seam().Message(QString::fromLatin1(varnalux::MakeFontError));
    return;
  }
  lastFontFile_ = QString::fromStdString(slot.FinalPath());
  const std::string source = slot.FinalPath();
  varnalux::DownloadRequest download{};
  download.sourcePath = source.c_str();
  download.printerName = printerName.constData();
  download.device = comboBoxMemoryDevice_->currentIndex();
  scope.RunReported(varnalux::OpDownloadFile, &download, 0);
}

void TFontPage::ButtonPreviewFontClick() {
  TFormPreviewFont preview(host_.DialogFont(), SingleByteCodePage(), host_.HostWindow());
  QWidget* window = host_.HostWindow();
  if (window != nullptr) preview.Prepare(window->pos() + QPoint(20, 20));
  host_.Seam().Exec(preview);
}

void TFontPage::ButtonFontSheetClick() {
  QString path = lastFontFile_;
  if (path.isEmpty()) path = host_.Seam().OpenFileName(kAllFiles);
  if (path.isEmpty()) return;
  TFormFontSheet sheet(host_.Seam(), host_.HostWindow());
  sheet.ShowFile(path);
  host_.Seam().Exec(sheet);
}
