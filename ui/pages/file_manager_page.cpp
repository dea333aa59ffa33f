#include "ui/pages/file_manager_page.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <cstring>

#include "base/input_file.h"
#include "protocol/file_names.h"
#include "protocol/stream_send.h"
#include "ui/dialog_seam.h"
#include "ui/pages/file_dialog_text.h"
#include "ui/printer_operation.h"
#include "ui/printer_text.h"
#include "ui/tab_order.h"

namespace varnalux {

namespace {

const char* const DeviceItems[MemoryDeviceCount] = {"DRAM", "FLASH", "CARD"};

QLabel* BuddyLabel(const char* caption, QWidget* field, QWidget* parent) {
  auto* label = new QLabel(QString::fromLatin1(caption), parent);
  label->setBuddy(field);
  return label;
}

// A group of three radio buttons in one row, 'FLASH' checked.
QGroupBox* DeviceRadioGroup(const char* name, QButtonGroup*& buttons, QWidget* parent) {
  auto* group = new QGroupBox(QStringLiteral("Memory Device"), parent);
  group->setObjectName(QString::fromLatin1(name));
  buttons = new QButtonGroup(group);
  auto* row = new QHBoxLayout(group);
  for (int d = 0; d < MemoryDeviceCount; ++d) {
    auto* item = new QRadioButton(QString::fromLatin1(DeviceItems[d]), group);
    item->setObjectName(QString::fromLatin1(name) + QString::number(d));
    buttons->addButton(item, d);
    row->addWidget(item);
  }
  buttons->button(varnalux::DeviceFlash)->setChecked(true);
  OneTabStopPerChoice(buttons);
  return group;
}

// A path as the bytes the file system knows it by.
QByteArray LocalPath(const QString& path) { return QFile::encodeName(path); }

}  // namespace

TFileManagerPage::TFileManagerPage(OperationHost& operations, DialogSeam& seam, QFont& dialogFont,
                                   QWidget* parent)
    : QWidget(parent),
      operations_(operations),
      seam_(seam),
      dialogFont_(dialogFont),
      files_(new DeviceFiles[MemoryDeviceCount]()) {
  setObjectName(QStringLiteral("FileManagerPage"));
  QGroupBox* download = BuildDownloadGroup();
  QGroupBox* format = BuildFormatGroup();
  QGroupBox* information = BuildInformationGroup();

  auto* left = new QVBoxLayout;
  left->addWidget(download);
  left->addWidget(format);
  left->addStretch(1);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addLayout(left);
  layout->addWidget(information, 1);
}

TFileManagerPage::~TFileManagerPage() = default;

QGroupBox* TFileManagerPage::BuildDownloadGroup() {
  auto* group = new QGroupBox(QStringLiteral("File Download"), this);
  group->setObjectName(QStringLiteral("GroupBoxFileDownload"));

  comboBoxFileType_ = new QComboBox(group);
  comboBoxFileType_->setObjectName(QStringLiteral("ComboBoxFileType"));
  for (const varnalux::FileType& type : varnalux::FileTypes)
    comboBoxFileType_->addItem(QString::fromLatin1(type.item));
  comboBoxFileType_->setCurrentIndex(-1);  // no selection acts as 'Data File'
  buttonBrows_ = new QPushButton(QStringLiteral("&Browse"), group);
  buttonBrows_->setObjectName(QStringLiteral("ButtonBrows"));
  editFileName_ = new QLineEdit(group);
  editFileName_->setObjectName(QStringLiteral("EditFileName"));
  editFileSize_ = new QLineEdit(group);
  editFileSize_->setObjectName(QStringLiteral("EditFileSize"));
  comboBoxDevice_ = new QComboBox(group);
  comboBoxDevice_->setObjectName(QStringLiteral("ComboBoxDevice"));
  for (const char* item : DeviceItems) comboBoxDevice_->addItem(QString::fromLatin1(item));
  comboBoxDevice_->setCurrentIndex(varnalux::DeviceFlash);
  buttonDownload_ = new QPushButton(QStringLiteral("&Download"), group);
  buttonDownload_->setObjectName(QStringLiteral("ButtonDownload"));
  buttonDownload_->setEnabled(false);
  buttonFontSample_ = new QPushButton(QStringLiteral("Font &View"), group);
  buttonFontSample_->setObjectName(QStringLiteral("ButtonFontSample"));

  auto* grid = new QGridLayout(group);
  grid->addWidget(BuddyLabel("File Type:", comboBoxFileType_, group), 0, 0);
  grid->addWidget(comboBoxFileType_, 0, 1);
  grid->addWidget(buttonBrows_, 0, 2);
  grid->addWidget(BuddyLabel("File Name:", editFileName_, group), 1, 0);
  grid->addWidget(editFileName_, 1, 1);
  grid->addWidget(BuddyLabel("File Size:", editFileSize_, group), 2, 0);
  grid->addWidget(editFileSize_, 2, 1);
  grid->addWidget(new QLabel(QStringLiteral("Bytes"), group), 2, 2);
  grid->addWidget(BuddyLabel("Memory Device:", comboBoxDevice_, group), 3, 0);
  grid->addWidget(comboBoxDevice_, 3, 1);
  grid->addWidget(buttonDownload_, 4, 1);
  grid->addWidget(buttonFontSample_, 4, 2);

  connect(buttonBrows_, &QPushButton::clicked, this, &TFileManagerPage::ButtonBrowsClick);
  connect(comboBoxFileType_, &QComboBox::currentIndexChanged, this,
          &TFileManagerPage::ComboBoxFileTypeChange);
  connect(buttonDownload_, &QPushButton::clicked, this, &TFileManagerPage::ButtonDownloadClick);
  connect(buttonFontSample_, &QPushButton::clicked, this, &TFileManagerPage::ButtonFontSampleClick);
  return group;
}

QGroupBox* TFileManagerPage::BuildFormatGroup() {
  auto* group = new QGroupBox(QStringLiteral("File Format"), this);
  group->setObjectName(QStringLiteral("GroupBoxFileFormat"));
  radioGroupFormatDevice_ = DeviceRadioGroup("RadioGroupFormatDevice", formatDevice_, group);
  buttonFileFormat_ = new QPushButton(QStringLiteral("&Format"), group);
  buttonFileFormat_->setObjectName(QStringLiteral("ButtonFileFormat"));
  auto* layout = new QHBoxLayout(group);
  layout->addWidget(radioGroupFormatDevice_, 1);
  layout->addWidget(buttonFileFormat_);
  connect(buttonFileFormat_, &QPushButton::clicked, this, &TFileManagerPage::ButtonFileFormatClick);
  return group;
}

QGroupBox* TFileManagerPage::BuildInformationGroup() {
  auto* group = new QGroupBox(QStringLiteral("File Infomation"), this);
  group->setObjectName(QStringLiteral("GroupBoxFileInformation"));
  radioGroupDevice_ = DeviceRadioGroup("RadioGroupDevice", device_, group);
  listBoxFileList_ = new QListWidget(group);
  listBoxFileList_->setObjectName(QStringLiteral("ListBoxFileList"));
  listBoxFileList_->setAccessibleName(QStringLiteral("File List"));
  labelListCut_ = new QLabel(group);
  labelListCut_->setObjectName(QStringLiteral("LabelListCut"));
  labelListCut_->setWordWrap(true);
  labelListCut_->setVisible(false);
  labelNotCurrent_ = new QLabel(group);
  labelNotCurrent_->setObjectName(QStringLiteral("LabelNotCurrent"));
  labelNotCurrent_->setWordWrap(true);
  labelNotCurrent_->setVisible(false);
  editPhysicalSpace_ = new QLineEdit(group);
  editPhysicalSpace_->setObjectName(QStringLiteral("EditPhysicalSpace"));
  editPhysicalSpace_->setReadOnly(true);
  editPhysicalSpace_->setFocusPolicy(Qt::ClickFocus);  // not a Tab stop
  editFreeSpace_ = new QLineEdit(group);
  editFreeSpace_->setObjectName(QStringLiteral("EditFreeSpace"));
  editFreeSpace_->setReadOnly(true);
  editFreeSpace_->setFocusPolicy(Qt::ClickFocus);
  buttonGet_ = new QPushButton(QStringLiteral("&Get"), group);
  buttonGet_->setObjectName(QStringLiteral("ButtonGet"));

  auto* space = new QGridLayout;
  space->addWidget(BuddyLabel("Physical Space:", editPhysicalSpace_, group), 0, 0);
  space->addWidget(editPhysicalSpace_, 0, 1);
  space->addWidget(new QLabel(QStringLiteral("KB"), group), 0, 2);
  space->addWidget(BuddyLabel("Free Space:", editFreeSpace_, group), 1, 0);
  space->addWidget(editFreeSpace_, 1, 1);
  space->addWidget(new QLabel(QStringLiteral("KB"), group), 1, 2);
  space->addWidget(buttonGet_, 1, 3);
  auto* layout = new QVBoxLayout(group);
  layout->addWidget(radioGroupDevice_);
  layout->addWidget(listBoxFileList_, 1);
  layout->addWidget(labelListCut_);
  layout->addWidget(labelNotCurrent_);
  layout->addLayout(space);

  connect(device_, &QButtonGroup::idClicked, this, &TFileManagerPage::RadioGroupDeviceClick);
  connect(buttonGet_, &QPushButton::clicked, this, &TFileManagerPage::ButtonGetClick);
  return group;
}

void TFileManagerPage::ButtonGetClick() { ReadLists(); }

varnalux::ResultCode TFileManagerPage::ReadLists() {
  for (int d = 0; d < MemoryDeviceCount; ++d) memset(&files_[d], 0, sizeof(DeviceFiles));
  varnalux::ResultCode code;
  bool cancelled = false;
  {
    PrinterOperation operation(operations_);
    code = operation.RunQuiet(varnalux::OpReadFileList, files_.get(), 0);
    for (int d = 0; d < MemoryDeviceCount; ++d)
      cancelled = cancelled || files_[d].listCut == varnalux::ListCutCancelled;
    // A read the user stopped needs no error box: the page says it below.
    if (!cancelled) operation.Report(code);
  }
  // What was read before a failure is what the printer holds as far as it
  // is known; the lists of an earlier read are never left on show.
  labelNotCurrent_->setText(
      cancelled ? QStringLiteral("Not current: the last Get was cancelled; shown is what arrived "
                                 "before.")
                : QStringLiteral("Not current: the last Get failed; shown is what was read "
                                 "before it stopped."));
  labelNotCurrent_->setVisible(code != varnalux::ResultOk);
  ShowDevice(device_->checkedId());
  return code;
}

void TFileManagerPage::RadioGroupDeviceClick(int index) { ShowDevice(index); }

void TFileManagerPage::ShowDevice(int device) {
  if (device < 0 || device >= MemoryDeviceCount) return;
  const DeviceFiles& f = files_[device];
  editPhysicalSpace_->setText(f.physicalValid ? QString::number(f.physicalSpace) : QString());
  editFreeSpace_->setText(f.freeValid ? QString::number(f.freeSpace) : QString());
  listBoxFileList_->clear();
  for (const std::string& item : varnalux::FileListItems(f.listText))
    listBoxFileList_->addItem(
        ScreenTextFromPrinter(QByteArray(item.data(), static_cast<qsizetype>(item.size()))));
  switch (f.listCut) {
    case varnalux::ListCutFull:
      labelListCut_->setText(
          QStringLiteral("The list was cut: the printer sent more than %1 bytes of names.")
              .arg(varnalux::DeviceListTextSize));
      break;
    case varnalux::ListCutCancelled:
      labelListCut_->setText(QStringLiteral("The list was cut: its reading was cancelled."));
      break;
    default:
      labelListCut_->setText(
          QStringLiteral("The list was cut: the printer did not end it in time."));
      break;
  }
  labelListCut_->setVisible(f.listCut != varnalux::ListWhole);
}

void TFileManagerPage::ButtonBrowsClick() {
  buttonDownload_->setEnabled(false);
  const int type = comboBoxFileType_->currentIndex();
  const varnalux::FileType& row = varnalux::FileTypeAt(type);
  const QString filter = QtFileFilter(row.filter);
  // Font files live in the desktop's font folder, not where the program
  // started.
  const QString path = type == varnalux::FileTypeTrueTypeFont
                           ? seam_.OpenFileNameIn(filter, TrueTypeFontFolder(QDir::homePath()))
                           : seam_.OpenFileName(filter);
  if (path.isEmpty()) return;

  uint64_t size = 0;
  const varnalux::LocalFileError error =
      varnalux::LocalFileSize(LocalPath(path).toStdString(), varnalux::DownloadSizeMax, size);
  if (error != varnalux::LocalFileError::None) {
    seam_.Message(error == varnalux::LocalFileError::CannotOpen
                      ? QStringLiteral("Open File Error")
                      : QString::fromLatin1(varnalux::LocalFileMessage(error)));
    return;
  }
  editFileSize_->setText(QString::number(size));
  selectedPath_ = path;
  ShowPrinterName();
  buttonDownload_->setEnabled(true);
}

// The file name is taken as the characters the user sees, so the cut to 8
// never splits one; whether the name may go is judged at "Download".
void TFileManagerPage::ShowPrinterName() {
  const std::string name = varnalux::PrinterNameFromPath(
      QFileInfo(selectedPath_).fileName().toStdString(),
      varnalux::FileTypeAt(comboBoxFileType_->currentIndex()).extension);
  editFileName_->setText(QString::fromStdString(name));
}

void TFileManagerPage::ComboBoxFileTypeChange(int) {
  if (!selectedPath_.isEmpty()) ShowPrinterName();
}

void TFileManagerPage::ButtonDownloadClick() {
  const QString typed = editFileName_->text();
  const int type = comboBoxFileType_->currentIndex();
  const bool unchanged = varnalux::FileTypeAt(type).sentUnchanged;
  // The name travels between double quotes on a command line, as every
  // printer name does.
  if (!unchanged) {
    const QString problem = PrinterNameProblemText(typed);
    if (!problem.isEmpty()) {
      seam_.Message(problem);
      return;
    }
  }
  if (typed.toUcs4().size() > varnalux::PrinterNameMax) {
    seam_.Message(QStringLiteral("File name too long"));
    return;
  }
  if (unchanged) {
    SendUnchanged();
    return;
  }
  const int device = comboBoxDevice_->currentIndex();
  const QByteArray path = LocalPath(selectedPath_);
  // The last "Get" may already say that the file cannot fit: the printer
  // would take the bytes and keep nothing.
  uint64_t size = 0;
  const DeviceFiles& target = files_[device];
  if (target.freeValid &&
      varnalux::LocalFileSize(path.toStdString(), varnalux::DownloadSizeMax, size) ==
          varnalux::LocalFileError::None &&
      size > static_cast<uint64_t>(target.freeSpace < 0 ? 0 : target.freeSpace) * 1024) {
    const QString question =
        QStringLiteral(
            "The file has %1 bytes, but the last Get showed %2 KB free in %3: the "
            "printer will not keep it. Send it anyway?")
            .arg(size)
            .arg(target.freeSpace)
            .arg(QString::fromLatin1(DeviceItems[device]));
    if (!seam_.Confirm(question)) return;
  }
  const QByteArray name = PrinterNameBytes(typed);
  varnalux::DownloadRequest request{path.constData(), name.constData(), device};
  if (PrinterOperation(operations_).Run(varnalux::OpDownloadFile, &request, 0) ==
      varnalux::ResultOk)
    ConfirmDownload(name, device);
}

void TFileManagerPage::ConfirmDownload(const QByteArray& name, int device) {
  const QString shownName = QString::fromLatin1(name);
  const QString deviceName = QString::fromLatin1(DeviceItems[device]);
  if (!operations_.LinkReads()) {
    seam_.Message(QStringLiteral("%1 was sent to %2. The parallel port cannot read the "
                                 "printer's lists to check it.")
                      .arg(shownName, deviceName));
    return;
  }
  device_->button(device)->setChecked(true);
  if (ReadLists() != varnalux::ResultOk) {
    seam_.Message(QStringLiteral("%1 was sent to %2, but the lists could not be read to check it.")
                      .arg(shownName, deviceName));
    return;
  }
  bool listed = false;
  for (const std::string& item : varnalux::FileListItems(files_[device].listText))
    listed = listed || QByteArray::fromStdString(item).compare(name, Qt::CaseInsensitive) == 0;
  if (listed)
    seam_.Message(QStringLiteral("Download finished: %1 lists %2.").arg(deviceName, shownName));
  else if (files_[device].listCut != varnalux::ListWhole)
    seam_.Message(QStringLiteral("%1 was sent to %2; its list is cut, so it cannot show "
                                 "whether the printer kept it.")
                      .arg(shownName, deviceName));
  else
    seam_.Message(QStringLiteral("The printer took the bytes of %1, but %2 does not list "
                                 "it: the printer did not keep the file (too little "
                                 "room?).")
                      .arg(shownName, deviceName));
}

// Firmware and KVX files go to the printer exactly as they are, piece by
// piece as they are read.
void TFileManagerPage::SendUnchanged() {
  PrinterOperation operation(operations_);
  varnalux::InputFile file;
  const varnalux::LocalFileError error = varnalux::LocalFileErrorOf(
      file.Open(LocalPath(selectedPath_).toStdString(), varnalux::DownloadSizeMax));
  if (error != varnalux::LocalFileError::None) {
    seam_.Message(error == varnalux::LocalFileError::CannotOpen
                      ? QStringLiteral("Open File Error")
                      : QString::fromLatin1(varnalux::LocalFileMessage(error)));
    return;
  }
  varnalux::StreamReport report;
  const varnalux::ResultCode code = operation.SendFile(file, report);
  if (code != varnalux::ResultOk)
    ReportFileSendVia(seam_, code, file, report);
  else
    seam_.Message(QStringLiteral("Please Wait Led change to Green..."));
}

void TFileManagerPage::ButtonFileFormatClick() {
  const int32_t device = formatDevice_->checkedId();
  if (device < 0 || device >= MemoryDeviceCount) return;
  const QString question =
      QStringLiteral("Are you sure? Format erases every file in %1 of the printer.")
          .arg(QString::fromLatin1(DeviceItems[device]));
  if (!seam_.Confirm(question)) return;
  int32_t value = device;
  if (PrinterOperation(operations_).Run(varnalux::OpFormatDevice, &value, 0) != varnalux::ResultOk)
    return;
  // The lists show the erased device, unless the link cannot read them.
  if (!operations_.LinkReads()) return;
  device_->button(device)->setChecked(true);
  ReadLists();
}

// The shared font dialog: its choice is not applied to the font page, but it
// becomes the preselected font of the next "Select Font".
void TFileManagerPage::ButtonFontSampleClick() { seam_.ChooseFont(dialogFont_); }

}  // namespace varnalux
