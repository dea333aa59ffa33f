#include "protocol/dump_read_back.h"

#include "base/atomic_file.h"
#include "link/link_settings.h"

namespace varnalux {

DumpReadBack::DumpReadBack() : buffer_(Capacity) {
  request_.capacity = Capacity;
  request_.count = 0;
  CopyText(request_.fileName, sizeof request_.fileName, FileName);
  request_.buffer = buffer_.data();
}

size_t DumpReadBack::Count() const {
  return request_.count <= buffer_.size() ? request_.count : buffer_.size();
}

bool DumpReadBack::SaveTo(const std::string& path) const {
  return SaveFileAtomically(path, buffer_.data(), Count());
}

}  // namespace varnalux
