// The progress window on its own: its frame, and Open / SetPosition / Close.
#include "app/form_process.h"

#include <QProgressBar>

#include "tests/gui/gui_test_support.h"

namespace {

TEST(FormProcessTest, IsAFixedWindowWithoutCloseBox) {
  TFormProcess window;
  EXPECT_EQ(window.size(), QSize(241, 49));
  EXPECT_EQ(window.minimumSize(), window.maximumSize());
  EXPECT_EQ(window.windowTitle(), "Communicating...");
  const Qt::WindowFlags flags = window.windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::CustomizeWindowHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowCloseButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowSystemMenuHint));
  QProgressBar* bar = window.ProgressBar1();
  EXPECT_EQ(bar->objectName(), "ProgressBar1");
  EXPECT_EQ(bar->geometry(), QRect(16, 16, 209, 17));
  EXPECT_EQ(bar->minimum(), 0);
  EXPECT_EQ(bar->maximum(), 100);
  EXPECT_FALSE(window.isVisible());
}

TEST(FormProcessTest, OpensAtThePlaceWithItsCaptionAndCloses) {
  TFormProcess window;
  window.Open(130, 170, "Making font...");
  EXPECT_TRUE(window.isVisible());
  EXPECT_FALSE(window.isModal());
  EXPECT_EQ(window.pos(), QPoint(130, 170));
  EXPECT_EQ(window.windowTitle(), "Making font...");
  EXPECT_EQ(window.ProgressBar1()->value(), 0);
  window.SetPosition(57);
  EXPECT_EQ(window.ProgressBar1()->value(), 57);
  window.SetPosition(100);
  window.Close();
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.ProgressBar1()->value(), 100);
  // A second opening starts from an empty bar with the default caption.
  window.Open(10, 20, nullptr);
  EXPECT_EQ(window.windowTitle(), "Communicating...");
  EXPECT_EQ(window.ProgressBar1()->value(), 0);
  window.Close();
}

}  // namespace
