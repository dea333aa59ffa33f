// The page "File Manager": what is stored in the printer's three memory
// devices, downloading a file into one of them (or sending a firmware or
// KVX file unchanged), and erasing a device.
#pragma once

#include <QString>
#include <QWidget>
#include <memory>

#include "protocol/file_manager.h"

class QFont;
class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace varnalux {

class DialogSeam;
class OperationHost;

class TFileManagerPage : public QWidget {
  Q_OBJECT

 public:
  // dialogFont is the window's font dialog font, which "Font Sample"
  // chooses for the next "Select Font".
  TFileManagerPage(OperationHost& operations, DialogSeam& seam, QFont& dialogFont, QWidget* parent);
  ~TFileManagerPage() override;

  // The results of the last "Get", indexed by MemoryDevice.
  const varnalux::DeviceFiles& Files(int device) const { return files_[device]; }
  // The file picked by the last "Browse" that ended with a readable file.
  const QString& SelectedPath() const { return selectedPath_; }

  // What "Font View" runs: the window's font dialog. Without one set, a
  // font chooser is shown through the dialog seam and its result ignored.

 public slots:
  void ButtonGetClick();
  void RadioGroupDeviceClick(int index);
  void ButtonBrowsClick();
  void ButtonDownloadClick();
  void ButtonFileFormatClick();
  void ButtonFontSampleClick();
  void ComboBoxFileTypeChange(int index);

 private:
  QGroupBox* BuildDownloadGroup();
  QGroupBox* BuildInformationGroup();
  QGroupBox* BuildFormatGroup();
  // "Get": reads the three lists, shows the device selected in the
  // information group and marks the page when the read did not end well.
  varnalux::ResultCode ReadLists();
  void ShowDevice(int device);
  // The printer name of the selected file for the selected type.
  void ShowPrinterName();
  void SendUnchanged();
  // After a download the printer took: the lists are read again and the
  // user told whether the device now lists the file.
  void ConfirmDownload(const QByteArray& name, int device);

  OperationHost& operations_;
  DialogSeam& seam_;
  QFont& dialogFont_;
  std::unique_ptr<varnalux::DeviceFiles[]> files_;
  QString selectedPath_;

  QComboBox* comboBoxFileType_ = nullptr;
  QPushButton* buttonBrows_ = nullptr;
  QLineEdit* editFileName_ = nullptr;
  QLineEdit* editFileSize_ = nullptr;
  QComboBox* comboBoxDevice_ = nullptr;
  QPushButton* buttonDownload_ = nullptr;
  QPushButton* buttonFontSample_ = nullptr;
  QGroupBox* radioGroupDevice_ = nullptr;
  QButtonGroup* device_ = nullptr;
  QListWidget* listBoxFileList_ = nullptr;
  QLabel* labelListCut_ = nullptr;
  QLabel* labelNotCurrent_ = nullptr;
  QLineEdit* editPhysicalSpace_ = nullptr;
  QLineEdit* editFreeSpace_ = nullptr;
  QPushButton* buttonGet_ = nullptr;
  QGroupBox* radioGroupFormatDevice_ = nullptr;
  QButtonGroup* formatDevice_ = nullptr;
  QPushButton* buttonFileFormat_ = nullptr;
};

}  // namespace varnalux
