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

#include "app/fonts.h"

namespace numira {
namespace {

QStringList MemoLines(const TFormvajon& window) {
  QStringList lines;
  for (QTextBlock block = window.Memo1->document()->begin(); block.isValid(); block = block.next()) {
    lines.append(block.text());
  }
  return lines;
}

TEST(ReadmeWindow, IsAFixedDialogWithReadOnlyUnwrappedText) {
  TFormvajon window;
  EXPECT_EQ(window.windowTitle(), "Numira");
  const Qt::WindowFlags flags = window.windowFlags();
  EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);

  // "ＭＳ Ｐゴシック", as this machine draws it.
  EXPECT_EQ(window.font().families().value(0), platform::InstalledFontFamily(QStringLiteral("ＭＳ Ｐゴシック")));
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

TEST(ReadmeWindow, MakerMakesItAtTheFirstOpeningOnly) {
  QWidget mainWindow;
  ReadmeWindowMaker maker(&mainWindow);
  mainWindow.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&mainWindow));
  QApplication::processEvents();
  EXPECT_EQ(maker.Window(), nullptr);  // not before it is asked for
  TFormvajon* readme = maker.Make();
  ASSERT_NE(readme, nullptr);
  EXPECT_EQ(readme->parentWidget(), &mainWindow);
  EXPECT_TRUE(readme->isHidden());
  EXPECT_EQ(MemoLines(*readme).size(), 43);
  EXPECT_EQ(maker.Make(), readme);  // made once
}

}  // namespace
}  // namespace numira
