// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// The Qt main window as Qt builds and drives it: widgets from the control
// table, key and mouse events through the window system (so they reach the
// focused control and the key preview the way real ones do), the show,
// restore and close events, the tray's callback. What the window decides is
// TForm1's, tested without a toolkit in tests/ui.

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDialog>
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
#include <QTimer>

#include <fstream>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "app/Kelto_.h"
#include "app/TaskTrayMini.h"
#include "app/application_icon.h"
#include "app/display_field.h"
#include "app/fonts.h"
#include "app/form_settings.h"
#include "app/history_view.h"
#include "app/images.h"
#include "app/session_end.h"
#include "ui/keypad_layout.h"

// Readable failure messages for Qt strings and lists of them.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
QT_END_NAMESPACE

namespace numira {
namespace {

using layout::ControlKind;

// The notification area as a log of the icon calls.
class RecordingTrayShell : public TrayShell {
 public:
  void Add(const NotifyIconRecord& record) override {
    calls.push_back("add " + std::string(record.szTip));
    added_icon = record.hIcon;
  }
  void Modify(const NotifyIconRecord& record) override { calls.push_back("modify " + std::string(record.szTip)); }
  void Delete(const NotifyIconRecord& record) override { calls.push_back("delete " + std::string(record.szTip)); }
  QPoint CursorPos() override { return {}; }
  void SetForegroundWindow(QWidget*) override {}

  std::vector<std::string> calls;
  QIcon added_icon;
};

// The window with the desktop's answers replaced: the notification area is
// there or not as the test says, and error boxes are recorded.
class TestWindow : public Form1Widget {
 public:
  TestWindow(Form1Surroundings surroundings, const bool& tray_available, std::vector<std::string>& error_boxes)
      : Form1Widget(std::move(surroundings)), tray_available_(tray_available), error_boxes_(error_boxes) {}
  bool NotificationAreaAvailable() const override { return tray_available_; }
  void ShowErrorBox(const std::string& caption, const std::string& text) override {
    error_boxes_.push_back(caption + ": " + text);
  }

 private:
  const bool& tray_available_;
  std::vector<std::string>& error_boxes_;
};

class KeltoQt : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.isValid());
    settings_path_ = folder_.filePath(QStringLiteral("kelto.ini")).toStdString();
    form_ = std::make_unique<TestWindow>(
        Form1Surroundings{tray_module_, [this](QWidget* main_window) { readme_openings_.push_back(main_window); },
                          settings_path_},
        tray_available_, error_boxes_);
  }

  void TearDown() override {
    form_.reset();
    QGuiApplication::setQuitOnLastWindowClosed(true);
  }

  void ShowActive() {
    form_->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
  }
  // Starts the window as the program does: its create handler shows it.
  // The tray icon goes in right after the window's first frame.
  void Start() {
    const std::size_t calls = tray_shell_.calls.size();
    form_->StartAsMainWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return tray_shell_.calls.size() > calls; }));
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

  // A left press on the tray icon, as the notification area reports it.
  void PressTrayIcon() {
    PostTrayCallback(tray_module_.CallbackWindow(), kTrayCallbackMessage,
                     static_cast<quintptr>(form_->TaskTrayMini1->IconId()), kLeftButtonDown);
    QCoreApplication::sendPostedEvents();
  }

  // The lines the history panel shows.
  QStringList MemoLines() const {
    QStringList lines;
    for (qsizetype line = 0; line < form_->Memo1->LineCount(); ++line) lines << form_->Memo1->LineText(line);
    return lines;
  }
  std::string SettingsText() const {
    std::ostringstream text;
    text << std::ifstream(settings_path_, std::ios::binary).rdbuf();
    return text.str();
  }

  QString Display() const { return form_->edhyouj->text(); }
  QWidget* Focused() const { return QApplication::focusWidget(); }

  QTemporaryDir folder_;
  std::string settings_path_;
  RecordingTrayShell tray_shell_;
  TrayModule tray_module_{tray_shell_};
  bool tray_available_ = true;
  std::vector<std::string> error_boxes_;
  std::vector<QWidget*> readme_openings_;
  std::unique_ptr<TestWindow> form_;
};

using KeltoLayout = KeltoQt;
using KeltoKeys = KeltoQt;
using KeltoFrame = KeltoQt;

const char* ClassOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::DisplayField: return "numira::DisplayField";
    case ControlKind::PushButton:
    case ControlKind::GlyphButton: return "QPushButton";
    case ControlKind::CheckBox: return "QCheckBox";
    case ControlKind::HistoryPanel: return "numira::HistoryView";
  }
  return "";
}

// ---- Widgets from the control table ----

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
    EXPECT_EQ(form_->ControlOf(row), control);
    EXPECT_EQ(form_->SpecOf(control), &row);
    EXPECT_EQ(control->parentWidget(),
              row.container == layout::Container::KeypadPanel ? form_->Panel1 : form_->Panel2);
    // The face actually drawn is the one the window asked for: a stand-in is installed.
    const QFont font = control->font();
    ASSERT_EQ(font.families().size(), 1);
    EXPECT_EQ(QFontInfo(font).family(), QFontInfo(QFont(font.families().first())).family())
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
    // The table's face, as this machine draws it.
    ASSERT_FALSE(control->font().families().isEmpty());
    EXPECT_EQ(control->font().families().first(), platform::InstalledFontFamily(QString::fromUtf8(pin.face)));
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

TEST_F(KeltoLayout, DoubleClickOnTheDisplaySwitchesTheClientSizeAndThePanelsFollow) {
  ShowActive();
  EXPECT_EQ(form_->size(), QSize(375, 205));
  EXPECT_EQ(form_->Panel1->geometry(), QRect(0, 0, 177, 205));
  EXPECT_EQ(form_->Panel2->geometry(), QRect(177, 0, 198, 205));
  EXPECT_EQ(form_->Memo1->geometry(), QRect(1, 1, 196, 203));

  Type("12+");
  const QRect equals_place = form_->btnwa->geometry();
  QTest::mouseDClick(form_->edhyouj, Qt::LeftButton);
  EXPECT_EQ(form_->size(), QSize(175, 35));
  EXPECT_EQ(form_->minimumSize(), form_->maximumSize());
  EXPECT_EQ(form_->edhyouj->selectedText(), "");  // the double-click selects no word
  // Nothing but the size changes: the keypad stays in place, out of sight.
  EXPECT_EQ(form_->btnwa->geometry(), equals_place);
  EXPECT_TRUE(form_->Memo1->isVisible());
  EXPECT_EQ(Focused(), form_->btnwa);

  QTest::mouseDClick(form_->edhyouj, Qt::LeftButton);
  EXPECT_EQ(form_->size(), QSize(375, 205));
  EXPECT_EQ(form_->Memo1->geometry(), QRect(1, 1, 196, 203));
  // A click of any button hands the focus back.
  for (const Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton}) {
    QTest::mouseClick(form_->edhyouj, button);
    EXPECT_EQ(Focused(), form_->btnwa);
  }
  EXPECT_TRUE(form_->Form().StandardView());
}

TEST_F(KeltoLayout, GlyphsAreTransparentWhereTheBitmapIsOlive) {
  const QImage arrow = platform::GlyphPicture("glyph_minimize.xpm");
  ASSERT_EQ(arrow.size(), QSize(32, 16));
  ASSERT_EQ(arrow.pixelColor(0, 15), QColor(128, 128, 0));
  const QImage shown = form_->BitBtn1->icon().pixmap(16, 16).toImage();
  ASSERT_EQ(shown.size(), QSize(16, 16));
  EXPECT_EQ(shown.pixelColor(0, 15).alpha(), 0);
  EXPECT_EQ(shown.pixelColor(8, 2), QColor(255, 0, 0));  // the shaft
  EXPECT_EQ(shown.pixelColor(7, 2), QColor(0, 0, 0));    // its outline

  const QImage book = form_->BitBtn2->icon().pixmap(16, 16).toImage();
  EXPECT_EQ(book.pixelColor(0, 15).alpha(), 0);

  const QImage icon = DrawnIconPicture(32);
  ASSERT_EQ(icon.size(), QSize(32, 32));
  EXPECT_EQ(icon.pixelColor(0, 0).alpha(), 0);
  EXPECT_EQ(icon.pixelColor(15, 20), QColor(0, 255, 255));  // the body
  EXPECT_EQ(icon.pixelColor(15, 8), QColor(255, 255, 0));   // the display strip
}

// ---- Keys as Qt delivers them ----

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
      {"Enter on the check box", "CheckBox1", Qt::Key_Return, Qt::NoModifier},
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
  // Space and Enter press another focused push button instead.
  form_->BitBtn2->setFocus();
  Press(Qt::Key_Return);
  Press(Qt::Key_Space);
  EXPECT_EQ(readme_openings_, (std::vector<QWidget*>{form_.get(), form_.get()}));
  EXPECT_EQ(Focused(), form_->BitBtn2);
}

TEST_F(KeltoKeys, TabArrowsAndCharactersReachTheWindowFromEveryControl) {
  ShowActive();
  const QStringList forward{"BitBtn1", "BitBtn2", "CheckBox1", "Memo1", "btnwa"};
  for (const QString& name : forward) {
    Press(Qt::Key_Tab);
    EXPECT_EQ(Focused()->objectName(), name);
  }
  Press(Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(Focused()->objectName(), "Memo1");
  form_->btnwa->setFocus();
  Press(Qt::Key_Left);
  EXPECT_EQ(Focused()->objectName(), "btnpramai");

  for (const char* name : {"CheckBox1", "Memo1", "BitBtn2", "edhyouj", "btn7"}) {
    SCOPED_TRACE(name);
    Press(Qt::Key_Home);
    Control(name)->setFocus();
    Type("7p");
    EXPECT_EQ(Display(), "-7");
    EXPECT_EQ(Focused(), form_->btnwa);
  }
  // Space on the focused check box toggles it (a click) and types nothing.
  form_->CheckBox1->setFocus();
  Press(Qt::Key_Space);
  EXPECT_TRUE(form_->CheckBox1->isChecked());
  EXPECT_TRUE(form_->Form().StayOnTop());
  EXPECT_TRUE(form_->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(Display(), "-7");
}

TEST_F(KeltoKeys, CopyKeysReachTheClipboard) {
  ShowActive();
  Type("12+3=");
  for (const Qt::Key key : {Qt::Key_C, Qt::Key_Insert}) {
    QApplication::clipboard()->clear();
    Press(key, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "15.00000");
  }
  form_->Memo1->setFocus();
  Press(Qt::Key_A, Qt::ControlModifier);
  Press(Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "12+\n3\n=15.00000");
  EXPECT_EQ(MemoLines().size(), 3);
}

// The tape focused and read-only: the window pastes, the tape takes nothing.
TEST_F(KeltoKeys, PasteKeysReadTheClipboardWithTheTapeFocused) {
  ShowActive();
  Type("12+");
  const struct {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    QString clipboard;
    QString display;
  } cases[] = {
      {Qt::Key_V, Qt::ControlModifier, QStringLiteral("￥１２，３４５\r\n"), QStringLiteral("12345")},
      {Qt::Key_Insert, Qt::ShiftModifier, QStringLiteral("(2,500)"), QStringLiteral("-2500")},
      {Qt::Key_V, Qt::ControlModifier, QStringLiteral("1.5E3"), QStringLiteral("-2500")},
  };
  for (const auto& c : cases) {
    QApplication::clipboard()->setText(c.clipboard);
    form_->Memo1->setFocus();
    Press(c.key, c.modifiers);
    EXPECT_EQ(Display(), c.display) << c.clipboard.toStdString();
  }
  EXPECT_EQ(MemoLines(), QStringList{"12+"});
  Type("=");
  EXPECT_EQ(Display(), "-2,488.00000");
}

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

// Operands have no length limit, also past the 32,767 characters at which a
// line edit cuts its text by default: backspace and the operator's tape line
// see every digit.
TEST_F(KeltoKeys, OperandsPastThirtyTwoThousandDigitsKeepEveryDigit) {
  ShowActive();
  form_->Form().Engine().tenki(std::string(40'000, '7'));
  EXPECT_EQ(Display().size(), 40'000);
  Press(Qt::Key_Backspace);
  EXPECT_EQ(Display().size(), 39'999);
  Type("+");
  const QStringList lines = MemoLines();
  ASSERT_EQ(lines.size(), 1);
  EXPECT_EQ(lines.first().size(), 40'000);
  EXPECT_EQ(lines.first().count(QLatin1Char('7')), 39'999);
}

// ---- The frame: show, restore, tray, close ----

TEST_F(KeltoFrame, StartShowsTheWindowWithTheIconAndTheStoredFlags) {
  std::ofstream(settings_path_, std::ios::binary) << "[mainform]\ntop=40\nleft=30\n[formmein]\nstay=1\nwaid=0\n";
  QSignalSpy box_changes(form_->CheckBox1, &QCheckBox::toggled);
  Start();
  EXPECT_EQ(form_->frameGeometry().topLeft(), QPoint(30, 40));
  EXPECT_EQ(form_->size(), QSize(175, 35));
  EXPECT_TRUE(form_->CheckBox1->isChecked());
  EXPECT_TRUE(form_->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(box_changes.count(), 1);
  EXPECT_EQ(Focused(), form_->btnwa);
  EXPECT_EQ(tray_shell_.calls, std::vector<std::string>{"add Numira"});
  EXPECT_FALSE(form_->windowIcon().isNull());
  EXPECT_EQ(form_->windowIcon().pixmap(32, 32).toImage(), tray_shell_.added_icon.pixmap(32, 32).toImage());
}

TEST_F(KeltoFrame, TrayPressHidesAndShowsAndTheShowClearsTheEngine) {
  Start();
  Type("12+3");
  QTest::mouseClick(form_->BitBtn1, Qt::LeftButton);
  ASSERT_FALSE(form_->isVisible());
  EXPECT_TRUE(form_->KeptOffTaskbar());
  PressTrayIcon();
  ASSERT_TRUE(form_->isVisible());
  EXPECT_EQ(Display(), "");
  EXPECT_EQ(form_->focusWidget(), form_->btnwa);
  EXPECT_EQ(MemoLines(), QStringList{"12+"});
  PressTrayIcon();
  EXPECT_FALSE(form_->isVisible());
}

TEST_F(KeltoFrame, WithoutNotificationAreaTheWindowMinimizesAndItsRestoreIsAShow) {
  tray_available_ = false;
  Start();
  form_->Form().ProgramStarted();
  Type("7+");
  QTest::mouseClick(form_->BitBtn1, Qt::LeftButton);
  EXPECT_TRUE(form_->isMinimized());
  EXPECT_FALSE(form_->KeptOffTaskbar());
  form_->showNormal();
  EXPECT_FALSE(form_->isMinimized());
  EXPECT_EQ(Display(), "");
  EXPECT_EQ(MemoLines(), QStringList{"7+"});
}

TEST_F(KeltoFrame, TrayPressRestoresAMinimizedModalWindow) {
  Start();
  QDialog readme(form_.get());
  readme.setWindowModality(Qt::WindowModal);
  readme.show();
  ASSERT_EQ(QApplication::activeModalWidget(), &readme);
  readme.showMinimized();
  form_->showMinimized();
  PressTrayIcon();
  EXPECT_FALSE(form_->isMinimized());
  EXPECT_FALSE(readme.isMinimized());
  readme.showMinimized();
  PressTrayIcon();
  EXPECT_FALSE(readme.isMinimized());
  EXPECT_TRUE(form_->isVisible());
}

TEST_F(KeltoFrame, CloseStoresTheSettingsOrIsRefusedWithTheErrorBox) {
  Start();
  form_->move(120, 80);
  QTest::mouseClick(form_->CheckBox1, Qt::LeftButton);
  EXPECT_TRUE(form_->close());
  EXPECT_FALSE(form_->isVisible());
  EXPECT_EQ(SettingsText(), "[mainform]\ntop=80\nleft=120\n[formmein]\nstay=1\nwaid=1\n");

  form_.reset();
  EXPECT_EQ(tray_shell_.calls, (std::vector<std::string>{"add Numira", "delete Numira"}));
  settings_path_ = folder_.filePath(QStringLiteral("gone/kelto.ini")).toStdString();
  form_ = std::make_unique<TestWindow>(Form1Surroundings{tray_module_, {}, settings_path_}, tray_available_,
                                       error_boxes_);
  Start();
  EXPECT_FALSE(form_->close());
  EXPECT_TRUE(form_->isVisible());
  EXPECT_EQ(error_boxes_, std::vector<std::string>{"電卓: " + settings_path_ + " に書き込めません."});
}

// The session manager ends the session with the application's quit request,
// once its save request has been answered: the program ends, its main window
// not asked to close again (which would fail to store here and stay with the
// error box).
TEST_F(KeltoFrame, QuitRequestEndsTheProgramWithoutAnotherClose) {
  settings_path_ = folder_.filePath(QStringLiteral("gone/kelto.ini")).toStdString();
  form_ = std::make_unique<TestWindow>(Form1Surroundings{tray_module_, {}, settings_path_}, tray_available_,
                                       error_boxes_);
  Start();
  SessionEndWatch watch(*form_);
  QTimer::singleShot(0, &watch, [] { QCoreApplication::quit(); });
  // A refused quit leaves the event loop running: ended apart, as a failure.
  QTimer::singleShot(5000, &watch, [] { QCoreApplication::exit(1); });
  EXPECT_EQ(QApplication::exec(), 0);
  EXPECT_TRUE(error_boxes_.empty());
}

TEST_F(KeltoFrame, AlwaysOnTopChangedByTheWindowManagerSetsTheBoxAndTheWindowsFlag) {
  Start();
  form_->Form().WindowManagerStaysOnTop(true);
  EXPECT_TRUE(form_->CheckBox1->isChecked());
  EXPECT_TRUE(form_->windowFlags() & Qt::WindowStaysOnTopHint);
  form_->Form().WindowManagerStaysOnTop(false);
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
  FormSettingsWindow unframed(window, [] { return QMargins(); });
  KeepOnMonitors(unframed, monitor);
  EXPECT_EQ(window.pos(), QPoint(1280 - 437, 1024 - 208));
  FormSettingsWindow framed(window, [] { return QMargins(2, 20, 2, 2); });
  EXPECT_EQ(framed.OuterWidth(), 441);
  EXPECT_EQ(framed.OuterHeight(), 230);
  KeepOnMonitors(framed, monitor);
  EXPECT_EQ(window.pos(), QPoint(50, 50));
}

}  // namespace
}  // namespace numira
