// The main window driven like a user drives it: key events through the
// window system (so they reach the focused control and the key preview the
// way real keys do), mouse clicks on the controls, and the control table as
// the reference for the layout.

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFontInfo>
#include <QFrame>
#include <QIcon>
#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "app/Kelto_.h"
#include "app/keypad_layout.h"
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

class KeltoWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_presenter_ = platform::SetErrorBoxPresenter(
        [this](QWidget*, const QString& caption, const QString& text) { error_boxes_.push_back({caption, text}); });
    form_ = std::make_unique<TForm1>();
  }

  void TearDown() override {
    form_.reset();
    platform::SetErrorBoxPresenter(std::move(previous_presenter_));
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

  QStringList MemoLines() const {
    const QString text = form_->Memo1->toPlainText();
    return text.isEmpty() && form_->Memo1->document()->blockCount() == 1 && form_->History().Lines().empty()
               ? QStringList{}
               : text.split(QLatin1Char('\n'));
  }

  QString Display() const { return form_->edhyouj->text(); }
  QWidget* Focused() const { return QApplication::focusWidget(); }

  std::unique_ptr<TForm1> form_;
  std::vector<ErrorBox> error_boxes_;

 private:
  platform::ErrorBoxPresenter previous_presenter_;
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
    case ControlKind::HistoryPanel: return "QPlainTextEdit";
  }
  return "";
}

TEST_F(KeltoLayout, EveryControlMatchesTheControlTable) {
  ShowActive();
  for (const layout::ControlSpec& spec : layout::Controls()) {
    SCOPED_TRACE(spec.name);
    QWidget* control = Control(spec.name);
    ASSERT_NE(control, nullptr);
    EXPECT_TRUE(control->inherits(ClassOf(spec.kind)));
    EXPECT_EQ(control->parentWidget(),
              spec.container == layout::Container::KeypadPanel ? form_->Panel1 : form_->Panel2);
    EXPECT_EQ(control->geometry(), QRect(spec.left, spec.top, spec.width, spec.height));
    EXPECT_EQ(control->toolTip(), spec.hint ? QString::fromUtf8(spec.hint) : QString());
    EXPECT_EQ(control->focusPolicy(), spec.tab_stop ? Qt::StrongFocus : Qt::ClickFocus);

    const QFont font = control->font();
    ASSERT_FALSE(font.families().isEmpty());
    EXPECT_EQ(font.families().first(), QString::fromUtf8(spec.font.face));
    EXPECT_EQ(font.pixelSize(), spec.font.pixel_height);
    // The face actually drawn is one the window asked for: a stand-in is installed.
    EXPECT_TRUE(platform::FontFamilies(font.families().first()).contains(QFontInfo(font).family()))
        << QFontInfo(font).family().toStdString();

    QString caption;
    if (auto* button = qobject_cast<QAbstractButton*>(control)) caption = button->text();
    if (auto* field = qobject_cast<QLineEdit*>(control)) caption = field->text();
    if (auto* memo = qobject_cast<QPlainTextEdit*>(control)) caption = memo->toPlainText();
    EXPECT_EQ(caption, QString::fromUtf8(spec.caption));
    if (spec.kind == ControlKind::GlyphButton) {
      EXPECT_FALSE(static_cast<QPushButton*>(control)->icon().isNull());
    }
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
  EXPECT_TRUE(form_->Memo1->isReadOnly());
  EXPECT_EQ(form_->Memo1->lineWrapMode(), QPlainTextEdit::NoWrap);
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
  QSignalSpy readme(form_.get(), &TForm1::readmeRequested);
  QSignalSpy minimize(form_.get(), &TForm1::minimizeRequested);
  form_->BitBtn2->setFocus();
  Press(Qt::Key_Return);
  Press(Qt::Key_Space);
  EXPECT_EQ(readme.count(), 2);
  Press(Qt::Key_Backtab, Qt::ShiftModifier);
  ASSERT_EQ(Focused(), form_->BitBtn1);
  Press(Qt::Key_Return);
  EXPECT_EQ(minimize.count(), 1);
  EXPECT_TRUE(MemoLines().isEmpty());
  // A digit still types and brings the focus back to "=".
  Type("4");
  EXPECT_EQ(Display(), "4");
  EXPECT_EQ(Focused(), form_->btnwa);
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
  // 1 followed by 330 zeros lies beyond the double range.
  Type("1" + std::string(110, 'z') + "+");
  ASSERT_EQ(error_boxes_.size(), 1u);
  EXPECT_EQ(error_boxes_[0].caption, "電卓");
  EXPECT_EQ(error_boxes_[0].text, "浮動小数点数のオーバーフロー.");
  EXPECT_EQ(MemoLines(), QStringList{"1" + QString(330, '0') + "+"});
  Press(Qt::Key_Home);
  Type("2+2=");
  EXPECT_EQ(Display(), "4.00000");
  EXPECT_EQ(error_boxes_.size(), 1u);
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
  EXPECT_EQ(form_->Memo1->document()->blockCount(), 2);
  EXPECT_EQ(MemoLines(), (QStringList{"", "="}));
  Press(Qt::Key_Home);
  Type("+");
  EXPECT_EQ(Display(), "convert error");
  EXPECT_EQ(MemoLines(), QStringList{"+"});
}

}  // namespace
}  // namespace numira
