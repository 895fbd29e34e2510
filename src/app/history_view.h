// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// The history panel's widget: a read-only, unwrapped, scrollable view of the
// tape's lines that paints them straight from the tape's own store. It keeps
// no copy and no per-line layout, so a line costs the panel nothing beyond
// the tape's bytes, however long the session runs; only the lines in sight
// are laid out, at each paint.
//
// Like a read-only multi-line edit it has a caret, a selection made with the
// mouse (drag, Shift+click, double-click for a word) or the keyboard (arrow
// keys, Page Up/Down, End, Ctrl+Home/End, Shift to extend, Ctrl+A), copies
// with Ctrl+C and its context menu, and offers a mouse selection as the X11
// primary selection. It never changes the text. Screen readers read it as
// one text, lines joined with "\n" (accessibility.cpp), and hear every
// appended line as inserted text.

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QString>

#include <algorithm>
#include <compare>
#include <limits>

class QTextLayout;

namespace numira {

class HistoryLines;

// Positions and counts of the text are qsizetype throughout. Qt's calls that
// take an int (text layouts, scroll bars, the accessibility interfaces) get
// this: the value, held to int's range rather than wrapped round, so a text
// past 2^31 code units reads as ending there, never as a negative offset.
inline int QtInt(qsizetype value) {
  constexpr qsizetype kLowest = std::numeric_limits<int>::min();
  constexpr qsizetype kHighest = std::numeric_limits<int>::max();
  return static_cast<int>(std::clamp(value, kLowest, kHighest));
}

// A place in the text: a line, and a position between two characters of it
// (UTF-16 code units, as Qt counts them).
struct TextPosition {
  qsizetype line = 0;
  qsizetype column = 0;
  friend auto operator<=>(const TextPosition&, const TextPosition&) = default;
};

class HistoryView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  // Shows `lines`, which must outlive the view. The owner tells the view of
  // every change through LineAppended and LinesCleared.
  explicit HistoryView(const HistoryLines& lines, QWidget* parent = nullptr);

  // The store has one more line at its end: the view makes room for it and
  // scrolls down to it, so the tape follows its newest line.
  void LineAppended();
  // The store lost every line: caret, selection and scrolling start over.
  void LinesCleared();

  qsizetype LineCount() const;
  QString LineText(qsizetype line) const;
  // Every line, joined with "\n".
  QString toPlainText() const;

  // The length of toPlainText() in UTF-16 code units, kept as lines come.
  qsizetype TextLength() const { return text_length_; }
  // Goes up at every LinesCleared, so a reader of positions knows when the
  // lines it counted are gone.
  qsizetype ClearCount() const { return clear_count_; }

  TextPosition CursorPosition() const { return cursor_; }
  TextPosition SelectionAnchor() const { return anchor_; }
  // Selects from `anchor` to `cursor` (the caret), as a Shift+click would.
  void Select(TextPosition anchor, TextPosition cursor);
  // Scrolls so that `position` is in sight.
  void EnsureVisible(TextPosition position);
  bool HasSelection() const { return anchor_ != cursor_; }
  // The selected text, lines joined with "\n".
  QString SelectedText() const;
  void SelectAll();
  // Puts the selection on the clipboard; without a selection nothing changes.
  void Copy() const;

  // The first line in sight (the vertical scroll position) and how many
  // lines fit in the viewport whole.
  qsizetype FirstVisibleLine() const;
  qsizetype VisibleLineCount() const;
  // Where `position` lies in viewport coordinates: the caret's top.
  QPoint PointAt(TextPosition position) const;
  // The position whose caret is nearest to `point` (viewport coordinates).
  TextPosition PositionAt(QPoint point) const;

  // Space between the viewport's edges and the text.
  static constexpr int kTextMargin = 4;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void changeEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void timerEvent(QTimerEvent* event) override;

 private:
  int LineHeight() const;
  // Lays `text` out as one unwrapped line in the view's font.
  void LayOut(QTextLayout& layout) const;
  void UpdateScrollBars();
  // Moves the caret; the anchor follows unless the selection is extended.
  void MoveCursor(TextPosition to, bool extend_selection);
  // The position one step left or right of the caret (a character, or a word
  // with Ctrl), crossing line ends.
  TextPosition Step(TextPosition from, bool forward, bool by_word) const;
  TextPosition EndOfLine(qsizetype line) const;
  // Tells a listening screen reader where the caret (and selection) went.
  void TellOfCaret(bool selection_changed);
  void RestartCaretBlink();
  void OfferPrimarySelection() const;

  const HistoryLines& lines_;
  TextPosition anchor_;
  TextPosition cursor_;
  // The widest line's advance in pixels, for the horizontal scroll range.
  int widest_ = 0;
  qsizetype text_length_ = 0;
  qsizetype clear_count_ = 0;
  bool caret_shown_ = false;
  bool dragging_ = false;
  QPoint drag_point_;
  QBasicTimer caret_blink_;
  QBasicTimer drag_scroll_;
};

}  // namespace numira
