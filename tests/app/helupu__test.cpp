// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// The readme window: its fixed text, its scaling and position rules, and its
// modal run, on the offscreen platform (one screen, 96 dpi).

#include "app/helupu_.h"

#include <QApplication>
#include <QTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace numira {
namespace {

QStringList MemoLines(const TFormvajon& window) {
  QStringList lines;
  for (QTextBlock block = window.Memo1->document()->begin(); block.isValid(); block = block.next()) {
    lines.append(block.text());
  }
  return lines;
}

TEST(ReadmeText, HoldsTheFortyThreeLinesExactly) {
  // The readme as designed. Exact lines are compared whole; the lines whose
  // wording is ours are held to their fixed parts.
  enum Match { Exact, Prefix, Suffix, AnyText };
  struct Line {
    Match match;
    const char* text;
  };
  const Line expected[] = {
      {Exact, "「Numira」V4.2"},
      {Exact, ""},
      {Exact, "小さくてシンプルな四則電卓です。"},
      {Exact, ""},
      {Exact, "表示窓のダブルクリックでフォームの拡大/縮小，"},
      {Exact, ""},
      {Exact, "テンキー入力もできます。"},
      {Exact, ""},
      {Exact, "【使用方法】"},
      {Exact, ""},
      {Exact, "任意のフォルダにkelto.exeを置いて実行するだけです。"},
      {Exact, ""},
      {Exact, "あとは普通の四則電卓と操作はいっしょです。"},
      {Exact, ""},
      {Exact, "注：連続計算ができますが，計算記号の優先順位はありません。"},
      {Exact, "入力した順に計算していきます。"},
      {Exact, ""},
      {Suffix, "。Windows10で動きます。"},
      {Exact, ""},
      {Exact, ""},
      {AnyText, "Numira"},  // free software, may be redistributed freely
      {Exact, ""},
      {AnyText, ""},  // a one-line notice
      {Exact, ""},
      {Exact, ""},
      {Exact, "変更履歴"},
      {Prefix, "1997/08/02 V1.0 初回原形("},
      {Exact, "1997/08/04 V1.1 微調整。"},
      {Exact, "1997/08/05 V1.2 微調整。"},
      {Exact, "1997/08/22 V1.3 バージョン情報追加。"},
      {Exact, "1997/08/26 V1.4 ★Windowsのフォントサイズを変えたときに"},
      {Exact, " 電卓のフォームにスクロールバーがついてしまうバグを修正。"},
      {Prefix, "1997/09/19 V1.5 ☆"},
      {Exact, "1997/09/23 V2.0 ☆√，πボタンをなくして、メモリー機能ボタン"},
      {Exact, " を追加し、キーボード入力に対応。"},
      {Prefix, "1998/12/25 V3.0 よりシンプルになって、"},
      {Prefix, "1999/12/02 V3.1 "},
      {Exact, " 指数表示の時に桁が多すぎて結果表示窓枠に"},
      {Exact, " 表示しきれなかったバグを訂正。"},
      {Exact, "2020/06/28 V4.0 入力履歴枠を追加。"},
      {Exact, "2022/01/30 V4.1 ボタンやウインドウの大きさを少し大きくした。計算結果の表示を"},
      {Exact, "3桁区切りの表示に変えた。"},
      {Exact, "2023/08/24 V4.2 iniフォームの位置をモニタ内に表示するようにした"},
  };
  static_assert(std::size(expected) == 43);

  TFormvajon window;
  const QStringList lines = MemoLines(window);
  ASSERT_EQ(lines.size(), 43);
  EXPECT_EQ(lines, ReadmeLines());
  for (int i = 0; i < 43; ++i) {
    SCOPED_TRACE("line " + std::to_string(i + 1));
    const QString want = QString::fromUtf8(expected[i].text);
    const QString& got = lines[i];
    switch (expected[i].match) {
      case Exact: EXPECT_EQ(got, want); break;
      case Prefix: EXPECT_TRUE(got.startsWith(want) && got.size() > want.size()) << got.toStdString(); break;
      case Suffix: EXPECT_TRUE(got.endsWith(want) && got.size() > want.size()) << got.toStdString(); break;
      case AnyText: EXPECT_TRUE(got.contains(want) && !got.trimmed().isEmpty()) << got.toStdString(); break;
    }
    EXPECT_FALSE(got.contains('\t'));
  }
  // The version history names no development product.
  for (int line : {27, 33, 36, 37}) EXPECT_TRUE(lines[line - 1].contains("開発ツール")) << line;
  // Line 18 names the compiler, which builds the Linux and the Windows program alike.
  EXPECT_TRUE(lines[17].startsWith("C++20 (g++ 12) で作りました。"));
}

TEST(ReadmeScaling, FontHeightFollowsTheScreenResolution) {
  const std::pair<int, int> cases[] = {{96, 15}, {120, 19}, {144, 23}, {72, 11}, {192, 30}, {100, 16}};
  for (const auto& [dpi, height] : cases) EXPECT_EQ(ReadmeFontHeight(dpi), height) << dpi;
}

TEST(ReadmeScaling, ClientAreaFollowsTheTextHeight) {
  const std::pair<int, QSize> cases[] = {
      {15, {526, 539}}, {16, {561, 575}}, {18, {631, 647}}, {12, {421, 431}}, {30, {1052, 1078}}};
  for (const auto& [height, size] : cases) EXPECT_EQ(ReadmeClientSize(height), size) << height;
}

// Two monitors side by side, the second one higher and smaller.
const QRect kLeftMonitor(0, 0, 1920, 1080);
const QRect kRightMonitor(1920, -200, 1365, 1024);
const QList<QRect> kMonitors{kLeftMonitor, kRightMonitor};

TEST(ReadmePosition, MonitorIsTheOneOverlappedMostOrTheNearest) {
  const std::pair<QRect, QRect> cases[] = {
      {{1800, 100, 300, 300}, kRightMonitor},  // 180 px on the right, 120 on the left
      {{1700, 100, 300, 300}, kLeftMonitor},
      {{4000, 0, 100, 100}, kRightMonitor},    // on none: the nearest
      {{-500, -500, 100, 100}, kLeftMonitor},
  };
  for (const auto& [frame, monitor] : cases) EXPECT_EQ(MonitorOf(frame, kMonitors), monitor) << frame.x();
  EXPECT_TRUE(MonitorOf({0, 0, 10, 10}, {}).isNull());
}

TEST(ReadmePosition, OpeningPlacesTheWindowByTheMainWindowsMonitor) {
  const QSize size(540, 580);  // the readme window's outer size
  const QRect onLeft(100, 100, 400, 300);
  const QRect onRight(2000, 0, 400, 300);
  struct Case {
    const char* what;
    bool first;
    QPoint readme;
    QRect main;
    QList<QRect> monitors;
    QPoint expected;
  };
  const Case cases[] = {
      {"first, centred", true, {0, 0}, onLeft, kMonitors, {690, 250}},
      {"first, centred on the other monitor, halves toward zero", true, {0, 0}, onRight, kMonitors,
       {2332, 22}},
      {"first, on a monitor smaller than the window", true, {0, 0}, {0, 0, 50, 50},
       {{0, 0, 501, 400}}, {-19, -90}},
      {"later, same monitor: kept", false, {30, 40}, onLeft, kMonitors, {30, 40}},
      {"later, kept even past the monitor's edge", false, {1500, 700}, onLeft, kMonitors, {1500, 700}},
      {"later, moved keeping the offset", false, {30, 40}, onRight, kMonitors, {1950, -160}},
      {"later, moved and pulled left and up", false, {1500, 700}, onRight, kMonitors, {2745, 244}},
      {"later, moved back to the first monitor", false, {2000, 0}, onLeft, kMonitors, {80, 200}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadmeOpeningPosition(c.first, QRect(c.readme, size), c.main, c.monitors), c.expected)
        << c.what;
  }
}

TEST(ReadmeWindow, IsAFixedDialogWithReadOnlyUnwrappedText) {
  TFormvajon window;
  EXPECT_EQ(window.windowTitle(), "Numira");
  const Qt::WindowFlags flags = window.windowFlags();
  EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);

  EXPECT_EQ(window.font().families().value(0), "ＭＳ Ｐゴシック");
  // The offscreen screen has 96 dpi: the window is as it was laid out.
  EXPECT_EQ(window.font().pixelSize(), 15);
  const QSize client(526, 539);
  EXPECT_EQ(window.size(), client);
  EXPECT_EQ(window.minimumSize(), client);
  EXPECT_EQ(window.maximumSize(), client);

  QTextEdit* memo = window.findChild<QTextEdit*>("Memo1");
  ASSERT_EQ(memo, window.Memo1);
  EXPECT_TRUE(memo->isReadOnly());
  EXPECT_EQ(memo->lineWrapMode(), QTextEdit::NoWrap);
  EXPECT_TRUE(memo->textInteractionFlags() & Qt::TextSelectableByKeyboard);
  EXPECT_EQ(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(memo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

  window.show();
  QCoreApplication::processEvents();
  EXPECT_EQ(memo->geometry(), window.rect());  // docked: fills the client area
  // Line 41 runs past the right edge, so the horizontal bar has room to move.
  EXPECT_GT(memo->horizontalScrollBar()->maximum(), 0);
  EXPECT_GT(memo->verticalScrollBar()->maximum(), 0);
  // Typing does not change the text.
  QTest::keyClicks(memo, "abc");
  EXPECT_EQ(memo->toPlainText(), ReadmeLines().join('\n'));
  window.hide();
}

TEST(ReadmeWindow, FirstOpeningCentresAndLaterOpeningsKeepPlaceAndScroll) {
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  QWidget mainWindow;
  mainWindow.setGeometry(20, 20, 200, 100);
  TFormvajon window;

  window.PrepareOpening(&mainWindow);
  window.show();
  const QSize outer = window.frameGeometry().size();
  EXPECT_EQ(window.frameGeometry().topLeft(),
            QPoint(screen.left() + (screen.width() - outer.width()) / 2,
                   screen.top() + (screen.height() - outer.height()) / 2));

  // The user moves the window and scrolls down to the history, then closes it.
  window.move(33, 44);
  QScrollBar* scroll = window.Memo1->verticalScrollBar();
  scroll->setValue(scroll->maximum());
  const int scrolled = scroll->value();
  ASSERT_GT(scrolled, 0);
  window.close();
  EXPECT_TRUE(window.isHidden());

  window.PrepareOpening(&mainWindow);
  window.show();
  EXPECT_EQ(window.frameGeometry().topLeft(), QPoint(33, 44));
  EXPECT_EQ(scroll->value(), scrolled);
  window.hide();
}

TEST(ReadmeWindow, RunsModallyAndClosingOnlyHides) {
  QWidget mainWindow;
  auto* button = new QPushButton("x", &mainWindow);
  mainWindow.show();
  QSignalSpy clicks(button, &QPushButton::clicked);
  // Another top-level window of the program, as the tray icon's is.
  QPushButton tray_icon("tray");
  tray_icon.show();
  QSignalSpy tray_clicks(&tray_icon, &QPushButton::clicked);
  TFormvajon window(&mainWindow);

  bool checked = false;
  // Runs inside the modal loop: looks around, then closes the window the way
  // the close box does. A watchdog ends the loop should that fail.
  QTimer::singleShot(0, &window, [&] {
    checked = true;
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), &window);
    EXPECT_EQ(window.windowModality(), Qt::WindowModal);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_EQ(QApplication::focusWidget(), window.Memo1);
    // Input for the main window arrives as the desktop delivers it, and is
    // blocked.
    QTest::mouseClick(mainWindow.windowHandle(), Qt::LeftButton, {}, button->geometry().center());
    QTest::keyClick(mainWindow.windowHandle(), Qt::Key_Space);
    EXPECT_EQ(clicks.count(), 0);
    // The tray icon still takes its clicks, so it can hide and show the main window.
    QTest::mouseClick(tray_icon.windowHandle(), Qt::LeftButton, {}, tray_icon.rect().center());
    EXPECT_EQ(tray_clicks.count(), 1);
    QTest::keyClick(window.Memo1, Qt::Key_Escape);  // Escape does not close it
    EXPECT_TRUE(window.isVisible());
    window.close();
  });
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, &window, [&] { window.done(QDialog::Rejected); });
  watchdog.start(5000);

  window.ShowModalFor(&mainWindow);
  EXPECT_TRUE(checked);
  EXPECT_TRUE(watchdog.isActive()) << "the window did not close itself";
  EXPECT_TRUE(window.isHidden());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  // Once the window is closed the main window takes input again.
  QTest::mouseClick(mainWindow.windowHandle(), Qt::LeftButton, {}, button->geometry().center());
  EXPECT_EQ(clicks.count(), 1);
  EXPECT_EQ(MemoLines(window).size(), 43);  // still there, only hidden
}

TEST(ReadmeWindow, MakerMakesItAfterTheFirstPaintOrWhenAskedBefore) {
  {
    // Covered by an opaque panel, as the program's window is, so the window
    // itself gets no paint event of its own.
    QWidget mainWindow;
    mainWindow.resize(100, 100);
    auto* panel = new QWidget(&mainWindow);
    panel->setAutoFillBackground(true);
    panel->setGeometry(0, 0, 100, 100);
    ReadmeWindowMaker maker(&mainWindow);
    EXPECT_EQ(Formvajon, nullptr);
    mainWindow.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&mainWindow));
    QTRY_VERIFY(Formvajon != nullptr);
    EXPECT_EQ(Formvajon->parentWidget(), &mainWindow);
    EXPECT_TRUE(Formvajon->isHidden());
  }
  EXPECT_EQ(Formvajon, nullptr);
  {
    // An opening before the main window has painted still finds the window.
    QWidget mainWindow;
    ReadmeWindowMaker maker(&mainWindow);
    TFormvajon* readme = ReadmeWindow();
    ASSERT_NE(readme, nullptr);
    EXPECT_EQ(readme, Formvajon);
    EXPECT_EQ(MemoLines(*readme).size(), 43);
    mainWindow.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&mainWindow));
    QApplication::processEvents();
    EXPECT_EQ(Formvajon, readme);  // made once
  }
  EXPECT_EQ(ReadmeWindow(), nullptr);
}

}  // namespace
}  // namespace numira
