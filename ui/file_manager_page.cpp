#include "ui/file_manager_page.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QFile>
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

#include "protocol/file_names.h"
#include "protocol/input_file.h"
#include "protocol/local_file.h"
#include "ui/dialog_seam.h"
#include "ui/file_dialog_text.h"
#include "ui/page_host.h"
#include "ui/printer_text.h"
#include "ui/tab_order.h"

using varnalux::DeviceFiles;
using varnalux::MemoryDeviceCount;

namespace {

const char* const kDeviceItems[MemoryDeviceCount] = {"DRAM", "FLASH", "CARD"};

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
    auto* item = new QRadioButton(QString::fromLatin1(kDeviceItems[d]), group);
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

TFileManagerPage::TFileManagerPage(PageHost& host, QWidget* parent)
    : QWidget(parent), host_(host), files_(new DeviceFiles[MemoryDeviceCount]()) {
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
  for (const char* item : kDeviceItems) comboBoxDevice_->addItem(QString::fromLatin1(item));
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
  labelListCut_ =
      new QLabel(QStringLiteral("The list was cut: the printer sent more than %1 bytes of names.")
                     .arg(varnalux::DeviceListTextSize),
                 group);
  labelListCut_->setObjectName(QStringLiteral("LabelListCut"));
  labelListCut_->setWordWrap(true);
  labelListCut_->setVisible(false);
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
  layout->addLayout(space);

  connect(device_, &QButtonGroup::idClicked, this, &TFileManagerPage::RadioGroupDeviceClick);
  connect(buttonGet_, &QPushButton::clicked, this, &TFileManagerPage::ButtonGetClick);
  return group;
}

void TFileManagerPage::ButtonGetClick() {
  for (int d = 0; d < MemoryDeviceCount; ++d) memset(&files_[d], 0, sizeof(DeviceFiles));
  // On failure the message is shown and the page stays as it was; what was
  // read before the failure is shown when a device is clicked.
  if (host_.RunHandled(varnalux::OpReadFileList, files_.get(), 0) == varnalux::ResultOk)
    ShowDevice(device_->checkedId());
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
        TextFromPrinterBytes(QByteArray(item.data(), static_cast<qsizetype>(item.size()))));
  labelListCut_->setVisible(f.listCut != 0);
}

void TFileManagerPage::ButtonBrowsClick() {
  buttonDownload_->setEnabled(false);
  const int type = comboBoxFileType_->currentIndex();
  const varnalux::FileType& row = varnalux::FileTypeAt(type);
  const QString filter = QtFileFilter(row.filter);
  // Font files live in the desktop's font folder, not where the program
  // started.
  const QString path =
      type == varnalux::FileTypeTrueTypeFont
          ? host_.Seam().OpenFileNameIn(filter, TrueTypeFontFolder(QDir::homePath()))
          : host_.Seam().OpenFileName(filter);
  if (path.isEmpty()) return;

  uint64_t size = 0;
  const varnalux::LocalFileError error =
      varnalux::LocalFileSize(LocalPath(path).toStdString(), varnalux::DownloadSizeMax, size);
  if (error != varnalux::LocalFileError::None) {
    host_.Seam().Message(error == varnalux::LocalFileError::CannotOpen
                             ? QStringLiteral("Open File Error")
                             : QString::fromLatin1(varnalux::LocalFileMessage(error)));
    return;
  }
  editFileSize_->setText(QString::number(size));
  selectedPath_ = path;
  const std::string name =
      varnalux::PrinterNameFromPath(LocalPath(path).toStdString(), row.extension);
  editFileName_->setText(
      TextFromPrinterBytes(QByteArray(name.data(), static_cast<qsizetype>(name.size()))));
  buttonDownload_->setEnabled(true);
}

void TFileManagerPage::ButtonDownloadClick() {
  const QByteArray name = PrinterTextBytes(editFileName_->text());
  if (name.size() > varnalux::PrinterNameMax) {
    host_.Seam().Message(QStringLiteral("File name too long"));
    return;
  }
  const int type = comboBoxFileType_->currentIndex();
  if (varnalux::FileTypeAt(type).sentUnchanged) {
    SendUnchanged();
    return;
  }
  // The name travels between double quotes on a command line.
  const std::string problem = varnalux::QuotedNameProblem(name.toStdString());
  if (!problem.empty()) {
    host_.Seam().Message(QString::fromStdString(problem));
    return;
  }
  const QByteArray path = LocalPath(selectedPath_);
  varnalux::DownloadRequest request{path.constData(), name.constData(),
                                    comboBoxDevice_->currentIndex()};
  host_.RunHandled(varnalux::OpDownloadFile, &request, 0);
}

// Firmware and KVX files go to the printer exactly as they are, piece by
// piece as they are read.
void TFileManagerPage::SendUnchanged() {
  HandlerScope scope(host_);
  varnalux::InputFile file;
  const varnalux::LocalFileError error = varnalux::LocalFileErrorOf(
      file.Open(LocalPath(selectedPath_).toStdString(), varnalux::DownloadSizeMax));
  if (error != varnalux::LocalFileError::None) {
    host_.Seam().Message(error == varnalux::LocalFileError::CannotOpen
                             ? QStringLiteral("Open File Error")
                             : QString::fromLatin1(varnalux::LocalFileMessage(error)));
    return;
  }
  varnalux::StreamReport report;
  const varnalux::ResultCode code = host_.RunFileSend(file, report);
  if (code != varnalux::ResultOk)
    ReportFileSendVia(host_.Seam(), code, file, report);
  else
    host_.Seam().Message(QStringLiteral("Please Wait Led change to Green..."));
}

void TFileManagerPage::ButtonFileFormatClick() {
  if (!host_.Seam().Question(QStringLiteral("Are you sure?"))) return;
  int32_t device = formatDevice_->checkedId();
  host_.RunHandled(varnalux::OpFormatDevice, &device, 0);
}

// The shared font dialog: its choice is not applied to the font page, but it
// becomes the preselected font of the next "Select Font".
void TFileManagerPage::ButtonFontSampleClick() { host_.Seam().ChooseFont(host_.DialogFont()); }
