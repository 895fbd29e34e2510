// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// The main window's decisions, over a window that records what it is asked
// and forwards its show events as a front-end does: start-up, views, keys,
// clicks, hiding and restoring, the readme button, close and destroy.

#include "ui/Kelto_.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "file_test_support.h"

namespace numira {
namespace {

using test_support::ReadBytes;
using test_support::ScratchFolder;
using test_support::WithNewFileLineEnds;
using test_support::WriteBytes;
using Lines = std::vector<std::string>;

const layout::ControlSpec& Named(const char* name) { return *layout::FindControl(name); }

// The window's outer frame: its client area with a 2-pixel border and a
// 20-pixel caption.
class RecordingFrame : public SettingsWindow {
 public:
  std::int32_t Left() const override { return left; }
  std::int32_t Top() const override { return top; }
  std::int32_t OuterWidth() const override { return client_width + 4; }
  std::int32_t OuterHeight() const override { return client_height + 22; }
  void SetLeft(std::int32_t value) override { left = value; }
  void SetTop(std::int32_t value) override { top = value; }

  std::int32_t left = 0, top = 0;
  int client_width = 437, client_height = 208;  // as the window is created
};

// A native window as a test sees it: its state, and a log of the calls that
// change the desktop ("topmost 1", "hide", "tray add Numira", ...).
class RecordingWindow : public Form1View {
 public:
  std::string DisplayText() const override { return display; }
  void SetDisplayText(const std::string& text) override { display = text; }
  void AppendDisplayText(std::string_view text) override { display += text; }
  void SetApplicationTitle(const std::string& text) override { title = text; }
  void TapeLineAppended(std::string_view line) override { tape.emplace_back(line); }
  void TapeCleared() override { tape.clear(); }
  bool TapeHasSelection() const override { return tape_selection.has_value(); }
  void CopyTapeSelection() override { clipboard = *tape_selection; }
  void CopyText(const std::string& text) override { clipboard = text; }
  std::string ClipboardText() const override { return clipboard; }
  void WarningSound() override { log.push_back("warning sound"); }
  bool CheckBoxTicked() const override { return check_box; }
  void SetCheckBox(bool ticked) override { check_box = ticked; }
  const layout::ControlSpec* FocusedControl() const override { return focus; }
  void Focus(const layout::ControlSpec& control, FocusMove) override { focus = &control; }

  void SetClientSize(int width, int height) override {
    frame.client_width = width;
    frame.client_height = height;
  }
  bool Visible() const override { return visible; }
  bool Minimized() const override { return minimized; }
  void SetVisible(bool show) override {
    if (show == visible) return;
    visible = show;
    log.push_back(show ? "show" : "hide");
    if (show && !minimized) form->FormShow();  // as a front-end's show event
  }
  void Minimize() override {
    minimized = true;
    log.push_back("minimize");
  }
  void Restore() override {
    if (!minimized) return;
    minimized = false;
    log.push_back("restore");
    if (visible) form->RestoredFromMinimize();
  }
  void BringToFront() override { log.push_back("front"); }
  void SetTopmost(bool topmost) override { log.push_back("topmost " + std::to_string(topmost)); }
  SettingsWindow& Frame() override { return frame; }
  std::vector<Monitor> Monitors() const override { return monitors; }

  bool NotificationAreaAvailable() const override { return tray_available; }
  void KeepOffTaskbar(bool off) override { off_taskbar = off; }
  void SetTrayIcon(std::uint8_t action, std::string_view tip) override {
    if (fail_tray_add && action == kTrayAdd) throw std::runtime_error("トレイに追加できません");
    log.push_back((action == kTrayAdd ? "tray add " : "tray delete ") + std::string(tip));
  }
  void ShowErrorBox(const std::string& caption, const std::string& text) override {
    error_boxes.push_back(caption + ": " + text);
  }

  void ShowReadmeModal() override {
    log.push_back("readme");
    readme_open = true;
    if (while_readme_open) while_readme_open();
    readme_open = false;
    readme_minimized = false;
  }
  bool ReadmeMinimized() const override { return readme_open && readme_minimized; }
  void RestoreReadme() override {
    if (!readme_open) return;
    readme_minimized = false;
    log.push_back("readme restored");
  }

  void NewWindow() {
    display.clear();
    tape.clear();
    check_box = visible = minimized = false;
    focus = nullptr;
    frame = RecordingFrame{};
  }

  TForm1* form = nullptr;
  std::string display, title, clipboard;
  Lines tape;
  std::optional<std::string> tape_selection;
  bool check_box = false;
  const layout::ControlSpec* focus = nullptr;
  RecordingFrame frame;
  bool visible = false, minimized = false;
  std::vector<Monitor> monitors{{{0, 0, 1280, 1024}, {0, 0, 1280, 1000}}};
  bool tray_available = true;
  std::optional<bool> off_taskbar;
  bool fail_tray_add = false;
  bool readme_open = false, readme_minimized = false;
  std::function<void()> while_readme_open;
  Lines log, error_boxes;
};

class Kelto : public ::testing::Test {
 protected:
  void SetUp() override { settings_ = folder_ / "kelto.ini"; }

  // The window as built, before its start, on a new native window (the
  // desktop's answers stay as the test set them).
  TForm1& Built() {
    window_.NewWindow();
    form_ = std::make_unique<TForm1>(window_, settings_);
    window_.form = form_.get();
    return *form_;
  }
  // Started as the program starts it, with the log cleared.
  TForm1& Started() {
    Built().Start();
    window_.log.clear();
    return *form_;
  }

  void Type(std::string_view keys) {
    for (const char key : keys) form_->FormKeyPress(static_cast<char32_t>(key));
  }
  bool Press(Key key, bool shift = false, bool ctrl = false, bool alt = false) {
    return form_->KeyPreview({key, shift, ctrl, alt});
  }
  void Click(const char* control) { form_->ControlClicked(Named(control)); }
  void Focus(const char* control) { window_.focus = &Named(control); }
  std::string FocusName() const { return window_.focus == nullptr ? "" : window_.focus->name; }
  std::string Settings() const { return ReadBytes(settings_).value_or("(none)"); }

  ScratchFolder folder_;
  std::string settings_;
  RecordingWindow window_;
  std::unique_ptr<TForm1> form_;
};

using KeltoStart = Kelto;
using KeltoView = Kelto;
using KeltoKeys = Kelto;
using KeltoClicks = Kelto;
using KeltoFrame = Kelto;
using KeltoClose = Kelto;

// ---- Start-up and the show handler ----

TEST_F(KeltoStart, FirstStartWithoutSettingsFile) {
  Built().Start();
  EXPECT_EQ(window_.log, (Lines{"tray add Numira", "show", "topmost 0"}));
  EXPECT_TRUE(window_.visible);
  EXPECT_EQ(window_.frame.left, 0);
  EXPECT_EQ(window_.frame.top, 0);
  EXPECT_EQ(window_.frame.client_width, 375);
  EXPECT_EQ(window_.frame.client_height, 205);
  EXPECT_FALSE(window_.check_box);
  EXPECT_EQ(FocusName(), "btnwa");
  EXPECT_EQ(form_->ApplicationTitle(), "電卓");
  EXPECT_EQ(Settings(), "(none)");  // loading never writes
}

TEST_F(KeltoStart, StoredFlagsApplyAtTheFirstShowAndTheBoxHandlerRunsOnce) {
  WriteBytes(settings_, "[mainform]\ntop=40\nleft=30\n[formmein]\nstay=1\nwaid=0\n");
  Built().Start();
  // The show sets the band, then ticking the box runs its handler, which
  // sets it again.
  EXPECT_EQ(window_.log, (Lines{"tray add Numira", "show", "topmost 1", "topmost 1"}));
  EXPECT_EQ(window_.frame.left, 30);
  EXPECT_EQ(window_.frame.top, 40);
  EXPECT_EQ(window_.frame.client_width, 175);
  EXPECT_EQ(window_.frame.client_height, 35);
  EXPECT_TRUE(window_.check_box);
  EXPECT_TRUE(form_->StayOnTop());
  // Later shows find box and flag agreeing: the handler does not run again.
  window_.log.clear();
  window_.SetVisible(false);
  window_.SetVisible(true);
  EXPECT_EQ(window_.log, (Lines{"hide", "show", "topmost 1"}));
}

TEST_F(KeltoStart, PositionPastTheMonitorsIsMeasuredWithTheCreationSizeAndFrame) {
  // Outer 441 x 230 while the settings load: the last place that fits a
  // 1280 x 1024 monitor stays, one more pixel gives 50.
  const struct {
    int left, top, expected_left, expected_top;
  } cases[] = {{839, 794, 839, 794}, {840, 794, 50, 794}, {839, 795, 839, 50}, {-20, 10, -20, 10}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.left);
    WriteBytes(settings_, "[mainform]\ntop=" + std::to_string(c.top) + "\nleft=" + std::to_string(c.left) + "\n");
    Built().Start();
    EXPECT_EQ(window_.frame.left, c.expected_left);
    EXPECT_EQ(window_.frame.top, c.expected_top);
  }
}

TEST_F(KeltoStart, ErrorInTheCreateHandlerIsShownAndTheProgramStartsAnyway) {
  WriteBytes(settings_, "[formmein]\nstay=1\n");
  window_.fail_tray_add = true;
  Built().Start();
  EXPECT_EQ(window_.error_boxes, Lines{"電卓: トレイに追加できません."});
  // The handler stopped before the settings; the window is shown all the same.
  EXPECT_TRUE(window_.visible);
  EXPECT_FALSE(form_->StayOnTop());
  EXPECT_EQ(window_.frame.client_width, 375);
}

TEST_F(KeltoStart, ProgramKeepsOffTheTaskbarWhileANotificationAreaHoldsItsIcon) {
  for (const bool tray : {true, false}) {
    window_.tray_available = tray;
    Started().ProgramStarted();
    EXPECT_EQ(window_.off_taskbar, tray);
  }
}

// ---- Views ----

TEST_F(KeltoView, DoubleClickOnTheDisplaySwitchesTheViewAndKeepsEverythingElse) {
  Started();
  Type("12+");
  form_->DisplayFieldPressed();
  form_->DisplayFieldReleased(true);
  form_->DisplayFieldPressed();
  form_->DisplayFieldDoubleClicked();
  form_->DisplayFieldReleased(true);
  EXPECT_FALSE(form_->StandardView());
  EXPECT_EQ(window_.frame.client_width, 175);
  EXPECT_EQ(window_.frame.client_height, 35);
  EXPECT_EQ(window_.display, "12");
  EXPECT_EQ(FocusName(), "btnwa");

  form_->DisplayFieldDoubleClicked();
  EXPECT_TRUE(form_->StandardView());
  EXPECT_EQ(window_.frame.client_width, 375);
  EXPECT_EQ(window_.tape, Lines{"12+"});
  // In either view the keys go on working.
  Type("3=");
  EXPECT_EQ(window_.display, "15.00000");
}

TEST_F(KeltoView, DisplayFieldClicksHandTheFocusBackToEquals) {
  Started();
  const struct {
    const char* what;
    std::function<void(TForm1&)> mouse;
    bool standard_view;
  } cases[] = {
      {"a click", [](TForm1& f) { f.DisplayFieldPressed(); f.DisplayFieldReleased(true); }, true},
      {"another button", [](TForm1& f) { f.DisplayFieldPressed(); f.DisplayFieldReleased(false); }, true},
      // The double-click's closing release runs no click of its own.
      {"a double-click", [](TForm1& f) { f.DisplayFieldDoubleClicked(); f.DisplayFieldReleased(true); }, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    form_->SetStandardView(true);
    Focus("edhyouj");
    c.mouse(*form_);
    EXPECT_EQ(FocusName(), "btnwa");
    EXPECT_EQ(form_->StandardView(), c.standard_view);
  }
}

TEST_F(KeltoView, ShowAppliesTheFlagsAndClearsTheEngineButNotTheHistory) {
  Started();
  Type("12+3");
  form_->SetStandardView(false);
  form_->SetStayOnTop(true);
  window_.SetVisible(false);
  window_.SetVisible(true);
  EXPECT_EQ(window_.display, "");
  EXPECT_EQ(form_->Engine().State(), EngineState::EnteringLeft);
  EXPECT_EQ(window_.tape, Lines{"12+"});
  EXPECT_EQ(window_.frame.client_height, 35);
  EXPECT_TRUE(window_.check_box);

  // The user's click on the box: band and flag follow it.
  window_.check_box = false;
  window_.log.clear();
  Click("CheckBox1");
  EXPECT_FALSE(form_->StayOnTop());
  EXPECT_EQ(window_.log, Lines{"topmost 0"});
}

// ---- Keys ----

TEST_F(KeltoKeys, TypedCalculationsWriteTheirTapeLinesAndTheTitle) {
  Started();
  Type("12+3");
  EXPECT_FALSE(Press(Key::Enter, /*shift=*/true));
  EXPECT_EQ(window_.display, "15.00000");
  Type("*2=");
  EXPECT_EQ(window_.tape, (Lines{"12+", "3", "=15.00000", "15.00000*", "2", "=30.00000"}));
  EXPECT_EQ(window_.title, "30.00000");
  EXPECT_EQ(form_->ApplicationTitle(), "30.00000");
  EXPECT_EQ(FocusName(), "btnwa");
}

TEST_F(KeltoKeys, EnterGivesExactlyOneEqualsWhereverTheFocusIs) {
  Started();
  const struct {
    const char* what;
    const char* focus;
    bool shift, ctrl;
    bool used_up;  // a push button took it; otherwise it goes on to the control
  } cases[] = {
      {"Enter on =", "btnwa", false, false, true},
      {"Shift+Enter on =", "btnwa", true, false, false},
      {"Ctrl+Enter on =", "btnwa", false, true, false},
      {"Enter on the check box", "CheckBox1", false, false, false},
      {"Enter on the history", "Memo1", false, false, false},
      {"Shift+Enter on the history", "Memo1", true, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Press(Key::Home);
    Type("5+3");
    Focus(c.focus);
    EXPECT_EQ(Press(Key::Enter, c.shift, c.ctrl), c.used_up);
    EXPECT_EQ(window_.tape, (Lines{"5+", "3", "=8.00000"}));
    EXPECT_EQ(FocusName(), "btnwa");
  }
}

TEST_F(KeltoKeys, EnterPressesAnotherFocusedPushButtonInstead) {
  Started();
  Focus("BitBtn2");
  EXPECT_TRUE(Press(Key::Enter));
  EXPECT_EQ(window_.log, Lines{"readme"});
  EXPECT_EQ(FocusName(), "BitBtn2");
  EXPECT_TRUE(window_.tape.empty());
  // A digit still types and brings the focus back to "=".
  Type("4");
  EXPECT_EQ(window_.display, "4");
  EXPECT_EQ(FocusName(), "btnwa");
  Focus("BitBtn1");
  EXPECT_TRUE(Press(Key::Enter));
  EXPECT_FALSE(window_.visible);
  EXPECT_EQ(window_.display, "4");
}

TEST_F(KeltoKeys, NamedKeysIgnoreModifiersAndLettersActLikeTheirButtons) {
  Started();
  Type("123");
  EXPECT_FALSE(Press(Key::Backspace, /*shift=*/true));
  EXPECT_EQ(window_.display, "12");
  Type("p");
  EXPECT_EQ(window_.display, "-12");
  Type("P");
  Type("z");
  Type("Z");
  EXPECT_EQ(window_.display, "12000000");
  EXPECT_FALSE(Press(Key::Escape));
  Type("aQ#");
  EXPECT_EQ(window_.display, "12000000");
  Type("+");
  EXPECT_FALSE(Press(Key::Home, false, /*ctrl=*/true));
  EXPECT_EQ(window_.display, "");
  EXPECT_TRUE(window_.tape.empty());
  EXPECT_EQ(form_->Engine().State(), EngineState::EnteringLeft);
}

TEST_F(KeltoKeys, TabAndArrowKeysWalkTheirOrdersRound) {
  Started();
  struct Walk {
    const char* from;
    Key key;
    bool shift;
    const char* to;  // "" when the key is not used up and the focus stays
  };
  const Walk walks[] = {
      {"btnwa", Key::Tab, false, "BitBtn1"},      {"CheckBox1", Key::Tab, false, "Memo1"},
      {"Memo1", Key::Tab, false, "btnwa"},        {"btnwa", Key::Tab, true, "Memo1"},
      {"BitBtn1", Key::Tab, true, "btnwa"},       {"btn7", Key::Tab, false, "btnwa"},
      {"btn7", Key::Tab, true, "Memo1"},          {"btnwa", Key::Right, false, "btn000"},
      {"btnwa", Key::Down, false, "btn000"},      {"btnwa", Key::Left, false, "btnpramai"},
      {"btnwa", Key::Up, false, "btnpramai"},     {"CheckBox1", Key::Right, false, "btn0"},
      {"btn0", Key::Left, false, "CheckBox1"},    {"Memo1", Key::Down, false, ""},
      {"edhyouj", Key::Right, false, ""},
  };
  for (const Walk& walk : walks) {
    SCOPED_TRACE(std::string(walk.from) + " -> " + walk.to);
    Focus(walk.from);
    EXPECT_EQ(Press(walk.key, walk.shift), *walk.to != '\0');
    EXPECT_EQ(FocusName(), *walk.to != '\0' ? walk.to : walk.from);
  }
  // Right walks the keypad panel's whole control order, round: "0" before
  // "7", "=" before "000", whatever order screen readers read the keypad in.
  const Lines panel_order = {"btn0", "btn7", "btn8", "btn9", "btntas", "btnac", "btn4", "btn5", "btn6", "btnhik",
                             "btnbs", "btn1", "btn2", "btn3", "btnkake", "btnpramai", "btnwa", "btn000", "btnten",
                             "btnwaru", "BitBtn1", "BitBtn2", "CheckBox1"};
  Focus("CheckBox1");
  Lines walked;
  for (std::size_t step = 0; step < panel_order.size(); ++step) {
    Press(Key::Right);
    walked.push_back(FocusName());
  }
  EXPECT_EQ(walked, panel_order);
  // Enter presses the button reached, whose command hands the focus back.
  Focus("btnwa");
  Press(Key::Right);
  Press(Key::Enter);
  EXPECT_EQ(window_.display, "000");
  EXPECT_EQ(FocusName(), "btnwa");
  EXPECT_TRUE(window_.tape.empty());
}

TEST_F(KeltoKeys, CopyKeysCopyTheDisplayOrTheHistorySelection) {
  Started();
  Type("12+3=");
  const struct {
    const char* focus;
    std::optional<std::string> selection;
    Key key;
    const char* copied;
  } cases[] = {
      {"btnwa", std::nullopt, Key::C, "15.00000"},
      {"btnwa", std::nullopt, Key::Insert, "15.00000"},
      {"Memo1", std::nullopt, Key::C, "15.00000"},
      {"Memo1", "3\n=15", Key::C, "3\n=15"},
      {"btnwa", "3\n=15", Key::Insert, "15.00000"},  // the selection counts only on the history
  };
  for (const auto& c : cases) {
    window_.clipboard.clear();
    window_.tape_selection = c.selection;
    Focus(c.focus);
    EXPECT_TRUE(Press(c.key, false, /*ctrl=*/true));
    EXPECT_EQ(window_.clipboard, c.copied) << c.focus;
  }
  EXPECT_EQ(window_.tape.size(), 3u);
  EXPECT_EQ(window_.display, "15.00000");
  // Without Ctrl, or with Alt too, neither key copies.
  window_.clipboard.clear();
  EXPECT_FALSE(Press(Key::Insert));
  EXPECT_FALSE(Press(Key::C, false, true, /*alt=*/true));
  EXPECT_EQ(window_.clipboard, "");
}

TEST_F(KeltoKeys, PasteKeysEnterTheClipboardsNumberOrWarnAndChangeNothing) {
  Started();
  Type("12+3");
  const struct {
    const char* focus;
    Key key;
    bool shift, ctrl;
    const char* clipboard;
    const char* display;
    const char* focus_after;
    Lines log;
  } cases[] = {
      {"btnwa", Key::V, false, true, "5", "5", "btnwa", {}},  // replaces the 3
      // The history panel focused: the window pastes, the panel takes nothing.
      {"Memo1", Key::Insert, true, false, "△1,000", "-1000", "btnwa", {}},
      {"CheckBox1", Key::V, false, true, "12 apples", "-1000", "CheckBox1", {"warning sound"}},
      {"Memo1", Key::Insert, true, false, "", "-1000", "Memo1", {"warning sound"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.clipboard);
    window_.log.clear();
    window_.clipboard = c.clipboard;
    Focus(c.focus);
    EXPECT_TRUE(Press(c.key, c.shift, c.ctrl));
    EXPECT_EQ(window_.display, c.display);
    EXPECT_EQ(FocusName(), c.focus_after);
    EXPECT_EQ(window_.log, c.log);
    EXPECT_EQ(window_.tape, Lines{"12+"});
  }
  // Other combinations of the two keys paste nothing.
  window_.clipboard = "7";
  EXPECT_FALSE(Press(Key::V));
  EXPECT_FALSE(Press(Key::V, /*shift=*/true, /*ctrl=*/true));
  EXPECT_FALSE(Press(Key::V, false, true, /*alt=*/true));
  EXPECT_FALSE(Press(Key::Insert, true, true));
  EXPECT_EQ(window_.display, "-1000");
  Press(Key::Enter);
  EXPECT_EQ(window_.tape, (Lines{"12+", "-1000", "=-988.00000"}));
  // A negative number beyond the double range: its sign change overflows as
  // the key's would, and the error box, not the warning, tells the user.
  window_.log.clear();
  window_.clipboard = "-1" + std::string(330, '0');
  Press(Key::V, false, true);
  EXPECT_EQ(window_.error_boxes, Lines{"-988.00000: 浮動小数点数のオーバーフロー."});
  EXPECT_TRUE(window_.log.empty());
}

TEST_F(KeltoKeys, KeypadDecimalKeyTypesThePointUnlessCtrlOrAltIsHeld) {
  Started();
  Type("1");
  EXPECT_TRUE(Press(Key::KeypadDecimal));
  Type("5");
  EXPECT_EQ(window_.display, "1.5");
  EXPECT_FALSE(Press(Key::KeypadDecimal, false, /*ctrl=*/true));
  EXPECT_EQ(window_.display, "1.5");
}

TEST_F(KeltoKeys, OverflowReachesTheErrorBoxAndTheProgramGoesOn) {
  Started();
  // 1 followed by 330 zeros lies beyond the double range. The box's caption
  // is the application title in force: "電卓" before the first result, the
  // last result after it.
  const struct {
    const char* before;
    const char* caption;
  } cases[] = {{"", "電卓"}, {"2+2=", "4.00000"}};
  for (const auto& c : cases) {
    window_.error_boxes.clear();
    Press(Key::Home);
    Type(c.before);
    Press(Key::Home);
    Type("1" + std::string(110, 'z') + "+");
    EXPECT_EQ(window_.error_boxes, Lines{std::string(c.caption) + ": 浮動小数点数のオーバーフロー."});
    EXPECT_EQ(window_.tape, Lines{"1" + std::string(330, '0') + "+"});
    Press(Key::Home);
    Type("2+2=");
    EXPECT_EQ(window_.display, "4.00000");
    EXPECT_EQ(window_.error_boxes.size(), 1u);
  }
}

// ---- Clicks ----

TEST_F(KeltoClicks, EveryKeypadButtonReachesItsCommand) {
  Started();
  const struct {
    const char* button;
    const char* typed_before;
    const char* display;
    Lines lines;
  } cases[] = {
      {"btn0", "", "0", {}},         {"btn1", "", "1", {}},         {"btn2", "", "2", {}},
      {"btn3", "", "3", {}},         {"btn4", "", "4", {}},         {"btn5", "", "5", {}},
      {"btn6", "", "6", {}},         {"btn7", "", "7", {}},         {"btn8", "", "8", {}},
      {"btn9", "", "9", {}},         {"btnten", "1", "1.", {}},     {"btn000", "1", "1000", {}},
      {"btntas", "6", "6", {"6+"}},  {"btnhik", "6", "6", {"6-"}},  {"btnkake", "6", "6", {"6*"}},
      {"btnwaru", "6", "6", {"6/"}}, {"btnbs", "12", "1", {}},      {"btnpramai", "12", "-12", {}},
      {"btnwa", "6/4", "1.50000", {"6/", "4", "=1.50000"}},
      {"btnac", "6+4", "", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.button);
    Press(Key::Home);
    Type(c.typed_before);
    Focus(c.button);
    Click(c.button);
    EXPECT_EQ(window_.display, c.display);
    EXPECT_EQ(window_.tape, c.lines);
    EXPECT_EQ(FocusName(), "btnwa");
  }
}

// ---- Hiding, restoring and the readme button ----

TEST_F(KeltoFrame, HidingKeepsTheEngineAndRestoringClearsItButNotTheHistory) {
  Started();
  Type("12+3");
  Click("BitBtn1");
  EXPECT_EQ(window_.log, Lines{"hide"});
  EXPECT_EQ(window_.off_taskbar, true);
  EXPECT_EQ(window_.display, "3");  // hiding changes nothing else
  EXPECT_EQ(form_->Engine().State(), EngineState::EnteringRight);

  form_->TaskTrayMini1MouseDown(TMouseButton::Left, ssLeft, 0, 0);
  EXPECT_TRUE(window_.visible);
  EXPECT_EQ(window_.display, "");
  EXPECT_EQ(FocusName(), "btnwa");
  Type("4+1=");
  EXPECT_EQ(window_.display, "5.00000");
  EXPECT_EQ(window_.tape, (Lines{"12+", "4+", "1", "=5.00000"}));
}

TEST_F(KeltoFrame, TrayPressTogglesVisibilityAndKeepsTheView) {
  Started();
  form_->edhyoujDblClick();
  window_.log.clear();
  for (int press = 0; press < 3; ++press) form_->TaskTrayMini1MouseDown(TMouseButton::Left, ssLeft, 0, 0);
  EXPECT_EQ(window_.log, (Lines{"hide", "show", "topmost 0", "front", "hide"}));
  // Restoring applies the flags in force; it does not read the settings again.
  EXPECT_EQ(window_.frame.client_height, 35);
}

TEST_F(KeltoFrame, WithoutNotificationAreaTheButtonMinimizesAndARestoreIsAShow) {
  window_.tray_available = false;
  Started();
  Type("7+");
  Click("BitBtn1");
  EXPECT_EQ(window_.log, Lines{"minimize"});
  EXPECT_EQ(window_.off_taskbar, false);
  EXPECT_EQ(window_.display, "7");
  // Restored from the taskbar: the show handler runs as for a restore from the tray.
  window_.Restore();
  EXPECT_EQ(window_.display, "");
  EXPECT_EQ(window_.tape, Lines{"7+"});
  // A notification area that turns up later takes the window again.
  window_.tray_available = true;
  Click("BitBtn1");
  EXPECT_FALSE(window_.visible);
  EXPECT_EQ(window_.off_taskbar, true);
}

TEST_F(KeltoFrame, NotificationAreaComingAndGoingMovesTheProgramOnAndOffTheTaskbar) {
  Started();
  Click("BitBtn1");
  // The tray goes while the window is hidden in it: shown again, on the taskbar.
  window_.tray_available = false;
  form_->NotificationAreaChanged();
  EXPECT_TRUE(window_.visible);
  EXPECT_EQ(window_.off_taskbar, false);
  // A tray that comes takes the program off the taskbar; the window stays.
  window_.tray_available = true;
  form_->NotificationAreaChanged();
  EXPECT_TRUE(window_.visible);
  EXPECT_EQ(window_.off_taskbar, true);
}

TEST_F(KeltoFrame, ReadmeOpensModallyAndTheTrayStillHidesAndShowsMeanwhile) {
  Started();
  window_.while_readme_open = [this] {
    form_->TaskTrayMini1MouseDown(TMouseButton::Left, ssLeft, 0, 0);
    EXPECT_FALSE(window_.visible);
    form_->TaskTrayMini1MouseDown(TMouseButton::Left, ssLeft, 0, 0);
    EXPECT_TRUE(window_.visible);
    // Minimized with the main window by the window manager: one press
    // brings both back.
    window_.readme_minimized = window_.minimized = true;
    form_->TaskTrayMini1MouseDown(TMouseButton::Left, ssLeft, 0, 0);
    EXPECT_FALSE(window_.minimized);
    EXPECT_FALSE(window_.readme_minimized);
    // Only the readme window minimized: the press restores it, the main
    // window stays.
    window_.readme_minimized = true;
    form_->TaskTrayMini1MouseDown(TMouseButton::Left, ssLeft, 0, 0);
    EXPECT_FALSE(window_.readme_minimized);
    EXPECT_TRUE(window_.visible);
    // Restored from the taskbar instead, the main window brings it back too.
    window_.readme_minimized = window_.minimized = true;
    window_.Restore();
    EXPECT_FALSE(window_.readme_minimized);
  };
  Focus("BitBtn2");
  Click("BitBtn2");
  EXPECT_EQ(window_.log, (Lines{"readme", "hide", "show", "topmost 0", "front", "readme restored", "restore",
                                "topmost 0", "readme restored", "front", "readme restored", "front",
                                "readme restored", "restore", "topmost 0", "readme restored"}));
  EXPECT_EQ(FocusName(), "BitBtn2");
}

TEST_F(KeltoFrame, AlwaysOnTopChangedByTheWindowManagerIsFollowedAndStored) {
  Started();
  form_->WindowManagerStaysOnTop(true);
  EXPECT_TRUE(form_->StayOnTop());
  EXPECT_TRUE(window_.check_box);
  EXPECT_EQ(window_.log, Lines{"topmost 1"});  // the box's handler does not run
  EXPECT_TRUE(form_->CloseRequested());
  EXPECT_EQ(Settings(), WithNewFileLineEnds("[mainform]\ntop=0\nleft=0\n[formmein]\nstay=1\nwaid=1\n"));
  form_->WindowManagerStaysOnTop(false);
  EXPECT_FALSE(window_.check_box);
}

// ---- Close and destroy ----

TEST_F(KeltoClose, CloseStoresTheSettingsAndSoDoesTheEndOfTheSession) {
  Started();
  window_.frame.left = 120;
  window_.frame.top = 80;
  window_.check_box = true;
  Click("CheckBox1");
  form_->edhyoujDblClick();
  EXPECT_TRUE(form_->CloseRequested());
  EXPECT_EQ(Settings(), WithNewFileLineEnds("[mainform]\ntop=80\nleft=120\n[formmein]\nstay=1\nwaid=0\n"));
  window_.frame.left = 10;
  window_.frame.top = 20;
  EXPECT_TRUE(form_->QueryEndSession([] { return true; }));
  EXPECT_EQ(Settings(), WithNewFileLineEnds("[mainform]\ntop=20\nleft=10\n[formmein]\nstay=1\nwaid=0\n"));
  EXPECT_TRUE(window_.error_boxes.empty());
}

TEST_F(KeltoClose, UnwritableSettingsFileKeepsTheWindowAndEveryCloseTriesAgain) {
  // Unwritable even for the superuser: a folder that is not there, a folder
  // in place of the file.
  const std::string missing_folder = folder_ / "gone/kelto.ini";
  const std::string folder_in_place = folder_ / "taken.ini";
  ASSERT_TRUE(std::filesystem::create_directory(folder_in_place));
  for (const std::string& path : {missing_folder, folder_in_place}) {
    SCOPED_TRACE(path);
    settings_ = path;
    window_.error_boxes.clear();
    Started();
    Type("1+2=");
    EXPECT_FALSE(form_->CloseRequested());
    EXPECT_FALSE(form_->CloseRequested());
    EXPECT_EQ(window_.error_boxes, Lines(2, "3.00000: " + path + " に書き込めません."));
    // At the end of the session the user is told, and the session is kept,
    // when the session manager lets the program speak; otherwise it may end.
    EXPECT_TRUE(form_->QueryEndSession([] { return false; }));
    EXPECT_EQ(window_.error_boxes.size(), 2u);
    EXPECT_FALSE(form_->QueryEndSession([] { return true; }));
    EXPECT_EQ(window_.error_boxes.size(), 3u);
  }
  // Once the file can be written, the next close goes ahead.
  settings_ = missing_folder;
  Started();
  ASSERT_TRUE(std::filesystem::create_directory(folder_ / "gone"));
  EXPECT_TRUE(form_->CloseRequested());
  EXPECT_EQ(Settings(), WithNewFileLineEnds("[mainform]\ntop=0\nleft=0\n[formmein]\nstay=0\nwaid=1\n"));
}

TEST_F(KeltoClose, DestroyRemovesTheTrayIcon) {
  Started().FormDestroy();
  EXPECT_EQ(window_.log, Lines{"tray delete Numira"});
}

}  // namespace
}  // namespace numira
