#include "base/local_file.h"

namespace varnalux {

const char* LocalFileMessage(LocalFileError error) {
  switch (error) {
    case LocalFileError::None: return "";
    case LocalFileError::CannotOpen: return "Open File Error";
    case LocalFileError::NotRegular: return "Only a regular file can be sent";
    case LocalFileError::TooLarge: return "The file is too large to send";
  }
  return "Open File Error";
}

LocalFileError LocalFileErrorOf(InputFileResult result) {
  switch (result) {
    case InputFileResult::Ok: return LocalFileError::None;
    case InputFileResult::NotRegular: return LocalFileError::NotRegular;
    case InputFileResult::TooLarge: return LocalFileError::TooLarge;
    case InputFileResult::OpenFailed:
    case InputFileResult::ReadFailed:
    case InputFileResult::SizeChanged: return LocalFileError::CannotOpen;
  }
  return LocalFileError::CannotOpen;
}

LocalFileError LocalFileSize(const std::string& path, uint64_t maxSize, uint64_t& size) {
  InputFile file;
  const LocalFileError error = LocalFileErrorOf(file.Open(path, maxSize));
  if (error == LocalFileError::None) size = file.Size();
  return error;
}

}  // namespace varnalux
