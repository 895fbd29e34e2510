// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// The main window driven like a user drives it: key events through the
// window system (so they reach the focused control and the key preview the
// way real keys do), mouse clicks on the controls, and the control table as
// the reference for the layout.

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QFrame>
#include <QIcon>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>
#include <memory>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "app/Kelto_.h"
#include "app/TaskTrayMini.h"
#include "app/form_settings.h"
#include "app/history_view.h"
#include "ui/keypad_layout.h"
#include "app/platform.h"

// Readable failure messages for Qt strings and lists of them.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
QT_END_NAMESPACE

namespace numira {
namespace {

using layout::ControlKind;

struct ErrorBox {
  QString caption;
  QString text;
};

// The notification area as a log of the icon calls.
class RecordingTrayShell : public TrayShell {
 public:
  void Add(const NotifyIconRecord& record) override {
    if (fail_add) throw std::runtime_error("トレイに追加できません");
    calls.push_back("add " + std::string(record.szTip));
    added_icon = record.hIcon;
  }
  void Modify(const NotifyIconRecord& record) override { calls.push_back("modify " + std::string(record.szTip)); }
  void Delete(const NotifyIconRecord& record) override { calls.push_back("delete " + std::string(record.szTip)); }
  QPoint CursorPos() override { return {}; }
  void SetForegroundWindow(QWidget*) override {}

  bool fail_add = false;
  std::vector<std::string> calls;
  QIcon added_icon;
};

// The window with every seam of the desktop replaced: error boxes, readme
// openings and tray calls are recorded, the notification area is there or
// not as the test says, and the settings file lives in a temporary folder.
class KeltoFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_presenter_ = platform::SetErrorBoxPresenter(
        [this](QWidget*, const QString& caption, const QString& text) { error_boxes_.push_back({caption, text}); });
    previous_probe_ = platform::SetNotificationAreaProbe([this] { return tray_available_; });
    ASSERT_TRUE(folder_.isValid());
    settings_path_ = folder_.filePath(QStringLiteral("kelto.ini")).toStdString();
  }

  void TearDown() override {
    form_.reset();
    platform::SetErrorBoxPresenter(std::move(previous_presenter_));
    platform::SetNotificationAreaProbe(std::move(previous_probe_));
    platform::KeepOffTaskbar(false);
    QGuiApplication::setQuitOnLastWindowClosed(true);
  }

  FrameSurroundings Surroundings() {
    return {[this] { return settings_path_; }, &tray_module_,
            [this](QWidget* main_window) { readme_openings_.push_back(main_window); }};
  }

  void ShowActive() {
    form_->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
  }

  template <typename Widget = QWidget>
  Widget* Control(const char* name) {
    auto* widget = form_->findChild<Widget*>(QString::fromUtf8(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }

  // Keys go through the window, so they reach whatever control has the focus.
  void Type(std::string_view keys) {
    for (const char key : keys) QTest::keyClick(form_->windowHandle(), key);
  }
  void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(form_->windowHandle(), key, modifiers);
  }

  // The lines the history panel shows.
  QStringList MemoLines() const {
    QStringList lines;
    for (qsizetype line = 0; line < form_->Memo1->LineCount(); ++line) lines << form_->Memo1->LineText(line);
    return lines;
  }

  QString Display() const { return form_->edhyouj->text(); }
  QWidget* Focused() const { return QApplication::focusWidget(); }

  std::unique_ptr<TForm1> form_;
  std::vector<ErrorBox> error_boxes_;
  std::vector<QWidget*> readme_openings_;
  bool tray_available_ = true;
  QTemporaryDir folder_;
  std::string settings_path_;
  RecordingTrayShell tray_shell_;
  TrayModule tray_module_{tray_shell_};

 private:
  platform::ErrorBoxPresenter previous_presenter_;
  platform::NotificationAreaProbe previous_probe_;
};

// A window as built, before its create handler: layout, keys and history.
class KeltoWindow : public KeltoFixture {
 protected:
  void SetUp() override {
    KeltoFixture::SetUp();
    form_ = std::make_unique<TForm1>(Surroundings());
  }
};

using KeltoLayout = KeltoWindow;
using KeltoKeys = KeltoWindow;
using KeltoMouse = KeltoWindow;
using KeltoHistory = KeltoWindow;

const char* ClassOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::DisplayField: return "QLineEdit";
    case ControlKind::PushButton:
    case ControlKind::GlyphButton: return "QPushButton";
    case ControlKind::CheckBox: return "QCheckBox";
    case ControlKind::HistoryPanel: return "numira::HistoryView";
  }
  return "";
}

// Every control of the table is built as its kind, in its container, with a
// face the machine has; what the table says about each one is pinned below
// with the window's own figures, not read back from the table.
TEST_F(KeltoLayout, EveryControlOfTheTableIsBuiltInItsContainer) {
  ShowActive();
  for (const layout::ControlSpec& row : layout::Controls()) {
    SCOPED_TRACE(row.name);
    QWidget* control = Control(row.name);
    ASSERT_NE(control, nullptr);
    EXPECT_TRUE(control->inherits(ClassOf(row.kind)));
    EXPECT_EQ(control->parentWidget(),
              row.container == layout::Container::KeypadPanel ? form_->Panel1 : form_->Panel2);
    // The face actually drawn is one the window asked for: a stand-in is installed.
    const QFont font = control->font();
    ASSERT_FALSE(font.families().isEmpty());
    EXPECT_TRUE(platform::FontFamilies(font.families().first()).contains(QFontInfo(font).family()))
        << QFontInfo(font).family().toStdString();
    if (row.kind == ControlKind::GlyphButton) {
      EXPECT_FALSE(static_cast<QPushButton*>(control)->icon().isNull());
    }
  }
}

TEST_F(KeltoLayout, ControlsSitWhereTheWindowWasDrawn) {
  ShowActive();
  const struct {
    const char* name;
    QRect geometry;
    const char* caption;
    const char* hint;  // "" for none
    const char* face;
    int pixel_height;
    bool tab_stop;
  } pins[] = {
      {"edhyouj", {5, 8, 164, 23}, "", "ダブルクリックで標準版/縮小版切り替え", "MS UI Gothic", 19, false},
      {"btn7", {8, 35, 30, 30}, "7", "", "MS UI Gothic", 19, false},
      {"btnac", {136, 35, 30, 30}, "AC", "[Home]", "ＭＳ Ｐゴシック", 15, false},
      {"btnbs", {136, 68, 30, 30}, "BS", "[BackSpace]", "ＭＳ ゴシック", 15, false},
      {"btn000", {40, 134, 30, 30}, "000", "[z]", "Small Fonts", 9, false},
      {"btnten", {72, 134, 30, 30}, "．", "", "MS UI Gothic", 19, false},
      {"btnwa", {136, 134, 30, 30}, "=", "[Enter]", "MS UI Gothic", 19, true},
      {"BitBtn2", {40, 168, 30, 30}, "", "バージョン＆ヘルプ", "MS UI Gothic", 19, true},
      {"CheckBox1", {76, 174, 77, 17}, "常に前面", "", "ＭＳ Ｐゴシック", 15, true},
      {"Memo1", {1, 1, 196, 203}, "", "入力履歴", "MS UI Gothic", 19, true},
  };
  for (const auto& pin : pins) {
    SCOPED_TRACE(pin.name);
    QWidget* control = Control(pin.name);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->geometry(), pin.geometry);
    QString caption;
    if (auto* button = qobject_cast<QAbstractButton*>(control)) caption = button->text();
    if (auto* field = qobject_cast<QLineEdit*>(control)) caption = field->text();
    if (auto* memo = qobject_cast<HistoryView*>(control)) caption = memo->toPlainText();
    EXPECT_EQ(caption, QString::fromUtf8(pin.caption));
    EXPECT_EQ(control->toolTip(), QString::fromUtf8(pin.hint));
    ASSERT_FALSE(control->font().families().isEmpty());
    EXPECT_EQ(control->font().families().first(), QString::fromUtf8(pin.face));
    EXPECT_EQ(control->font().pixelSize(), pin.pixel_height);
    EXPECT_EQ(control->focusPolicy(), pin.tab_stop ? Qt::StrongFocus : Qt::ClickFocus);
  }
}

TEST_F(KeltoLayout, WindowHasAFixedDialogFrameAndTheReadOnlyFields) {
  EXPECT_EQ(form_->objectName(), "Form1");
  EXPECT_EQ(form_->windowTitle(), "Numira V4.2");
  EXPECT_EQ(form_->size(), QSize(437, 208));  // while being created, before the first show
  const Qt::WindowFlags flags = form_->windowFlags();
  EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(form_->CheckBox1->isChecked());

  ShowActive();
  EXPECT_EQ(form_->minimumSize(), form_->maximumSize());
  EXPECT_TRUE(form_->edhyouj->isReadOnly());
  EXPECT_EQ(form_->edhyouj->cursor().shape(), Qt::ArrowCursor);
  EXPECT_TRUE(form_->edhyouj->alignment() & Qt::AlignLeft);
  EXPECT_EQ(form_->Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(form_->Memo1->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(form_->Panel1->frameStyle(), QFrame::Panel | QFrame::Raised);
  EXPECT_EQ(form_->Panel1->lineWidth(), 1);
  EXPECT_EQ(form_->Panel2->frameStyle(), QFrame::Panel | QFrame::Raised);
}

TEST_F(KeltoLayout, DoubleClickOnTheDisplaySwitchesTheClientSize) {
  ShowActive();
  EXPECT_EQ(form_->size(), QSize(375, 205));
  EXPECT_EQ(form_->Panel1->geometry(), QRect(0, 0, 177, 205));
  EXPECT_EQ(form_->Panel2->geometry(), QRect(177, 0, 198, 205));
  EXPECT_EQ(form_->Memo1->geometry(), QRect(1, 1, 196, 203));

  Type("12+");
  const QRect equals_place = form_->btnwa->geometry();
  QTest::mouseDClick(form_->edhyouj, Qt::LeftButton);
  EXPECT_FALSE(form_->StandardView());
  EXPECT_EQ(form_->size(), QSize(175, 35));
  EXPECT_EQ(form_->minimumSize(), form_->maximumSize());
  EXPECT_EQ(Display(), "12");
  // Nothing but the size changes: the keypad stays in place, out of sight.
  EXPECT_EQ(form_->btnwa->geometry(), equals_place);
  EXPECT_TRUE(form_->btnwa->isVisible());
  EXPECT_TRUE(form_->Memo1->isVisible());
  EXPECT_EQ(Focused(), form_->btnwa);

  QTest::mouseDClick(form_->edhyouj, Qt::LeftButton);
  EXPECT_TRUE(form_->StandardView());
  EXPECT_EQ(form_->size(), QSize(375, 205));
  EXPECT_EQ(form_->Memo1->geometry(), QRect(1, 1, 196, 203));
  EXPECT_EQ(MemoLines(), QStringList{"12+"});
  EXPECT_EQ(Focused(), form_->btnwa);
}

TEST_F(KeltoLayout, ShowAppliesTheFlagsAndClearsTheEngineButNotTheHistory) {
  form_->SetStandardView(false);
  form_->SetStayOnTop(true);
  ShowActive();
  EXPECT_EQ(form_->size(), QSize(175, 35));
  EXPECT_TRUE(form_->CheckBox1->isChecked());
  EXPECT_TRUE(form_->windowFlags() & Qt::WindowStaysOnTopHint);

  Type("12+3");
  form_->hide();
  form_->show();
  EXPECT_EQ(Display(), "");
  EXPECT_EQ(MemoLines(), QStringList{"12+"});
  EXPECT_EQ(form_->Engine().State(), EngineState::EnteringLeft);

  form_->CheckBox1->click();
  EXPECT_FALSE(form_->StayOnTop());
  EXPECT_FALSE(form_->windowFlags() & Qt::WindowStaysOnTopHint);
}

TEST_F(KeltoLayout, GlyphsAreTransparentWhereTheBitmapIsOlive) {
  const QImage arrow(":/numira/glyph_minimize.xpm");
  ASSERT_EQ(arrow.size(), QSize(32, 16));
  ASSERT_EQ(arrow.pixelColor(0, 15), QColor(128, 128, 0));
  const QImage shown = form_->BitBtn1->icon().pixmap(16, 16).toImage();
  ASSERT_EQ(shown.size(), QSize(16, 16));
  EXPECT_EQ(shown.pixelColor(0, 15).alpha(), 0);
  EXPECT_EQ(shown.pixelColor(8, 2), QColor(255, 0, 0));  // the shaft
  EXPECT_EQ(shown.pixelColor(7, 2), QColor(0, 0, 0));    // its outline

  const QImage book = form_->BitBtn2->icon().pixmap(16, 16).toImage();
  EXPECT_EQ(book.pixelColor(0, 15).alpha(), 0);

  const QImage icon(":/numira/numira.xpm");
  ASSERT_EQ(icon.size(), QSize(32, 32));
  EXPECT_EQ(icon.pixelColor(0, 0).alpha(), 0);
  EXPECT_EQ(icon.pixelColor(15, 20), QColor(0, 255, 255));  // the body
  EXPECT_EQ(icon.pixelColor(15, 8), QColor(255, 255, 0));   // the display strip
}

TEST_F(KeltoKeys, TypedCalculationsWriteTheirTapeLines) {
  ShowActive();
  Type("12+3\r");
  EXPECT_EQ(Display(), "15.00000");
  EXPECT_EQ(MemoLines(), (QStringList{"12+", "3", "=15.00000"}));
  Type("*2=");
  EXPECT_EQ(Display(), "30.00000");
  EXPECT_EQ(MemoLines(), (QStringList{"12+", "3", "=15.00000", "15.00000*", "2", "=30.00000"}));
  EXPECT_EQ(form_->ApplicationTitle(), "30.00000");
  EXPECT_EQ(form_->windowTitle(), "Numira V4.2");
  EXPECT_EQ(Focused(), form_->btnwa);
}

TEST_F(KeltoKeys, EnterAndSpaceGiveExactlyOneEquals) {
  ShowActive();
  struct Case {
    const char* what;
    const char* focus;  // the control focused before the key
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
  };
  const Case cases[] = {
      {"Enter on =", "btnwa", Qt::Key_Return, Qt::NoModifier},
      {"keypad Enter on =", "btnwa", Qt::Key_Enter, Qt::KeypadModifier},
      {"Space on =", "btnwa", Qt::Key_Space, Qt::NoModifier},
      {"Shift+Enter on =", "btnwa", Qt::Key_Return, Qt::ShiftModifier},
      {"Ctrl+Enter on =", "btnwa", Qt::Key_Return, Qt::ControlModifier},
      {"Enter on the check box", "CheckBox1", Qt::Key_Return, Qt::NoModifier},
      {"Shift+Enter on the history", "Memo1", Qt::Key_Return, Qt::ShiftModifier},
      {"Enter on the history", "Memo1", Qt::Key_Return, Qt::NoModifier},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Press(Qt::Key_Home);
    Type("5+3");
    Control(c.focus)->setFocus();
    Press(c.key, c.modifiers);
    EXPECT_EQ(MemoLines(), (QStringList{"5+", "3", "=8.00000"}));
    EXPECT_EQ(Focused(), form_->btnwa);
  }
}

TEST_F(KeltoKeys, EnterAndSpacePressAnotherFocusedPushButtonInstead) {
  ShowActive();
  form_->BitBtn2->setFocus();
  Press(Qt::Key_Return);
  Press(Qt::Key_Space);
  EXPECT_EQ(readme_openings_.size(), 2u);
  EXPECT_EQ(Focused(), form_->BitBtn2);
  EXPECT_TRUE(MemoLines().isEmpty());
  // A digit still types and brings the focus back to "=".
  Type("4");
  EXPECT_EQ(Display(), "4");
  EXPECT_EQ(Focused(), form_->btnwa);
  Press(Qt::Key_Tab);
  ASSERT_EQ(Focused(), form_->BitBtn1);
  Press(Qt::Key_Return);
  EXPECT_FALSE(form_->isVisible());
  EXPECT_EQ(Display(), "4");
}

TEST_F(KeltoKeys, NamedKeysIgnoreModifiersAndLettersActLikeTheirButtons) {
  ShowActive();
  Type("123");
  Press(Qt::Key_Backspace, Qt::ShiftModifier);
  EXPECT_EQ(Display(), "12");
  Type("p");
  EXPECT_EQ(Display(), "-12");
  Type("P");
  EXPECT_EQ(Display(), "12");
  Type("z");
  EXPECT_EQ(Display(), "12000");
  Type("Z");
  EXPECT_EQ(Display(), "12000000");
  Press(Qt::Key_Escape);
  Type("aQ#");
  EXPECT_EQ(Display(), "12000000");
  Type("+");
  ASSERT_EQ(MemoLines(), QStringList{"12000000+"});
  Press(Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(Display(), "");
  EXPECT_TRUE(MemoLines().isEmpty());
  EXPECT_EQ(form_->Engine().State(), EngineState::EnteringLeft);
}

TEST_F(KeltoKeys, TabVisitsOnlyTheFiveTabStopsInOrder) {
  ShowActive();
  ASSERT_EQ(Focused(), form_->btnwa);
  const QStringList forward{"BitBtn1", "BitBtn2", "CheckBox1", "Memo1", "btnwa"};
  for (const QString& name : forward) {
    Press(Qt::Key_Tab);
    EXPECT_EQ(Focused()->objectName(), name);
  }
  const QStringList backward{"Memo1", "CheckBox1", "BitBtn2", "BitBtn1", "btnwa"};
  for (const QString& name : backward) {
    Press(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(Focused()->objectName(), name);
  }
}

TEST_F(KeltoKeys, CharacterKeysWorkFromEveryFocusedControl) {
  ShowActive();
  for (const char* name : {"CheckBox1", "Memo1", "BitBtn2", "edhyouj", "btn7"}) {
    SCOPED_TRACE(name);
    Press(Qt::Key_Home);
    Control(name)->setFocus();
    Type("7");
    EXPECT_EQ(Display(), "7");
    EXPECT_EQ(Focused(), form_->btnwa);
  }
  // Space on the focused check box toggles it and types nothing.
  form_->CheckBox1->setFocus();
  Press(Qt::Key_Space);
  EXPECT_TRUE(form_->CheckBox1->isChecked());
  EXPECT_TRUE(form_->StayOnTop());
  EXPECT_EQ(Display(), "7");
}

TEST_F(KeltoKeys, ArrowKeysWalkTheKeypadAndEnterPressesTheButtonReached) {
  ShowActive();
  Press(Qt::Key_Right);
  EXPECT_EQ(Focused()->objectName(), "btn000");
  form_->btnwa->setFocus();
  Press(Qt::Key_Down);
  EXPECT_EQ(Focused()->objectName(), "btn000");
  Press(Qt::Key_Return);
  EXPECT_EQ(Display(), "000");
  EXPECT_EQ(Focused(), form_->btnwa);
  Press(Qt::Key_Left);
  EXPECT_EQ(Focused()->objectName(), "btnpramai");
  form_->btnwa->setFocus();
  Press(Qt::Key_Up);
  EXPECT_EQ(Focused()->objectName(), "btnpramai");
  // The walk covers the whole panel and comes back round.
  form_->btnwa->setFocus();
  for (std::size_t i = 0; i < form_->KeypadOrder().size(); ++i) Press(Qt::Key_Right);
  EXPECT_EQ(Focused(), form_->btnwa);
  EXPECT_TRUE(MemoLines().isEmpty());
}

TEST_F(KeltoKeys, CopyKeysCopyTheDisplayOrTheHistorySelection) {
  ShowActive();
  Type("12+3=");
  QApplication::clipboard()->clear();
  Press(Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "15.00000");
  QApplication::clipboard()->clear();
  Press(Qt::Key_Insert, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "15.00000");
  EXPECT_EQ(MemoLines().size(), 3);
  EXPECT_EQ(Display(), "15.00000");

  for (int i = 0; i < 4; ++i) Press(Qt::Key_Tab);
  ASSERT_EQ(Focused(), form_->Memo1);
  Press(Qt::Key_A, Qt::ControlModifier);
  Press(Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "12+\n3\n=15.00000");
  EXPECT_EQ(MemoLines().size(), 3);
}

TEST_F(KeltoKeys, OverflowReachesTheErrorBoxAndTheProgramGoesOn) {
  ShowActive();
  // 1 followed by 330 zeros, and 400 nines, lie beyond the double range. The
  // box's caption is the application title in force: "電卓" before the first
  // result, the last result after it.
  const struct {
    std::string typed;
    QString line;
    QString caption;
  } cases[] = {{"1" + std::string(110, 'z'), "1" + QString(330, '0') + "+", "電卓"},
               {std::string(400, '9'), QString(400, '9') + "+", "4.00000"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed.size());
    error_boxes_.clear();
    Press(Qt::Key_Home);
    Type(c.typed + "+");
    ASSERT_EQ(error_boxes_.size(), 1u);
    EXPECT_EQ(error_boxes_[0].caption, c.caption);
    EXPECT_EQ(error_boxes_[0].text, "浮動小数点数のオーバーフロー.");
    EXPECT_EQ(MemoLines(), QStringList{c.line});
    Press(Qt::Key_Home);
    Type("2+2=");
    EXPECT_EQ(Display(), "4.00000");
    EXPECT_EQ(error_boxes_.size(), 1u);
  }
}

TEST_F(KeltoMouse, EveryKeypadButtonReachesItsCommand) {
  ShowActive();
  struct Case {
    const char* button;
    const char* typed_before;
    const char* display;
    QStringList lines;
  };
  const Case cases[] = {
      {"btn0", "", "0", {}},         {"btn1", "", "1", {}},
      {"btn2", "", "2", {}},         {"btn3", "", "3", {}},
      {"btn4", "", "4", {}},         {"btn5", "", "5", {}},
      {"btn6", "", "6", {}},         {"btn7", "", "7", {}},
      {"btn8", "", "8", {}},         {"btn9", "", "9", {}},
      {"btnten", "1", "1.", {}},     {"btn000", "1", "1000", {}},
      {"btntas", "6", "6", {"6+"}},  {"btnhik", "6", "6", {"6-"}},
      {"btnkake", "6", "6", {"6*"}}, {"btnwaru", "6", "6", {"6/"}},
      {"btnbs", "12", "1", {}},      {"btnpramai", "12", "-12", {}},
      {"btnwa", "6/4", "1.50000", {"6/", "4", "=1.50000"}},
      {"btnac", "6+4", "", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.button);
    Press(Qt::Key_Home);
    Type(c.typed_before);
    QTest::mouseClick(Control(c.button), Qt::LeftButton);
    EXPECT_EQ(Display(), c.display);
    EXPECT_EQ(MemoLines(), c.lines);
    EXPECT_EQ(Focused(), form_->btnwa);
  }
}

TEST_F(KeltoMouse, ClickOnTheDisplayHandsTheFocusBackToEquals) {
  ShowActive();
  Type("4");
  QTest::mouseClick(form_->edhyouj, Qt::LeftButton);
  EXPECT_EQ(Focused(), form_->btnwa);
  EXPECT_TRUE(form_->StandardView());
  Type("2");
  EXPECT_EQ(Display(), "42");
  QTest::mouseClick(form_->edhyouj, Qt::RightButton);
  EXPECT_EQ(Focused(), form_->btnwa);
}

TEST_F(KeltoHistory, CompactViewStillComputesAndRecords) {
  ShowActive();
  QTest::mouseDClick(form_->edhyouj, Qt::LeftButton);
  ASSERT_EQ(form_->size(), QSize(175, 35));
  Type("12+3\r");
  EXPECT_EQ(Display(), "15.00000");
  EXPECT_EQ(MemoLines(), (QStringList{"12+", "3", "=15.00000"}));
}

TEST_F(KeltoHistory, EqualsOnAClearedCalculatorKeepsItsEmptyFirstLine) {
  ShowActive();
  Type("=");
  EXPECT_EQ(form_->Memo1->LineCount(), 2);
  EXPECT_EQ(MemoLines(), (QStringList{"", "="}));
  Press(Qt::Key_Home);
  Type("+");
  EXPECT_EQ(Display(), "convert error");
  EXPECT_EQ(MemoLines(), QStringList{"+"});
}

// Operands have no length limit, also past the 32,767 characters at which a
// line edit cuts its text by default: backspace and the operator's tape line
// see every digit.
TEST_F(KeltoHistory, OperandsPastThirtyTwoThousandDigitsKeepEveryDigit) {
  ShowActive();
  form_->Engine().tenki(std::string(40'000, '7'));
  EXPECT_EQ(Display().size(), 40'000);
  Press(Qt::Key_Backspace);
  EXPECT_EQ(Display().size(), 39'999);
  EXPECT_EQ(Display().count(QLatin1Char('7')), 39'999);
  Type("+");
  const QStringList lines = MemoLines();
  ASSERT_EQ(lines.size(), 1);
  EXPECT_EQ(lines.first().size(), 40'000);
  EXPECT_EQ(lines.first().count(QLatin1Char('7')), 39'999);
  EXPECT_TRUE(lines.first().endsWith(QLatin1Char('+')));
}


// ---- The program's frame: start-up, hide and restore, close ----

class KeltoFrame : public KeltoFixture {
 protected:
  // Starts the window as the program does: construction, then FormCreate.
  void Start() {
    form_ = TForm1::Create(Surroundings());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
  }

  void WriteSettings(const std::string& text) { std::ofstream(settings_path_, std::ios::binary) << text; }
  std::string SettingsText() const {
    std::ostringstream text;
    text << std::ifstream(settings_path_, std::ios::binary).rdbuf();
    return text.str();
  }

  // A left press on the tray icon, as the notification area reports it.
  void PressTrayIcon() {
    PostTrayCallback(tray_module_.CallbackWindow(), kTrayCallbackMessage,
                     static_cast<quintptr>(form_->TaskTrayMini1->IconId()), kLeftButtonDown);
    QCoreApplication::sendPostedEvents();
  }

  QRect Screen() const { return QGuiApplication::primaryScreen()->geometry(); }
};

using KeltoStartup = KeltoFrame;
using KeltoWindowState = KeltoFrame;
using KeltoClose = KeltoFrame;

TEST_F(KeltoStartup, FirstStartWithoutSettingsFile) {
  Start();
  EXPECT_TRUE(form_->isVisible());
  EXPECT_EQ(form_->frameGeometry().topLeft(), QPoint(0, 0));
  EXPECT_EQ(form_->size(), QSize(375, 205));
  EXPECT_FALSE(form_->CheckBox1->isChecked());
  EXPECT_FALSE(form_->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(Focused(), form_->btnwa);
  EXPECT_EQ(tray_shell_.calls, std::vector<std::string>{"add Numira"});
  EXPECT_FALSE(tray_shell_.added_icon.isNull());
  EXPECT_FALSE(QFile::exists(QString::fromStdString(settings_path_)));  // loading never writes
}

TEST_F(KeltoStartup, StoredFlagsApplyAtTheFirstShowAndTheBoxHandlerRunsOnce) {
  WriteSettings("[mainform]\ntop=40\nleft=30\n[formmein]\nstay=1\nwaid=0\n");
  form_ = std::make_unique<TForm1>(Surroundings());
  QSignalSpy box_changes(form_->CheckBox1, &QCheckBox::toggled);
  form_->FormCreate();
  ASSERT_TRUE(form_->isVisible());
  EXPECT_EQ(form_->frameGeometry().topLeft(), QPoint(30, 40));
  EXPECT_EQ(form_->size(), QSize(175, 35));
  EXPECT_TRUE(form_->CheckBox1->isChecked());
  EXPECT_TRUE(form_->StayOnTop());
  EXPECT_TRUE(form_->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(box_changes.count(), 1);
  // Later shows find box and flag agreeing: the handler does not run again.
  form_->hide();
  form_->show();
  EXPECT_EQ(box_changes.count(), 1);
}

TEST_F(KeltoStartup, PositionPastTheMonitorsIsMeasuredWithTheCreationSize) {
  // The window is 437 x 208 while its settings load, though the standard view
  // is narrower: the last position that fits with 437 stays, one more gives 50.
  const int last_left = Screen().width() - 437;
  const int last_top = Screen().height() - 208;
  const struct {
    int left, top;
    QPoint expected;
  } cases[] = {
      {last_left, last_top, {last_left, last_top}},
      {last_left + 1, last_top, {50, last_top}},
      {last_left, last_top + 1, {last_left, 50}},
      {-20, 10, {-20, 10}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.left);
    WriteSettings("[mainform]\ntop=" + std::to_string(c.top) + "\nleft=" + std::to_string(c.left) + "\n");
    form_ = TForm1::Create(Surroundings());
    EXPECT_EQ(form_->frameGeometry().topLeft(), c.expected);
    form_.reset();
  }
}

TEST_F(KeltoStartup, ErrorInTheCreateHandlerIsShownAndTheProgramStartsAnyway) {
  WriteSettings("[formmein]\nstay=1\n");
  tray_shell_.fail_add = true;
  Start();
  ASSERT_EQ(error_boxes_.size(), 1u);
  EXPECT_EQ(error_boxes_[0].caption, "電卓");
  EXPECT_EQ(error_boxes_[0].text, "トレイに追加できません.");
  // The handler stopped before the settings; the window is shown all the same.
  EXPECT_TRUE(form_->isVisible());
  EXPECT_FALSE(form_->StayOnTop());
  EXPECT_EQ(form_->size(), QSize(375, 205));
}

TEST_F(KeltoWindowState, HidingKeepsTheEngineAndRestoringClearsItButNotTheHistory) {
  Start();
  Type("12+3");
  QTest::mouseClick(form_->BitBtn1, Qt::LeftButton);
  ASSERT_FALSE(form_->isVisible());
  EXPECT_EQ(Display(), "3");  // hiding changes nothing else
  EXPECT_EQ(form_->Engine().State(), EngineState::EnteringRight);
  EXPECT_TRUE(platform::KeptOffTaskbar());

  PressTrayIcon();
  ASSERT_TRUE(form_->isVisible());
  EXPECT_EQ(Display(), "");
  EXPECT_EQ(form_->focusWidget(), form_->btnwa);
  Type("4+1=");
  EXPECT_EQ(Display(), "5.00000");
  EXPECT_EQ(MemoLines(), (QStringList{"12+", "4+", "1", "=5.00000"}));
}

TEST_F(KeltoWindowState, TrayPressTogglesVisibilityAndKeepsTheView) {
  Start();
  QTest::mouseDClick(form_->edhyouj, Qt::LeftButton);
  ASSERT_EQ(form_->size(), QSize(175, 35));
  PressTrayIcon();
  EXPECT_FALSE(form_->isVisible());
  PressTrayIcon();
  EXPECT_TRUE(form_->isVisible());
  // Restoring applies the flags in force; it does not read the settings again.
  EXPECT_EQ(form_->size(), QSize(175, 35));
  PressTrayIcon();
  EXPECT_FALSE(form_->isVisible());
}

TEST_F(KeltoWindowState, WithoutNotificationAreaTheButtonMinimizesToTheTaskbar) {
  tray_available_ = false;
  Start();
  platform::KeepOffTaskbar(platform::NotificationAreaAvailable());  // as the program does after start
  Type("7+");
  QTest::mouseClick(form_->BitBtn1, Qt::LeftButton);
  EXPECT_TRUE(form_->isVisible());
  EXPECT_TRUE(form_->isMinimized());
  EXPECT_FALSE(platform::KeptOffTaskbar());
  EXPECT_EQ(Display(), "7");

  // Restored from the taskbar: the show handler runs as for a restore from the tray.
  form_->showNormal();
  EXPECT_FALSE(form_->isMinimized());
  EXPECT_EQ(Display(), "");
  EXPECT_EQ(MemoLines(), QStringList{"7+"});

  // A notification area that turns up later takes the window again.
  tray_available_ = true;
  QTest::mouseClick(form_->BitBtn1, Qt::LeftButton);
  EXPECT_FALSE(form_->isVisible());
  EXPECT_TRUE(platform::KeptOffTaskbar());
}

TEST_F(KeltoWindowState, ReadmeOpensOverTheMainWindowAndTheFocusReturnsToItsButton) {
  Start();
  QTest::mouseClick(form_->BitBtn2, Qt::LeftButton);
  ASSERT_EQ(readme_openings_.size(), 1u);
  EXPECT_EQ(readme_openings_[0], form_.get());
  EXPECT_EQ(Focused(), form_->BitBtn2);
  EXPECT_TRUE(form_->isVisible());
}

TEST_F(KeltoClose, CloseStoresTheSettings) {
  Start();
  form_->move(120, 80);
  form_->CheckBox1->click();
  QTest::mouseDClick(form_->edhyouj, Qt::LeftButton);
  EXPECT_TRUE(form_->close());
  EXPECT_FALSE(form_->isVisible());
  EXPECT_EQ(SettingsText(), "[mainform]\ntop=80\nleft=120\n[formmein]\nstay=1\nwaid=0\n");
  EXPECT_TRUE(error_boxes_.empty());

  // The end of the session asks the same question.
  form_->show();
  form_->move(10, 20);
  EXPECT_TRUE(form_->QueryEndSession([] { return true; }));
  EXPECT_EQ(SettingsText(), "[mainform]\ntop=20\nleft=10\n[formmein]\nstay=1\nwaid=0\n");
}

TEST_F(KeltoClose, UnwritableSettingsFileKeepsTheWindowAndEveryCloseTriesAgain) {
  // Unwritable even for the superuser: a folder that is not there, a folder
  // in place of the file.
  const std::string missing_folder = folder_.filePath("gone/kelto.ini").toStdString();
  const std::string folder_in_place = folder_.filePath("taken.ini").toStdString();
  ASSERT_TRUE(QDir(folder_.path()).mkdir("taken.ini"));
  for (const std::string& path : {missing_folder, folder_in_place}) {
    SCOPED_TRACE(path);
    settings_path_ = path;
    error_boxes_.clear();
    Start();
    Type("1+2=");
    EXPECT_FALSE(form_->close());
    EXPECT_TRUE(form_->isVisible());
    ASSERT_EQ(error_boxes_.size(), 1u);
    EXPECT_EQ(error_boxes_[0].caption, "3.00000");
    EXPECT_EQ(error_boxes_[0].text, QString::fromStdString(path) + " に書き込めません.");
    EXPECT_FALSE(form_->close());
    EXPECT_EQ(error_boxes_.size(), 2u);

    // At the end of the session the user is told, and the session is kept,
    // when the session manager lets the program speak; otherwise it may end.
    EXPECT_TRUE(form_->QueryEndSession([] { return false; }));
    EXPECT_EQ(error_boxes_.size(), 2u);
    EXPECT_FALSE(form_->QueryEndSession([] { return true; }));
    EXPECT_EQ(error_boxes_.size(), 3u);
    form_.reset();
  }

  // Once the file can be written, the next close goes ahead.
  settings_path_ = missing_folder;
  Start();
  ASSERT_FALSE(form_->close());
  ASSERT_TRUE(QDir(folder_.path()).mkdir("gone"));
  EXPECT_TRUE(form_->close());
  EXPECT_EQ(SettingsText(), "[mainform]\ntop=0\nleft=0\n[formmein]\nstay=0\nwaid=1\n");
}

TEST_F(KeltoClose, DestroyingTheWindowRemovesTheTrayIcon) {
  Start();
  form_.reset();
  EXPECT_EQ(tray_shell_.calls, (std::vector<std::string>{"add Numira", "delete Numira"}));
}


// ---- Window faults: the keypad's decimal key, tray presence, readme, frame ----

TEST_F(KeltoKeys, KeypadDecimalKeyTypesThePointWhateverItSends) {
  ShowActive();
  // A German layout's keypad key sends ",", others "."; the main keyboard's
  // comma stays a character of no meaning.
  for (const Qt::Key key : {Qt::Key_Comma, Qt::Key_Period}) {
    Press(Qt::Key_Home);
    Type("1");
    Press(key, Qt::KeypadModifier);
    Type("5+1=");
    EXPECT_EQ(Display(), "2.50000") << key;
  }
  Press(Qt::Key_Home);
  Type("1,5");
  EXPECT_EQ(Display(), "15");
}

TEST_F(KeltoWindowState, WindowCarriesTheApplicationIcon) {
  Start();
  EXPECT_FALSE(form_->windowIcon().isNull());
  EXPECT_EQ(form_->windowIcon().pixmap(32, 32).toImage(), tray_shell_.added_icon.pixmap(32, 32).toImage());
}

TEST_F(KeltoWindowState, NotificationAreaComingAndGoingMovesTheWindowOnAndOffTheTaskbar) {
  Start();
  QTest::mouseClick(form_->BitBtn1, Qt::LeftButton);
  ASSERT_FALSE(form_->isVisible());

  // The tray goes while the window is hidden in it: shown again, on the taskbar.
  tray_available_ = false;
  form_->NotificationAreaChanged();
  EXPECT_TRUE(form_->isVisible());
  EXPECT_FALSE(platform::KeptOffTaskbar());
  QTest::mouseClick(form_->BitBtn1, Qt::LeftButton);
  EXPECT_TRUE(form_->isMinimized());
  form_->showNormal();

  // A tray that comes takes the program off the taskbar; the window stays.
  tray_available_ = true;
  form_->NotificationAreaChanged();
  EXPECT_TRUE(form_->isVisible());
  EXPECT_TRUE(platform::KeptOffTaskbar());
}

TEST_F(KeltoWindowState, TrayPressWorksWhileTheReadmeIsOpenAndRestoresItMinimized) {
  Start();
  QDialog readme(form_.get());
  readme.setWindowModality(Qt::WindowModal);
  readme.show();
  ASSERT_EQ(QApplication::activeModalWidget(), &readme);
  PressTrayIcon();
  EXPECT_FALSE(form_->isVisible());
  PressTrayIcon();
  EXPECT_TRUE(form_->isVisible());

  // Minimized with the main window through the window manager: one press
  // brings both back.
  readme.showMinimized();
  form_->showMinimized();
  PressTrayIcon();
  EXPECT_FALSE(form_->isMinimized());
  EXPECT_FALSE(readme.isMinimized());
  EXPECT_TRUE(readme.isVisible());
  // Only the readme window minimized: the press restores it, the main window stays.
  readme.showMinimized();
  PressTrayIcon();
  EXPECT_FALSE(readme.isMinimized());
  EXPECT_TRUE(form_->isVisible());
  // Restored from the taskbar instead (no tray), the main window brings it back too.
  readme.showMinimized();
  form_->showMinimized();
  form_->showNormal();
  EXPECT_FALSE(readme.isMinimized());
}

TEST_F(KeltoWindowState, AlwaysOnTopChangedByTheWindowManagerIsFollowedAndStored) {
  Start();
  QSignalSpy box_changes(form_->CheckBox1, &QCheckBox::toggled);
  form_->WindowManagerStaysOnTop(true);
  EXPECT_TRUE(form_->StayOnTop());
  EXPECT_TRUE(form_->CheckBox1->isChecked());
  EXPECT_TRUE(form_->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(box_changes.count(), 0);  // no request goes back to the manager
  EXPECT_TRUE(form_->close());
  EXPECT_EQ(SettingsText(), "[mainform]\ntop=0\nleft=0\n[formmein]\nstay=1\nwaid=1\n");

  form_->show();
  form_->WindowManagerStaysOnTop(false);
  EXPECT_FALSE(form_->CheckBox1->isChecked());
  EXPECT_FALSE(form_->windowFlags() & Qt::WindowStaysOnTopHint);
}

TEST(KeltoMonitorRule, MeasuresTheClientAreaWithTheWindowManagersFrame) {
  // Client 437 x 208 at the last place that fits a 1280 x 1024 monitor: a
  // frame of 2 pixels each side and a 20-pixel caption makes it stick out.
  QWidget window;
  window.setFixedSize(437, 208);
  window.move(1280 - 437, 1024 - 208);
  const std::vector<MonitorRect> monitor{{0, 0, 1280, 1024}};
  FormSettingsWindow unframed(window);
  KeepOnMonitors(unframed, monitor);
  EXPECT_EQ(window.pos(), QPoint(1280 - 437, 1024 - 208));
  FormSettingsWindow framed(window, QMargins(2, 20, 2, 2));
  EXPECT_EQ(framed.OuterWidth(), 441);
  EXPECT_EQ(framed.OuterHeight(), 230);
  KeepOnMonitors(framed, monitor);
  EXPECT_EQ(window.pos(), QPoint(50, 50));
}

}  // namespace
}  // namespace numira
