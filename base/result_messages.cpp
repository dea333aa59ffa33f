#include "base/result_messages.h"

namespace varnalux {

const char ResultMessages[6][ResultMessageSize] = {
    "",
    "Port Open Error",
    "Data Transmission Error",
    "Data Receiving Error",
    "File Open Error",
    "Unknow Error",
};

const char* ResultMessage(ResultCode code) {
  if (code < 0 || code > ResultUnknownError) code = ResultUnknownError;
  return ResultMessages[code];
}

}  // namespace varnalux
