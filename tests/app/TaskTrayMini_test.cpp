// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// The tray component against a recording shell: ids, the record, the shell
// calls, and the dispatch of callback message 1125. The last tests drive the
// Qt shell's icons with their activation signal.

#include "app/TaskTrayMini.h"

#include <QCoreApplication>
#include <QMenu>
#include <QPixmap>
#include <QTimer>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/qt_tray_shell.h"

namespace numira {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using Log = std::vector<std::string>;

class RecordingShell : public TrayShell {
 public:
  explicit RecordingShell(Log& log) : log_(log) {}
  void Add(const NotifyIconRecord& r) override { Record("Add", r); }
  void Modify(const NotifyIconRecord& r) override { Record("Modify", r); }
  void Delete(const NotifyIconRecord& r) override { Record("Delete", r); }
  QPoint CursorPos() override { return cursor; }
  void SetForegroundWindow(QWidget* window) override {
    log_.push_back(window == foregroundExpected ? "foreground" : "foreground of another window");
  }

  QPoint cursor{120, 90};
  QWidget* foregroundExpected = nullptr;
  std::vector<NotifyIconRecord> records;

 private:
  void Record(const char* call, const NotifyIconRecord& r) {
    log_.push_back(std::string(call) + " " + std::to_string(r.uID));
    records.push_back(r);
  }
  Log& log_;
};

// Logs each event as "<name> <button> <shift> <x> <y>".
TMouseEvent Logging(Log& log, const std::string& name) {
  return [&log, name](QObject*, TMouseButton button, TShiftState shift, int x, int y) {
    log.push_back(name + " " + std::to_string(static_cast<int>(button)) + " " +
                  std::to_string(shift) + " " + std::to_string(x) + " " + std::to_string(y));
  };
}

void SetAllEvents(TTaskTrayMini& tray, Log& log) {
  tray.OnMouseDown = Logging(log, "down");
  tray.OnMouseUp = Logging(log, "up");
  tray.OnMMouseDown = Logging(log, "mdown");
  tray.OnMMouseUp = Logging(log, "mup");
}

// Delivers a callback message the way the shell does: posted to the window.
void SendCallback(TrayModule& module, quintptr id, qintptr mouseMessage) {
  PostTrayCallback(module.CallbackWindow(), kTrayCallbackMessage, id, mouseMessage);
  QCoreApplication::sendPostedEvents();
}

class TrayTest : public ::testing::Test {
 protected:
  void SetUp() override { shell.foregroundExpected = owner.get(); }

  Log log;
  RecordingShell shell{log};
  TrayModule module{shell};
  std::unique_ptr<QWidget> owner = std::make_unique<QWidget>();
};

TEST_F(TrayTest, IdsCountUpInOrderOfConstructionAndAreNeverReused) {
  auto* first = new TTaskTrayMini(owner.get(), module);
  auto* second = new TTaskTrayMini(owner.get(), module);
  EXPECT_EQ(first->IconId(), 1);
  EXPECT_EQ(second->IconId(), 2);
  EXPECT_EQ(second->IconData().uID, 2u);

  delete second;
  auto* third = new TTaskTrayMini(owner.get(), module);
  EXPECT_EQ(third->IconId(), 3);
  EXPECT_EQ(third->IconData().uID, 3u);
  EXPECT_EQ(third->parent(), owner.get());
}

TEST_F(TrayTest, DestroyedComponentsIdReachesNothing) {
  auto* first = new TTaskTrayMini(owner.get(), module);
  auto* second = new TTaskTrayMini(owner.get(), module);
  SetAllEvents(*first, log);
  SetAllEvents(*second, log);
  delete second;

  SendCallback(module, 2, kLeftButtonDown);
  SendCallback(module, 3, kLeftButtonDown);
  EXPECT_THAT(log, IsEmpty());
  SendCallback(module, 1, kLeftButtonDown);
  EXPECT_THAT(log, ElementsAre("foreground", "down 0 8 120 90"));
}

TEST_F(TrayTest, RecordIsFilledAtConstructionAndBySetIcon) {
  auto* tray = new TTaskTrayMini(owner.get(), module);
  EXPECT_EQ(tray->IconData().cbSize, 88u);
  EXPECT_EQ(tray->IconData().uCallbackMessage, 1125u);
  EXPECT_EQ(tray->IconData().hWnd, nullptr);

  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::red);
  const QIcon icon(pixmap);
  tray->SetIcon(kTrayAdd, icon, QStringLiteral("Numira"));
  const NotifyIconRecord& record = tray->IconData();
  EXPECT_EQ(record.cbSize, 88u);
  EXPECT_EQ(record.hWnd, module.CallbackWindow());
  EXPECT_EQ(record.uID, 1u);
  EXPECT_EQ(record.uFlags, 7u);
  EXPECT_EQ(record.uCallbackMessage, 1125u);
  EXPECT_EQ(record.hIcon.cacheKey(), icon.cacheKey());
  EXPECT_STREQ(record.szTip, "Numira");
}

TEST_F(TrayTest, TipKeepsAtMost63Bytes) {
  auto* tray = new TTaskTrayMini(owner.get(), module);
  const QString kana = QString(22, QChar(0x30CA));  // 22 x "ナ", 3 bytes each in UTF-8
  struct Case {
    QString tip;
    QByteArray expected;
  };
  const Case cases[] = {
      {QString(), QByteArray()},
      {QString(63, 'a'), QByteArray(63, 'a')},
      {QString(64, 'a'), QByteArray(63, 'a')},
      {QString(200, 'b'), QByteArray(63, 'b')},
      // Cut by bytes, through the middle of the twenty-first character.
      {"a" + kana, ("a" + kana).toUtf8().left(63)},
  };
  for (const Case& c : cases) {
    tray->SetIcon(kTrayModify, QIcon(), c.tip);
    const NotifyIconRecord& record = tray->IconData();
    EXPECT_EQ(QByteArray(record.szTip), c.expected) << c.tip.size();
    EXPECT_EQ(record.szTip[c.expected.size()], '\0');
  }
}

TEST_F(TrayTest, ActionsZeroOneTwoCallTheShellAndOthersNothing) {
  auto* tray = new TTaskTrayMini(owner.get(), module);
  for (const std::uint8_t action : std::initializer_list<std::uint8_t>{0, 1, 2, 3, 255}) tray->SetIcon(action, QIcon(), "Numira");
  EXPECT_THAT(log, ElementsAre("Add 1", "Modify 1", "Delete 1"));
  // Action 3 still filled the record.
  tray->SetIcon(3, QIcon(), "changed");
  EXPECT_STREQ(tray->IconData().szTip, "changed");
  EXPECT_EQ(log.size(), 3u);
}

TEST_F(TrayTest, EachMouseMessageFiresItsRowOnlyWhenSetAndEnabled) {
  struct Case {
    qintptr message;
    Log all;       // every event set and enabled
    Log gatedOff;  // the row's own gate false (or its event unset)
  };
  const Case cases[] = {
      {kMouseMove, {}, {}},
      {kLeftButtonDown, {"foreground", "down 0 8 120 90"}, {}},
      {kLeftButtonUp, {"foreground", "up 0 8 120 90"}, {}},
      {kLeftButtonDoubleClick, {}, {}},
      {kRightButtonDown, {}, {}},
      {kRightButtonUp, {}, {}},  // no popup menu set
      {kRightButtonDoubleClick, {}, {}},
      {kMiddleButtonDown, {"foreground", "mdown 2 32 120 90"}, {}},
      {kMiddleButtonUp, {"foreground", "mup 2 32 120 90"}, {}},
      {1124, {}, {}},
  };
  auto* tray = new TTaskTrayMini(owner.get(), module);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    SetAllEvents(*tray, log);
    tray->EnableMouseDown = tray->EnableMouseUp = tray->EnableMMouseDown = tray->EnableMMouseUp = true;
    log.clear();
    SendCallback(module, 1, c.message);
    EXPECT_EQ(log, c.all);

    // Gate off: nothing at all, not even the foreground call.
    tray->EnableMouseDown = tray->EnableMouseUp = tray->EnableMMouseDown = tray->EnableMMouseUp = false;
    log.clear();
    SendCallback(module, 1, c.message);
    EXPECT_EQ(log, c.gatedOff);

    // Enabled but no handler: nothing either.
    tray->EnableMouseDown = tray->EnableMouseUp = tray->EnableMMouseDown = tray->EnableMMouseUp = true;
    tray->OnMouseDown = tray->OnMouseUp = tray->OnMMouseDown = tray->OnMMouseUp = nullptr;
    log.clear();
    SendCallback(module, 1, c.message);
    EXPECT_EQ(log, c.gatedOff);
  }
}

TEST_F(TrayTest, FiredRowRunsWaitingEventsBeforeReturning) {
  auto* tray = new TTaskTrayMini(owner.get(), module);
  tray->OnMouseDown = [&](QObject* sender, TMouseButton, TShiftState, int, int) {
    EXPECT_EQ(sender, tray);
    log.push_back("down");
    QTimer::singleShot(0, [&] { log.push_back("waiting event"); });
  };
  tray->OnMouseUp = [&](QObject*, TMouseButton, TShiftState, int, int) {
    QTimer::singleShot(0, [&] { log.push_back("late event"); });
  };
  module.Dispatch(1, kLeftButtonDown);
  EXPECT_THAT(log, ElementsAre("foreground", "down", "waiting event"));

  // A row that does not fire leaves waiting events waiting.
  log.clear();
  tray->EnableMouseUp = false;
  QTimer::singleShot(0, [&] { log.push_back("queued before"); });
  module.Dispatch(1, kLeftButtonUp);
  EXPECT_THAT(log, IsEmpty());
  QCoreApplication::processEvents();
  EXPECT_THAT(log, ElementsAre("queued before"));
}

TEST_F(TrayTest, HandlerMayDestroyItsOwnComponent) {
  QPointer<TTaskTrayMini> tray = new TTaskTrayMini(owner.get(), module);
  std::string kept = "handler state";
  tray->OnMouseDown = [&, kept](QObject* sender, TMouseButton, TShiftState, int, int) {
    delete sender;
    log.push_back(kept);  // the handler's own state outlives the component
  };
  SendCallback(module, 1, kLeftButtonDown);
  EXPECT_TRUE(tray.isNull());
  EXPECT_THAT(log, ElementsAre("foreground", "handler state"));
  SendCallback(module, 1, kLeftButtonDown);
  EXPECT_EQ(log.size(), 2u);
}

TEST_F(TrayTest, RightButtonReleaseShowsThePopupMenuAtTheCursor) {
  auto* tray = new TTaskTrayMini(owner.get(), module);
  owner->show();
  SendCallback(module, 1, kRightButtonUp);
  EXPECT_THAT(log, IsEmpty());

  auto menu = std::make_unique<QMenu>();
  menu->addAction(QStringLiteral("item"));
  tray->SetPopupMenuR(menu.get());
  EXPECT_EQ(tray->PopupMenuR(), menu.get());
  SendCallback(module, 1, kRightButtonUp);
  EXPECT_THAT(log, ElementsAre("foreground"));
  EXPECT_TRUE(menu->isVisible());
  EXPECT_EQ(menu->pos(), QPoint(120, 90));
  menu->hide();

  // A destroyed menu is never shown: the reference reads empty and 517 does nothing.
  menu.reset();
  EXPECT_EQ(tray->PopupMenuR(), nullptr);
  log.clear();
  SendCallback(module, 1, kRightButtonUp);
  EXPECT_THAT(log, IsEmpty());
}

TEST_F(TrayTest, ComponentsShareOneCallbackWindowAndEachGetsOnlyItsOwnId) {
  auto secondOwner = std::make_unique<QWidget>();
  auto* first = new TTaskTrayMini(owner.get(), module);
  auto* second = new TTaskTrayMini(secondOwner.get(), module);
  first->OnMouseDown = Logging(log, "first");
  second->OnMouseDown = Logging(log, "second");
  first->SetIcon(kTrayAdd, QIcon(), "one");
  second->SetIcon(kTrayAdd, QIcon(), "two");

  TMyCallback* window = module.CallbackWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->parentWidget(), owner.get());
  EXPECT_EQ(window->size(), QSize(0, 0));
  EXPECT_EQ(first->IconData().hWnd, window);
  EXPECT_EQ(second->IconData().hWnd, window);

  shell.foregroundExpected = secondOwner.get();
  SendCallback(module, 2, kLeftButtonDown);
  EXPECT_THAT(log, ElementsAre("Add 1", "Add 2", "foreground", "second 0 8 120 90"));
  shell.foregroundExpected = owner.get();
  log.clear();
  SendCallback(module, 1, kLeftButtonDown);
  EXPECT_THAT(log, ElementsAre("foreground", "first 0 8 120 90"));
}

TEST_F(TrayTest, CallbackWindowIsMadeAgainAfterItsOwnerIsDestroyed) {
  new TTaskTrayMini(owner.get(), module);
  QPointer<TMyCallback> oldWindow = module.CallbackWindow();
  owner.reset();
  EXPECT_TRUE(oldWindow.isNull());
  EXPECT_EQ(module.CallbackWindow(), nullptr);

  auto laterOwner = std::make_unique<QWidget>();
  shell.foregroundExpected = laterOwner.get();
  auto* later = new TTaskTrayMini(laterOwner.get(), module);
  later->OnMouseUp = Logging(log, "up");
  later->SetIcon(kTrayAdd, QIcon(), "later");
  ASSERT_NE(module.CallbackWindow(), nullptr);
  EXPECT_EQ(module.CallbackWindow()->parentWidget(), laterOwner.get());
  EXPECT_EQ(later->IconData().hWnd, module.CallbackWindow());
  SendCallback(module, 2, kLeftButtonUp);
  EXPECT_THAT(log, ElementsAre("Add 2", "foreground", "up 0 8 120 90"));
}

// ---- The Qt shell ----

TEST(QtTrayShell, ShowsTheRecordAndTurnsActivationsIntoCallbackMessages) {
  QtTrayShell shell;
  TrayModule module(shell);
  QWidget owner;
  auto* tray = new TTaskTrayMini(&owner, module);
  Log log;
  SetAllEvents(*tray, log);

  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::blue);
  tray->SetIcon(kTrayAdd, QIcon(pixmap), QStringLiteral("Numira"));
  QSystemTrayIcon* icon = shell.IconFor(1);
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon->toolTip(), QStringLiteral("Numira"));
  EXPECT_FALSE(icon->icon().isNull());

  struct Case {
    QSystemTrayIcon::ActivationReason reason;
    std::vector<std::string> events;
  };
  const Case cases[] = {
      {QSystemTrayIcon::Trigger, {"down", "up"}},
      {QSystemTrayIcon::MiddleClick, {"mdown", "mup"}},
      {QSystemTrayIcon::DoubleClick, {"up"}},
      {QSystemTrayIcon::Context, {}},  // no popup menu
      {QSystemTrayIcon::Unknown, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.reason));
    log.clear();
    emit icon->activated(c.reason);
    QCoreApplication::sendPostedEvents();
    std::vector<std::string> names;
    for (const std::string& line : log) names.push_back(line.substr(0, line.find(' ')));
    EXPECT_EQ(names, c.events);
  }

  tray->SetIcon(kTrayModify, QIcon(pixmap), QStringLiteral("changed"));
  EXPECT_EQ(icon->toolTip(), QStringLiteral("changed"));
  tray->SetIcon(kTrayDelete, QIcon(pixmap), QStringLiteral("changed"));
  EXPECT_EQ(shell.IconFor(1), nullptr);
}

TEST(QtTrayShell, TipLeavesOutACharacterCutByTheByteLimit) {
  NotifyIconRecord record;
  const QByteArray tip = QString("a" + QString(22, QChar(0x30CA))).toUtf8().left(63);
  std::memcpy(record.szTip, tip.constData(), static_cast<std::size_t>(tip.size()));
  EXPECT_EQ(TipText(record), "a" + QString(20, QChar(0x30CA)));

  const QByteArray whole = QString(21, QChar(0x30CA)).toUtf8();  // exactly 63 bytes
  std::memcpy(record.szTip, whole.constData(), static_cast<std::size_t>(whole.size()));
  record.szTip[whole.size()] = '\0';
  EXPECT_EQ(TipText(record), QString(21, QChar(0x30CA)));
}

}  // namespace
}  // namespace numira
