// Every test leaves the module-wide link settings unbound: a test that ends
// with them still pointing at its records (gone by then) would hand the next
// test dangling records and its own time-outs. The check fails that test and
// unbinds, so the next one starts clean.
#include <gtest/gtest.h>

#include "link/link_settings.h"

namespace {

class UnboundLinkCheck : public ::testing::EmptyTestEventListener {
  void OnTestEnd(const ::testing::TestInfo& test) override {
    const varnalux::LinkSettings& s = varnalux::CurrentLinkSettings();
    if (s.serial == nullptr && s.parallelDeviceName == nullptr && s.tcp == nullptr &&
        s.observer == nullptr)
      return;
    ADD_FAILURE() << test.test_suite_name() << "." << test.name()
                  << " ended with the link settings still bound";
    varnalux::UnbindLinkSettings();
  }
};

// Registered before main runs, for whichever main the binary has.
const bool Registered = [] {
  ::testing::UnitTest::GetInstance()->listeners().Append(new UnboundLinkCheck);
  return true;
}();

}  // namespace
