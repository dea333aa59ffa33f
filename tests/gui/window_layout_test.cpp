// Every page and dialog as the user meets it, at the DPI the suite runs at
// (ctest runs it at 96 dpi, and again at 120 dpi on unscaled pixels, where
// the text grows but the pixels do not): no control outside its parent or
// over a sibling, buttons apart and wide enough for their captions, labels,
// lists and read-only boxes showing their whole text; the keyboard: captions
// with mnemonics, none shared on one page, read-only boxes no Tab stops;
// and every field named for screen readers.
// With VARNALUX_LAYOUT_SHOTS naming a folder, each window is also saved
// there as a picture, for a person to look at.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <cstring>
#include <functional>
#include <map>
#include <memory>

#include "app/form_about.h"
#include "app/form_process.h"
#include "tests/gui/gui_test_support.h"
#include "ui/dialogs/form_dump_text_setup.h"
#include "ui/dialogs/form_ethernet_setup.h"
#include "ui/dialogs/form_font_sheet.h"
#include "ui/dialogs/form_lpt_setup.h"
#include "ui/dialogs/form_net_setup.h"
#include "ui/dialogs/form_preview_font.h"
#include "ui/dialogs/form_rs232_setup.h"
#include "ui/dialogs/form_rtc_setup.h"
#include "ui/dialogs/form_sensor_calibrate.h"
#include "ui/font_choice.h"

using namespace varnalux;

namespace {

// Where a problem is: the window, then the control by name or caption.
QString Describe(const QWidget* w) {
  QString text = w->objectName();
  if (text.isEmpty()) text = QString::fromLatin1(w->metaObject()->className());
  if (auto* b = qobject_cast<const QAbstractButton*>(w)) text += " \"" + b->text() + "\"";
  if (auto* l = qobject_cast<const QLabel*>(w)) text += " \"" + l->text() + "\"";
  return text;
}

// Widgets the toolkit makes inside its own composite controls, and the
// contents of scrolled areas, which may lie outside what is shown.
bool Internal(const QWidget* w) {
  for (const QWidget* p = w->parentWidget(); p != nullptr && !p->isWindow(); p = p->parentWidget())
    if (qobject_cast<const QAbstractScrollArea*>(p) != nullptr ||
        qobject_cast<const QComboBox*>(p) != nullptr || qobject_cast<const QTabBar*>(p) != nullptr)
      return true;
  return false;
}

std::vector<QWidget*> Shown(QWidget* window) {
  std::vector<QWidget*> shown;
  for (QWidget* w : window->findChildren<QWidget*>())
    if (!w->isWindow() && w->isVisibleTo(window) && !Internal(w)) shown.push_back(w);
  return shown;
}

// The width a button needs for its caption: the text as drawn (mnemonic
// marker hidden) and the style's margins and frame around it.
int CaptionWidth(const QPushButton* b) {
  const QStyle* s = b->style();
  return b->fontMetrics().size(Qt::TextShowMnemonic, b->text()).width() +
         s->pixelMetric(QStyle::PM_ButtonMargin, nullptr, b) +
         2 * s->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, b);
}

// The geometry invariants of one window, as it is shown now.
QStringList GeometryProblems(QWidget* window) {
  QStringList problems;
  const std::vector<QWidget*> shown = Shown(window);
  std::map<QWidget*, std::vector<QWidget*>> siblings;
  for (QWidget* w : shown) {
    QWidget* parent = w->parentWidget();
    if (!parent->rect().contains(w->geometry()))
      problems << Describe(w) + " lies outside " + Describe(parent) +
                      QStringLiteral(" (%1,%2 %3x%4 in %5x%6)")
                          .arg(w->x())
                          .arg(w->y())
                          .arg(w->width())
                          .arg(w->height())
                          .arg(parent->width())
                          .arg(parent->height());
    siblings[parent].push_back(w);

    const QFontMetrics fm = w->fontMetrics();
    if (auto* b = qobject_cast<QPushButton*>(w)) {
      if (b->width() < CaptionWidth(b))
        problems << QStringLiteral("%1 is %2 px wide, its caption needs %3")
                        .arg(Describe(b))
                        .arg(b->width())
                        .arg(CaptionWidth(b));
      if (b->height() < fm.height() + 4)
        problems << QStringLiteral("%1 is %2 px high").arg(Describe(b)).arg(b->height());
    } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
      if (b->width() < b->sizeHint().width() || b->height() < fm.height())
        problems << QStringLiteral("%1 is %2x%3, its caption needs %4")
                        .arg(Describe(b))
                        .arg(b->width())
                        .arg(b->height())
                        .arg(b->sizeHint().width());
    } else if (auto* l = qobject_cast<QLabel*>(w)) {
      if (!l->text().isEmpty() && !l->wordWrap() && l->textFormat() != Qt::RichText &&
          l->toolTip().isEmpty()) {
        const QSize need = fm.size(Qt::TextShowMnemonic, l->text());
        if (l->contentsRect().width() < need.width() || l->contentsRect().height() < fm.height())
          problems << QStringLiteral("%1 is %2x%3, its text needs %4x%5")
                          .arg(Describe(l))
                          .arg(l->contentsRect().width())
                          .arg(l->contentsRect().height())
                          .arg(need.width())
                          .arg(fm.height());
      }
    } else if (auto* c = qobject_cast<QComboBox*>(w)) {
      // The widest item shows whole, beside the arrow.
      int widest = 0;
      for (int i = 0; i < c->count(); ++i)
        widest = std::max(widest, fm.horizontalAdvance(c->itemText(i)));
      QStyleOptionComboBox option;
      option.initFrom(c);
      option.editable = c->isEditable();
      const int need =
          c->style()
              ->sizeFromContents(QStyle::CT_ComboBox, &option, QSize(widest, fm.height()), c)
              .width();
      if (c->width() < need || c->height() < fm.height() + 2)
        problems << QStringLiteral("%1 is %2x%3, its items need %4 wide")
                        .arg(Describe(c))
                        .arg(c->width())
                        .arg(c->height())
                        .arg(need);
    } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
      // Room for the text a read-only box shows, and for a few digits in
      // any box.
      const int frame = 2 * w->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, w) + 4;
      int need = fm.horizontalAdvance(QStringLiteral("0000")) + frame;
      if (e->isReadOnly()) need = std::max(need, fm.horizontalAdvance(e->text()) + frame);
      if (e->width() < need || e->height() < fm.height() + 2)
        problems << QStringLiteral("%1 is %2x%3, its text needs %4 wide")
                        .arg(Describe(e))
                        .arg(e->width())
                        .arg(e->height())
                        .arg(need);
    }
  }
  // A group's frame stays inside the window, clear of its edges.
  const QRect inside = window->rect().adjusted(2, 2, -3, -3);
  for (QWidget* w : shown)
    if (qobject_cast<QGroupBox*>(w) != nullptr &&
        !inside.contains(QRect(w->mapTo(window, QPoint(0, 0)), w->size())))
      problems << Describe(w) + " reaches the window's edge";
  for (const auto& [parent, children] : siblings) {
    for (size_t i = 0; i < children.size(); ++i) {
      for (size_t j = i + 1; j < children.size(); ++j) {
        QWidget* a = children[i];
        QWidget* b = children[j];
        if (a->geometry().intersects(b->geometry())) {
          problems << Describe(a) + " overlaps " + Describe(b);
        } else if (((qobject_cast<QPushButton*>(a) && qobject_cast<QPushButton*>(b)) ||
                    qobject_cast<QGroupBox*>(a) || qobject_cast<QGroupBox*>(b)) &&
                   a->geometry().adjusted(-2, -2, 2, 2).intersects(b->geometry())) {
          problems << Describe(a) + " touches " + Describe(b);
        }
      }
    }
  }
  return problems;
}

// A caption's mnemonic letter, upper case; none without a marker.
QChar MnemonicOf(const QString& text) {
  for (qsizetype i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != QLatin1Char('&')) continue;
    if (text[i + 1] == QLatin1Char('&')) {
      ++i;
      continue;
    }
    return text[i + 1].toUpper();
  }
  return QChar();
}

// Buttons and menus shown in the window: each has a mnemonic, and no two
// share one.
QStringList MnemonicProblems(QWidget* window) {
  QStringList problems;
  std::map<QChar, QString> taken;
  auto take = [&](const QString& text, const QString& who) {
    const QChar m = MnemonicOf(text);
    if (m.isNull()) {
      problems << who + " has no mnemonic";
      return;
    }
    auto [it, fresh] = taken.emplace(m, who);
    if (!fresh) problems << who + " shares Alt+" + QString(m) + " with " + it->second;
  };
  for (QWidget* w : Shown(window)) {
    if (qobject_cast<QPushButton*>(w) != nullptr || qobject_cast<QCheckBox*>(w) != nullptr)
      take(static_cast<QAbstractButton*>(w)->text(), Describe(w));
    else if (auto* l = qobject_cast<QLabel*>(w); l != nullptr && !MnemonicOf(l->text()).isNull())
      take(l->text(), Describe(w));
  }
  if (auto* bar = window->findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly))
    for (QAction* a : bar->actions()) take(a->text(), "menu \"" + a->text() + "\"");
  return problems;
}

// Fields that take the focus, and images, each named for screen readers;
// read-only boxes are no Tab stops.
QStringList AccessProblems(QWidget* window) {
  QStringList problems;
  std::vector<QWidget*> fields;
  for (QWidget* w : window->findChildren<QWidget*>()) {
    if (w->isWindow() || !w->isVisibleTo(window)) continue;
    // The page control is named by its tabs.
    if (qobject_cast<QScrollBar*>(w) != nullptr || qobject_cast<QTabBar*>(w) != nullptr ||
        qobject_cast<QTabWidget*>(w) != nullptr)
      continue;
    // A list's edit is named with its list.
    const bool image =
        qobject_cast<QLabel*>(w) != nullptr && !static_cast<QLabel*>(w)->pixmap().isNull();
    if (w->focusPolicy() == Qt::NoFocus && !image) continue;
    if (w->objectName() == QLatin1String("qt_scrollarea_viewport")) continue;
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    const QString name = a != nullptr ? a->text(QAccessible::Name).trimmed() : QString();
    if (name.isEmpty()) problems << Describe(w) + " has no accessible name";
    if (qobject_cast<QComboBox*>(w) != nullptr && w->accessibleName().isEmpty() && a != nullptr &&
        a->relations(QAccessible::Label).isEmpty())
      problems << Describe(w) + " has no caption";
    // A field without a caption of its own is named after its group by the
    // toolkit, which does not tell it from the group's other fields.
    for (QWidget* p = w->parentWidget(); p != nullptr && p != window; p = p->parentWidget())
      if (auto* g = qobject_cast<QGroupBox*>(p); g != nullptr &&
                                                 qobject_cast<QAbstractButton*>(w) == nullptr &&
                                                 !name.isEmpty() && name == g->title())
        problems << Describe(w) + " is named only by its group \"" + name + "\"";
    bool readOnly = false;
    if (auto* e = qobject_cast<QLineEdit*>(w)) readOnly = e->isReadOnly();
    if (auto* e = qobject_cast<QPlainTextEdit*>(w)) readOnly = e->isReadOnly();
    if (readOnly && (w->focusPolicy() & Qt::TabFocus) && w->isEnabled())
      problems << Describe(w) + " is read-only yet a Tab stop";
  }
  return problems;
}

// The font DPI in the window's own pixels, and how much the screen scales
// those pixels.
QString DpiTag() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return QStringLiteral("%1dpi-x%2")
      .arg(qRound(screen->logicalDotsPerInch()))
      .arg(screen->devicePixelRatio());
}

class WindowLayoutTest : public PrinterWindowTest {
 protected:
  void SetUp() override {
    PrinterWindowTest::SetUp();
    ASSERT_TRUE(dir.isValid());
    // A run meant for another DPI checks that it got it.
    const QString dpi = qEnvironmentVariable("VARNALUX_LAYOUT_DPI");
    if (!dpi.isEmpty()) {
      ASSERT_EQ(qRound(QGuiApplication::primaryScreen()->logicalDotsPerInch()), dpi.toInt());
    }
  }

  // Shows the window, saves its picture when asked to, and collects what
  // is wrong with it.
  void Check(const QString& name, QWidget* window, bool keyboard = true) {
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window)) << name.toStdString();
    QApplication::processEvents();
    const QString shots = qEnvironmentVariable("VARNALUX_LAYOUT_SHOTS");
    if (!shots.isEmpty()) {
      QDir().mkpath(shots);
      window->grab().save(QDir(shots).filePath(name + "-" + DpiTag() + ".png"));
    }
    for (const QString& p : GeometryProblems(window)) problems << name + ": " + p;
    // A dialog that cannot change its size asks for no maximise button.
    if (qobject_cast<QDialog*>(window) != nullptr &&
        window->minimumSize() == window->maximumSize()) {
      const Qt::WindowFlags flags = window->windowFlags();
      if (!(flags & Qt::CustomizeWindowHint) || (flags & Qt::WindowMaximizeButtonHint) ||
          (flags & Qt::WindowMinimizeButtonHint))
        problems << name + QStringLiteral(": a fixed-size dialog with the window flags 0x%1")
                               .arg(static_cast<unsigned>(flags), 0, 16);
    }
    if (keyboard) {
      for (const QString& p : MnemonicProblems(window)) problems << name + ": " + p;
      for (const QString& p : AccessProblems(window)) problems << name + ": " + p;
    }
  }

  QTemporaryDir dir;
  QStringList problems;
};

TEST_F(WindowLayoutTest, EveryPageFitsItsTextAndIsReachableByKeyboard) {
  // A read configuration and file list, so that every box shows text.
  Find<QPushButton>(form.get(), "ButtonRead")->click();
  auto* pages = Find<QTabWidget>(form.get(), "PageControl1");
  pages->setCurrentIndex(1);
  Find<QPushButton>(form.get(), "ButtonGet")->click();
  ASSERT_TRUE(seam.messages.isEmpty()) << seam.messages.join('|').toStdString();
  const char* const names[] = {"page1-configuration", "page2-file-manager", "page3-font",
                               "page4-command-tool"};
  for (int i = 0; i < 4; ++i) {
    pages->setCurrentIndex(i);
    Check(QString::fromLatin1(names[i]), form.get());
  }
  EXPECT_TRUE(problems.isEmpty()) << problems.join('\n').toStdString();
}

// The accessible name of the widget, as a screen reader reads it.
QString NameOf(QWidget* w) {
  QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
  return a != nullptr ? a->text(QAccessible::Name) : QString();
}

// The captions (not the group) that label the widget for screen readers. A list is read
// by its current text and these labels (the desktop's accessibility bridge
// takes a list's name from its text).
QStringList LabelsOf(QWidget* w) {
  QStringList labels;
  QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
  if (a == nullptr) return labels;
  for (const auto& [other, relation] : a->relations(QAccessible::Label))
    if (qobject_cast<QLabel*>(other->object()) != nullptr) labels << other->text(QAccessible::Name);
  return labels;
}

TEST_F(WindowLayoutTest, FieldsWithoutACaptionOfTheirOwnAreNamedByTheirRole) {
  EXPECT_EQ(NameOf(Find<QWidget>(form.get(), "EditReferenceX")), "Reference: X");
  EXPECT_EQ(NameOf(Find<QWidget>(form.get(), "EditReferenceY")), "Reference: Y");
  EXPECT_EQ(LabelsOf(Find<QWidget>(form.get(), "ComboBoxDirection")), QStringList{"Direction:"});
  EXPECT_EQ(Find<QWidget>(form.get(), "ComboBoxMirror")->accessibleName(), "Direction: Mirror");
  EXPECT_EQ(NameOf(Find<QComboBox>(form.get(), "ComboBoxRibbon")->lineEdit()), "Ribbon:");
  EXPECT_EQ(NameOf(Find<QComboBox>(form.get(), "ComboBoxCountryCode")->lineEdit()),
            "Country Code:");
  EXPECT_EQ(NameOf(Find<QWidget>(form.get(), "ListBoxFileList")), "File List");
  EXPECT_EQ(NameOf(Find<QWidget>(form.get(), "ImageSmaple")), "Font Sample");
  // The port list is named by its caption; the device it leads to is its
  // description.
  TFormRs232Setup rs232;
  rs232.Bind(links.serial);
  auto* port = Find<QComboBox>(&rs232, "ComboBoxComPort");
  EXPECT_EQ(LabelsOf(port), QStringList{"COM Port:"});
  QAccessibleInterface* a = QAccessible::queryAccessibleInterface(port);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->text(QAccessible::Description), Find<QLabel>(&rs232, "LabelPortDevice")->text());
  EXPECT_TRUE(a->text(QAccessible::Description).startsWith("COM1 -> "));
}

// Alt and a caption's letter press the button of the page shown, not the
// one of another page with the same letter.
TEST_F(WindowLayoutTest, AltLettersPressTheButtonsOfThePageShown) {
  form->show();
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  auto* pages = Find<QTabWidget>(form.get(), "PageControl1");
  pages->setCurrentIndex(0);
  seam.fileNames = {QString()};  // the dialog is cancelled
  // The button is pressed as by a click it shows, a moment later.
  QTest::keyClick(form.get(), Qt::Key_L, Qt::AltModifier);  // "Load" configuration
  ASSERT_TRUE(QTest::qWaitFor([&] { return !seam.filters.isEmpty(); }, 5000));
  EXPECT_TRUE(seam.filters[0].contains("dcf")) << seam.filters[0].toStdString();
  pages->setCurrentIndex(3);
  seam.fileNames = {QString()};
  QTest::keyClick(form.get(), Qt::Key_L, Qt::AltModifier);  // "Load" command text
  ASSERT_TRUE(QTest::qWaitFor([&] { return seam.filters.size() == 2; }, 5000));
  EXPECT_FALSE(seam.filters[1].contains("dcf")) << seam.filters[1].toStdString();
}

TEST_F(WindowLayoutTest, EveryDialogFitsItsTextAndIsReachableByKeyboard) {
  {
    TFormRs232Setup d;
    d.Bind(links.serial);
    Check("rs232-setup", &d);
  }
  {
    TFormLPTSetup d;
    d.Bind(links.parallelName);
    Check("lpt-setup", &d);
  }
  {
    varnalux::net::UdpOptions nowhere;
    nowhere.overridden = true;
    TFormNetSetup d(seam, nowhere);
    d.Bind(links.tcp);
    Check("tcpip-setup", &d);
  }
  {
    varnalux::NetworkSettings s;
    varnalux::InitNetworkSettings(s);
    varnalux::StoreNetText(s.netName, "SHIPPING");
    varnalux::StoreNetText(s.macAddress, "00:1B:82:AA:BB:CC");
    TFormEthernetSetup d(seam);
    d.Prepare(0, 0, s);
    Check("ethernet-setup", &d);
  }
  {
    varnalux::ClockSettings clock{2026, 3, 14, 15, 9, 26, 0};
    TFormRTCSetup d(seam);
    d.Prepare(0, 0, clock);
    Check("rtc-setup", &d);
  }
  {
    varnalux::DumpTextSettings s{};
    TFormDumpTextSetup d;
    d.Prepare(0, 0, s);
    Check("dump-text-setup", &d);
  }
  {
    int32_t media = 0;
    TFormSensorCalibrate d;
    d.Prepare(0, 0, media);
    Check("sensor-calibrate", &d);
  }
  {
    QImage preview(PreviewWidth, PreviewHeight, QImage::Format_RGB32);
    preview.fill(Qt::white);
    TFormPreviewFont d(preview);
    Check("preview-font", &d);
  }
  {
    // A font just made, as "Font Sheet" shows it.
    const QString made = dir.filePath(QStringLiteral("made.bmf"));
    Choose(Find<QComboBox>(form.get(), "ComboBoxFontPitch"), "Fixed Pitch");
    Type(form.get(), "EditFontWidth", QStringLiteral("8"));
    Type(form.get(), "EditFontHeight", QStringLiteral("10"));
    seam.fileNames.push_back(made);
    Find<QPushButton>(form.get(), "ButtonSaveFont")->click();
    // An 8 x 10 cell cuts most glyphs of the page's font; the save says so
    // and still writes the font, which is all the sheet needs.
    seam.messages.removeIf(
        [](const QString& m) { return m.startsWith("The font was saved, but "); });
    ASSERT_TRUE(seam.messages.isEmpty()) << seam.messages.join('|').toStdString();
    TFormFontSheet d(seam);
    ASSERT_TRUE(d.ShowFile(made));
    Check("font-sheet", &d);
    // Every pixel of the sheet is at least a 2 x 2 square, so its 5-pixel
    // codes are 10 pixels high; the sheet fills the width, and any room it
    // leaves looks like its paper.
    auto* view = Find<QWidget>(&d, "ImageSheet");
    auto* area = Find<QScrollArea>(&d, "ScrollBoxSheet");
    EXPECT_GE(view->width(), 2 * d.Sheet().width());
    EXPECT_GE(view->height(), 2 * d.Sheet().height());
    EXPECT_LT(area->viewport()->width() - view->width(), view->width() / 16)
        << area->viewport()->width() << " " << view->width();
    EXPECT_NE(area->backgroundRole(), QPalette::Dark);
    const QImage shown = view->grab().toImage();
    EXPECT_EQ(shown.pixelColor(0, 0), shown.pixelColor(1, 1));  // squares, not smoothed
  }
  {
    TFormAbout d;
    Check("about", &d, false);
  }
  {
    TFormProcess d;
    d.Open(0, 0, "Downloading...");
    d.SetNote("Waiting for the printer to take the rest of the file");
    Check("progress", &d, false);
  }
  EXPECT_TRUE(problems.isEmpty()) << problems.join('\n').toStdString();
}

}  // namespace
