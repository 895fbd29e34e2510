// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// The history panel's widget on its own: it shows a line store it does not
// copy, follows the newest line, never wraps, and selects and copies with
// the mouse and the keyboard like a read-only text field.

#include "app/history_view.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QLocale>
#include <QMenu>
#include <QTranslator>
#include <QScrollBar>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/accessibility.h"
#include "app/qt_texts.h"
#include "core/history_lines.h"

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
QT_END_NAMESPACE

namespace numira {

inline void PrintTo(const TextPosition& at, std::ostream* out) { *out << "{" << at.line << ", " << at.column << "}"; }

namespace {

class HistoryViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallAccessibleInterfaces();
    view_ = std::make_unique<HistoryView>(lines_);
    view_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    view_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    view_->resize(196, 203);  // the panel's size in the main window
    view_->show();
    view_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(view_.get()));
    view_->setFocus();
  }

  void Append(const std::string& line) {
    lines_.push_back(line);
    view_->LineAppended();
  }
  void Clear() {
    lines_.clear();
    view_->LinesCleared();
  }

  QWidget* Viewport() const { return view_->viewport(); }
  // The viewport point of a place in the text, halfway down its line.
  QPoint At(qsizetype line, qsizetype column) const {
    return view_->PointAt({line, column}) + QPoint(0, view_->fontMetrics().height() / 2);
  }
  void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(view_.get(), key, modifiers);
  }

  HistoryLines lines_;
  std::unique_ptr<HistoryView> view_;
};

// Whether any pixel in the given rows of the image differs from the panel's
// background: some text was drawn there.
bool InkInRows(const QImage& image, int top, int bottom, QRgb background) {
  for (int y = std::max(0, top); y < std::min(image.height(), bottom); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixel(x, y) != background) return true;
    }
  }
  return false;
}

TEST_F(HistoryViewTest, FollowsTheNewestLineAndPaintsOnlyTheLinesInSight) {
  for (int i = 1; i <= 200; ++i) Append(std::to_string(i) + "+");
  EXPECT_EQ(view_->LineCount(), 200);
  QScrollBar* vertical = view_->verticalScrollBar();
  EXPECT_EQ(vertical->value(), vertical->maximum());
  EXPECT_EQ(view_->FirstVisibleLine() + view_->VisibleLineCount(), 200);
  EXPECT_EQ(view_->LineText(199), "200+");

  // The newest line is drawn whole at the bottom; nothing below it.
  const int height = view_->fontMetrics().height();
  const int bottom_of_last = view_->PointAt({199, 0}).y() + height;
  EXPECT_LE(bottom_of_last, Viewport()->height());
  const QImage image = Viewport()->grab().toImage();
  const QRgb background = view_->palette().base().color().rgb();
  EXPECT_TRUE(InkInRows(image, bottom_of_last - height, bottom_of_last, background));
  EXPECT_FALSE(InkInRows(image, bottom_of_last + 1, image.height(), background));

  // Scrolled to the top, the first line is in sight and "1+" is painted there.
  vertical->setValue(0);
  EXPECT_EQ(view_->PositionAt(At(0, 1)), (TextPosition{0, 1}));
  const QImage top = Viewport()->grab().toImage();
  EXPECT_TRUE(InkInRows(top, HistoryView::kTextMargin, HistoryView::kTextMargin + height, background));
  EXPECT_NE(top, image);

  // A new line brings the view back down to it.
  Append("=7.00000");
  EXPECT_EQ(vertical->value(), vertical->maximum());
  EXPECT_EQ(view_->FirstVisibleLine() + view_->VisibleLineCount(), 201);
}

TEST_F(HistoryViewTest, LongLinesScrollSidewaysInsteadOfWrapping) {
  QScrollBar* horizontal = view_->horizontalScrollBar();
  Append("12+");
  EXPECT_EQ(horizontal->maximum(), 0);
  const std::string operand(400, '7');
  Append(operand + "+");
  EXPECT_EQ(view_->LineCount(), 2);
  const int advance = view_->fontMetrics().horizontalAdvance(QString::fromStdString(operand + "+"));
  EXPECT_EQ(horizontal->maximum(), advance + 1 + 2 * HistoryView::kTextMargin - Viewport()->width());
  // The line's end is reached by scrolling, not on a second row.
  Press(Qt::Key_Down);
  Press(Qt::Key_End);
  EXPECT_EQ(view_->CursorPosition(), (TextPosition{1, 401}));
  EXPECT_EQ(horizontal->value(), horizontal->maximum());
  EXPECT_EQ(view_->PositionAt(At(1, 401) + QPoint(40, 0)), (TextPosition{1, 401}));
  EXPECT_EQ(view_->PositionAt(At(1, 401) + QPoint(0, view_->fontMetrics().height())), (TextPosition{1, 401}));

  // Clearing forgets the widest line and every position.
  Clear();
  EXPECT_EQ(horizontal->maximum(), 0);
  EXPECT_EQ(view_->CursorPosition(), (TextPosition{0, 0}));
  EXPECT_FALSE(view_->HasSelection());
  EXPECT_EQ(view_->toPlainText(), "");
}

TEST_F(HistoryViewTest, MouseSelectsByDragShiftClickAndDoubleClick) {
  for (const char* line : {"12+", "3", "=15.00000"}) Append(line);

  QTest::mousePress(Viewport(), Qt::LeftButton, {}, At(0, 1));
  QTest::mouseMove(Viewport(), At(2, 4));
  QTest::mouseRelease(Viewport(), Qt::LeftButton, {}, At(2, 4));
  EXPECT_EQ(view_->SelectedText(), "2+\n3\n=15.");

  // Shift+click moves the selection's far end; the anchor stays.
  QTest::mouseClick(Viewport(), Qt::LeftButton, Qt::ShiftModifier, At(1, 0));
  EXPECT_EQ(view_->SelectedText(), "2+\n");

  // A double-click takes the whole number, separators and all.
  QTest::mouseDClick(Viewport(), Qt::LeftButton, {}, At(2, 5));
  EXPECT_EQ(view_->SelectedText(), "15.00000");

  // A right click keeps the selection (its menu copies it); a plain click
  // drops it.
  QTest::mouseClick(Viewport(), Qt::RightButton, {}, At(0, 0));
  EXPECT_EQ(view_->SelectedText(), "15.00000");
  if (QWidget* menu = QApplication::activePopupWidget()) menu->close();
  QTest::mouseClick(Viewport(), Qt::LeftButton, {}, At(1, 1));
  EXPECT_FALSE(view_->HasSelection());
  EXPECT_EQ(view_->CursorPosition(), (TextPosition{1, 1}));
}

TEST_F(HistoryViewTest, DragHeldBelowThePanelScrollsAndExtends) {
  for (int i = 0; i < 100; ++i) Append(std::to_string(i));
  view_->verticalScrollBar()->setValue(0);
  QTest::mousePress(Viewport(), Qt::LeftButton, {}, At(0, 0));
  QTest::mouseMove(Viewport(), QPoint(20, Viewport()->height() + 10));
  QTRY_VERIFY(view_->FirstVisibleLine() > 20);
  QTest::mouseRelease(Viewport(), Qt::LeftButton, {}, QPoint(20, Viewport()->height() + 10));
  const qsizetype first = view_->FirstVisibleLine();
  EXPECT_GE(view_->CursorPosition().line, first);
  EXPECT_TRUE(view_->SelectedText().startsWith("0\n1\n2\n"));
  // Released, it stops.
  QTest::qWait(150);
  EXPECT_EQ(view_->FirstVisibleLine(), first);
}

TEST_F(HistoryViewTest, KeyboardMovesTheCaretAndExtendsWithShift) {
  for (const char* line : {"12+", "3", "=15.00000"}) Append(line);
  Press(Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(view_->CursorPosition(), (TextPosition{0, 0}));

  struct Step {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    TextPosition caret;
    const char* selected;
  };
  // Left and Right cross line ends (with Ctrl, by words: "15", "." and
  // "00000" are three); Up and Down keep the column where the line is long
  // enough; Shift extends from where the selection began.
  const Step steps[] = {
      {Qt::Key_End, Qt::NoModifier, {0, 3}, ""},
      {Qt::Key_Right, Qt::NoModifier, {1, 0}, ""},
      {Qt::Key_Left, Qt::NoModifier, {0, 3}, ""},
      {Qt::Key_Down, Qt::ShiftModifier, {1, 1}, "\n3"},
      {Qt::Key_Down, Qt::ShiftModifier, {2, 1}, "\n3\n="},
      {Qt::Key_End, Qt::ShiftModifier, {2, 9}, "\n3\n=15.00000"},
      {Qt::Key_Left, Qt::ShiftModifier | Qt::ControlModifier, {2, 4}, "\n3\n=15."},
      {Qt::Key_Left, Qt::ShiftModifier | Qt::ControlModifier, {2, 3}, "\n3\n=15"},
      {Qt::Key_Left, Qt::ShiftModifier | Qt::ControlModifier, {2, 1}, "\n3\n="},
      {Qt::Key_Up, Qt::NoModifier, {1, 1}, ""},
      {Qt::Key_PageDown, Qt::NoModifier, {2, 1}, ""},
      {Qt::Key_PageUp, Qt::ShiftModifier, {0, 1}, "2+\n3\n="},
      {Qt::Key_End, Qt::ControlModifier, {2, 9}, ""},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(QKeySequence(step.key | step.modifiers).toString().toStdString());
    Press(step.key, step.modifiers);
    EXPECT_EQ(view_->CursorPosition(), step.caret);
    EXPECT_EQ(view_->SelectedText(), step.selected);
  }
  // Keys that are not the panel's go on to the window.
  QKeyEvent digit(QEvent::KeyPress, Qt::Key_5, Qt::NoModifier, "5");
  QApplication::sendEvent(view_.get(), &digit);
  EXPECT_FALSE(digit.isAccepted());
  EXPECT_EQ(view_->toPlainText(), "12+\n3\n=15.00000");
}

TEST_F(HistoryViewTest, SelectAllAndCopyTakeEveryLine) {
  QApplication::clipboard()->setText("before");
  Press(Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "before");  // nothing selected, nothing copied

  for (const char* line : {"", "=", "12,345.00000*"}) Append(line);
  Press(Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(view_->SelectedText(), "\n=\n12,345.00000*");
  Press(Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "\n=\n12,345.00000*");
}

// Page Up/Down move by what the panel shows and keep the caret in sight.
TEST_F(HistoryViewTest, PagesKeepTheCaretInSight) {
  for (int i = 0; i < 60; ++i) Append(std::to_string(i));
  const qsizetype page = view_->VisibleLineCount();
  ASSERT_GT(page, 3);
  Press(Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(view_->FirstVisibleLine(), 0);
  for (int i = 1; i <= 3; ++i) {
    Press(Qt::Key_PageDown);
    EXPECT_EQ(view_->CursorPosition().line, i * page);
    EXPECT_LE(view_->FirstVisibleLine(), i * page);
    EXPECT_LT(i * page, view_->FirstVisibleLine() + page);
  }
}

// What a screen reader reads: the lines joined with "\n", counted in UTF-16
// (a no-break space is two bytes in the store but one character here).
TEST_F(HistoryViewTest, ScreenReadersReadTheLinesAsOneText) {
  for (const char* line : {"12+", "3", "=1\u00a0500,00000"}) Append(line);
  QAccessibleInterface* panel = QAccessible::queryAccessibleInterface(view_.get());
  ASSERT_NE(panel, nullptr);
  QAccessibleTextInterface* text = panel->textInterface();
  ASSERT_NE(text, nullptr);
  EXPECT_TRUE(panel->state().readOnly && panel->state().multiLine);
  const QString whole = QString::fromUtf8("12+\n3\n=1\u00a0500,00000");
  EXPECT_EQ(text->characterCount(), whole.size());
  EXPECT_EQ(text->text(0, text->characterCount()), whole);
  EXPECT_EQ(text->text(2, 9), "+\n3\n=1\u00a0");

  // Lines, words and characters around an offset, read from its line only.
  struct Around {
    int offset;
    QAccessible::TextBoundaryType boundary;
    QString at, before, after;
  };
  const Around cases[] = {
      {4, QAccessible::LineBoundary, "3\n", "12+\n", QString::fromUtf8("=1\u00a0500,00000")},
      {0, QAccessible::LineBoundary, "12+\n", "", "3\n"},
      {7, QAccessible::WordBoundary, "1", "=", QString::fromUtf8("\u00a0")},
      {3, QAccessible::CharBoundary, "\n", "+", "3"},
  };
  for (const Around& around : cases) {
    SCOPED_TRACE(around.offset);
    int from = -1, to = -1;
    EXPECT_EQ(text->textAtOffset(around.offset, around.boundary, &from, &to), around.at);
    EXPECT_EQ(text->text(from, to), around.at);
    EXPECT_EQ(text->textBeforeOffset(around.offset, around.boundary, &from, &to), around.before);
    EXPECT_EQ(text->textAfterOffset(around.offset, around.boundary, &from, &to), around.after);
  }

  // Offsets and the panel's own selection are one and the same.
  view_->Select({0, 1}, {2, 3});
  int start = -1, end = -1;
  text->selection(0, &start, &end);
  EXPECT_EQ(std::pair(start, end), std::pair(1, 9));
  EXPECT_EQ(text->cursorPosition(), 9);
  text->setSelection(0, 4, 8);
  EXPECT_EQ(view_->SelectedText(), "3\n=1");
  text->setCursorPosition(6);
  EXPECT_EQ(view_->CursorPosition(), (TextPosition{2, 0}));
  EXPECT_FALSE(view_->HasSelection());
  EXPECT_EQ(text->offsetAtPoint(Viewport()->mapToGlobal(At(2, 2))), 8);

  // A cleared tape is counted afresh.
  Clear();
  Append("=");
  EXPECT_EQ(text->characterCount(), 1);
  EXPECT_EQ(text->text(0, 1), "=");
  EXPECT_EQ(text->cursorPosition(), 0);
}

// With Qt's Japanese translation loaded, the right-click menu speaks Japanese.
TEST_F(HistoryViewTest, ContextMenuTakesQtsOwnTranslation) {
  if (!LoadQtTexts(QLocale(QLocale::Japanese, QLocale::Japan))) GTEST_SKIP() << "qt6-translations-l10n is missing";
  Append("12+");
  QContextMenuEvent event(QContextMenuEvent::Mouse, At(0, 1), Viewport()->mapToGlobal(At(0, 1)));
  QApplication::sendEvent(Viewport(), &event);
  auto* menu = view_->findChild<QMenu*>();
  ASSERT_NE(menu, nullptr);
  QStringList texts;
  for (QAction* action : menu->actions()) {
    if (!action->isSeparator()) texts << action->text();
  }
  menu->close();
  for (QTranslator* translator : QCoreApplication::instance()->findChildren<QTranslator*>()) {
    QCoreApplication::removeTranslator(translator);
    delete translator;
  }
  EXPECT_EQ(texts, (QStringList{QString::fromUtf8("コピー(&C)"), QString::fromUtf8("すべてを選択")}));
}

}  // namespace
}  // namespace numira
