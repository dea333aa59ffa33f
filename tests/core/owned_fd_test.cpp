// The owned file descriptor: closed by its last owner on every way out, and
// handed on, never closed twice, by a move. The descriptor is a pipe's write
// end, so the read end shows whether it is still open (a closed write end
// reads as the end of the pipe).
#include "base/owned_fd.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <utility>

namespace varnalux {
namespace {

class OwnedFdTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(pipe(ends_), 0); }
  void TearDown() override {
    close(ends_[0]);
    if (writeEnd_ >= 0) close(writeEnd_);
  }
  // Takes the write end out of the fixture's care.
  int TakeWriteEnd() {
    writeEnd_ = -1;
    return ends_[1];
  }
  // True when every copy of the write end is closed: the read end is
  // readable at once and reads nothing.
  bool WriteEndClosed() {
    pollfd p{ends_[0], POLLIN, 0};
    if (poll(&p, 1, 0) != 1) return false;
    char c;
    return read(ends_[0], &c, 1) == 0;
  }
  int ends_[2] = {-1, -1};
  int writeEnd_ = -1;
};

TEST_F(OwnedFdTest, TheLastOwnerClosesAndAMoveHandsTheDescriptorOn) {
  {
    OwnedFd first(TakeWriteEnd());
    ASSERT_TRUE(first.Valid());
    OwnedFd second(std::move(first));
    EXPECT_FALSE(first.Valid());
    OwnedFd third;
    third = std::move(second);
    EXPECT_FALSE(second.Valid());
    EXPECT_EQ(third.Get(), ends_[1]);
    EXPECT_FALSE(WriteEndClosed());
  }
  EXPECT_TRUE(WriteEndClosed());
}

TEST_F(OwnedFdTest, CloseAndResetCloseAtOnceAndReleaseLeavesItOpen) {
  OwnedFd fd(TakeWriteEnd());
  const int raw = fd.Release();
  EXPECT_FALSE(fd.Valid());
  EXPECT_TRUE(fd.Close());  // nothing held
  EXPECT_FALSE(WriteEndClosed());
  fd.Reset(raw);
  EXPECT_TRUE(fd.Close());
  EXPECT_FALSE(fd.Valid());
  EXPECT_TRUE(WriteEndClosed());
}

}  // namespace
}  // namespace varnalux
