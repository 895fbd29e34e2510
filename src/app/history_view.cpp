// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "app/history_view.h"

#include <QAccessible>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <QTextBoundaryFinder>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <utility>

#include "app/qt_texts.h"
#include "core/history_lines.h"

namespace numira {
namespace {

// Wide enough for any line: with wrapping off a line keeps all its text, and
// the width only has to stay inside the layout's fixed-point range.
constexpr qreal kUnboundedLineWidth = 16'000'000;
// How often a drag held above or below the panel scrolls it by one line.
constexpr int kDragScrollMilliseconds = 50;
// The most text one removal event names: a cleared tape is told of in
// pieces of this many code units.
constexpr qsizetype kRemovedTextPiece = qsizetype{1} << 16;

std::pair<TextPosition, TextPosition> Ordered(TextPosition a, TextPosition b) {
  return a < b ? std::pair{a, b} : std::pair{b, a};
}

}  // namespace

HistoryView::HistoryView(const HistoryLines& lines, QWidget* parent) : QAbstractScrollArea(parent), lines_(lines) {
  viewport()->setCursor(Qt::IBeamCursor);
  verticalScrollBar()->setSingleStep(1);
  UpdateScrollBars();
}

qsizetype HistoryView::LineCount() const { return static_cast<qsizetype>(lines_.size()); }

QString HistoryView::LineText(qsizetype line) const {
  if (line < 0 || line >= LineCount()) return {};
  const std::string_view text = lines_[static_cast<std::size_t>(line)];
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString HistoryView::toPlainText() const {
  QString text;
  for (qsizetype line = 0; line < LineCount(); ++line) {
    if (line > 0) text += QLatin1Char('\n');
    text += LineText(line);
  }
  return text;
}

void HistoryView::LineAppended() {
  const QString line = LineText(LineCount() - 1);
  widest_ = std::max(widest_, fontMetrics().horizontalAdvance(line));
  // Every line after the first comes with the line break before it.
  const QString inserted = LineCount() > 1 ? QLatin1Char('\n') + line : line;
  const qsizetype at = text_length_;
  text_length_ += inserted.size();
  UpdateScrollBars();
  verticalScrollBar()->setValue(verticalScrollBar()->maximum());
  viewport()->update();
  if (QAccessible::isActive()) {
    QAccessibleTextInsertEvent event(this, QtInt(at), inserted);
    QAccessible::updateAccessibility(&event);
  }
}

void HistoryView::LinesCleared() {
  const qsizetype removed = std::exchange(text_length_, 0);
  ++clear_count_;
  anchor_ = cursor_ = TextPosition{};
  widest_ = 0;
  dragging_ = false;
  drag_scroll_.stop();
  UpdateScrollBars();
  viewport()->update();
  if (QAccessible::isActive()) {
    // The lines are gone from the store already; the events still say how
    // much text went, in pieces of a bounded size from the start, so that a
    // long tape is never copied whole (a reader gets the removed text along
    // with its length).
    for (qsizetype left = removed; left > 0; left -= kRemovedTextPiece) {
      QAccessibleTextRemoveEvent event(this, 0, QString(std::min(left, kRemovedTextPiece), QLatin1Char(' ')));
      QAccessible::updateAccessibility(&event);
    }
  }
}

QString HistoryView::SelectedText() const {
  const auto [start, end] = Ordered(anchor_, cursor_);
  QString text;
  for (qsizetype line = start.line; line <= end.line && line < LineCount(); ++line) {
    const QString whole = LineText(line);
    const qsizetype from = line == start.line ? start.column : 0;
    const qsizetype to = line == end.line ? end.column : whole.size();
    text += whole.mid(from, to - from);
    if (line < end.line) text += QLatin1Char('\n');
  }
  return text;
}

void HistoryView::SelectAll() {
  anchor_ = TextPosition{};
  cursor_ = EndOfLine(std::max<qsizetype>(0, LineCount() - 1));
  OfferPrimarySelection();
  viewport()->update();
  if (QAccessible::isActive()) TellOfCaret(true);
}

void HistoryView::Copy() const {
  if (HasSelection()) QGuiApplication::clipboard()->setText(SelectedText());
}

void HistoryView::OfferPrimarySelection() const {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (HasSelection() && clipboard->supportsSelection()) clipboard->setText(SelectedText(), QClipboard::Selection);
}

int HistoryView::LineHeight() const { return std::max(1, fontMetrics().height()); }

qsizetype HistoryView::FirstVisibleLine() const { return verticalScrollBar()->value(); }

qsizetype HistoryView::VisibleLineCount() const {
  return std::max(1, (viewport()->height() - kTextMargin) / LineHeight());
}

void HistoryView::LayOut(QTextLayout& layout) const {
  QTextOption option;
  option.setWrapMode(QTextOption::NoWrap);
  layout.setTextOption(option);
  layout.setFont(font());
  layout.beginLayout();
  QTextLine line = layout.createLine();
  if (line.isValid()) line.setLineWidth(kUnboundedLineWidth);
  layout.endLayout();
}

QPoint HistoryView::PointAt(TextPosition position) const {
  QTextLayout layout(LineText(position.line));
  LayOut(layout);
  const qreal x = layout.lineAt(0).cursorToX(QtInt(position.column));
  return {kTextMargin - horizontalScrollBar()->value() + QtInt(std::llround(x)),
          QtInt(kTextMargin + (position.line - FirstVisibleLine()) * LineHeight())};
}

TextPosition HistoryView::PositionAt(QPoint point) const {
  if (LineCount() == 0) return {};
  const auto rows = static_cast<qsizetype>(std::floor(static_cast<double>(point.y() - kTextMargin) / LineHeight()));
  const qsizetype line = std::clamp<qsizetype>(FirstVisibleLine() + rows, 0, LineCount() - 1);
  QTextLayout layout(LineText(line));
  LayOut(layout);
  const qreal x = point.x() - kTextMargin + horizontalScrollBar()->value();
  return {line, layout.lineAt(0).xToCursor(x)};
}

TextPosition HistoryView::EndOfLine(qsizetype line) const { return {line, LineText(line).size()}; }

TextPosition HistoryView::Step(TextPosition from, bool forward, bool by_word) const {
  QTextLayout layout(LineText(from.line));
  LayOut(layout);
  const auto mode = by_word ? QTextLayout::SkipWords : QTextLayout::SkipCharacters;
  const int column = QtInt(from.column);
  if (forward) {
    if (from.column < layout.text().size()) return {from.line, layout.nextCursorPosition(column, mode)};
    return from.line + 1 < LineCount() ? TextPosition{from.line + 1, 0} : from;
  }
  if (from.column > 0) return {from.line, layout.previousCursorPosition(column, mode)};
  return from.line > 0 ? EndOfLine(from.line - 1) : from;
}

void HistoryView::UpdateScrollBars() {
  const qsizetype visible = VisibleLineCount();
  QScrollBar* vertical = verticalScrollBar();
  vertical->setPageStep(QtInt(visible));
  vertical->setRange(0, QtInt(std::max<qsizetype>(0, LineCount() - visible)));
  // The text, the caret after the longest line, and a margin either side.
  QScrollBar* horizontal = horizontalScrollBar();
  const int width = viewport()->width();
  horizontal->setSingleStep(std::max(1, fontMetrics().averageCharWidth() * 2));
  horizontal->setPageStep(std::max(1, width));
  horizontal->setRange(0, std::max(0, widest_ + 1 + 2 * kTextMargin - width));
}

void HistoryView::MoveCursor(TextPosition to, bool extend_selection) {
  const bool had_selection = HasSelection();
  cursor_ = to;
  if (!extend_selection) anchor_ = to;
  EnsureVisible(cursor_);
  RestartCaretBlink();
  if (extend_selection) OfferPrimarySelection();
  viewport()->update();
  if (QAccessible::isActive()) TellOfCaret(had_selection || HasSelection());
}

void HistoryView::TellOfCaret(bool selection_changed) {
  // Positions in the whole text are the accessible interface's to count.
  QAccessibleInterface* self = QAccessible::queryAccessibleInterface(this);
  QAccessibleTextInterface* text = self != nullptr ? self->textInterface() : nullptr;
  if (text == nullptr) return;
  if (selection_changed) {
    int start = text->cursorPosition();
    int end = start;
    if (text->selectionCount() > 0) text->selection(0, &start, &end);
    QAccessibleTextSelectionEvent selection(this, start, end);
    QAccessible::updateAccessibility(&selection);
  }
  QAccessibleTextCursorEvent caret(this, text->cursorPosition());
  QAccessible::updateAccessibility(&caret);
}

void HistoryView::Select(TextPosition anchor, TextPosition cursor) {
  anchor_ = anchor;
  MoveCursor(cursor, true);
}

void HistoryView::EnsureVisible(TextPosition position) {
  QScrollBar* vertical = verticalScrollBar();
  const qsizetype first = FirstVisibleLine();
  const qsizetype visible = VisibleLineCount();
  if (position.line < first) {
    vertical->setValue(QtInt(position.line));
  } else if (position.line >= first + visible) {
    vertical->setValue(QtInt(position.line - visible + 1));
  }
  QScrollBar* horizontal = horizontalScrollBar();
  const int x = PointAt(position).x();  // in the viewport
  const int width = viewport()->width();
  if (x < kTextMargin) {
    horizontal->setValue(horizontal->value() + x - kTextMargin);
  } else if (x + 1 > width - kTextMargin) {
    horizontal->setValue(horizontal->value() + x + 1 + kTextMargin - width);
  }
}

void HistoryView::RestartCaretBlink() {
  caret_shown_ = hasFocus();
  const int flash = QGuiApplication::styleHints()->cursorFlashTime();
  if (hasFocus() && flash > 0) {
    caret_blink_.start(flash / 2, this);
  } else {
    caret_blink_.stop();
  }
}

void HistoryView::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  painter.setPen(palette().text().color());
  const int height = LineHeight();
  const QRect dirty = event->rect();
  const qsizetype first = FirstVisibleLine();
  // Only the lines that cross the part to repaint are laid out; an empty
  // panel still has its one empty line for the caret.
  const qsizetype shown = std::max<qsizetype>(1, LineCount());
  const qsizetype top = first + std::max(0, (dirty.top() - kTextMargin) / height);
  const qsizetype bottom = std::min(shown - 1, first + std::max(0, (dirty.bottom() - kTextMargin) / height));

  const auto [start, end] = Ordered(anchor_, cursor_);
  QTextCharFormat selected;
  selected.setBackground(palette().highlight());
  selected.setForeground(palette().highlightedText());

  for (qsizetype line = top; line <= bottom; ++line) {
    QTextLayout layout(LineText(line));
    LayOut(layout);
    const QPointF origin(kTextMargin - horizontalScrollBar()->value(),
                         kTextMargin + static_cast<qreal>(line - first) * height);
    QList<QTextLayout::FormatRange> selections;
    if (HasSelection() && line >= start.line && line <= end.line) {
      const qsizetype from = line == start.line ? start.column : 0;
      const qsizetype to = line == end.line ? end.column : layout.text().size();
      if (to > from) selections.append({QtInt(from), QtInt(to - from), selected});
      // A selection that goes on past this line's end shows its line break.
      if (line < end.line) {
        const qreal after = origin.x() + layout.lineAt(0).naturalTextWidth();
        painter.fillRect(QRectF(after, origin.y(), fontMetrics().horizontalAdvance(QLatin1Char(' ')), height),
                         palette().highlight());
      }
    }
    layout.draw(&painter, origin, selections);
    if (caret_shown_ && line == cursor_.line) layout.drawCursor(&painter, origin, QtInt(cursor_.column));
  }
}

void HistoryView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
}

void HistoryView::scrollContentsBy(int, int) {
  // The vertical scroll counts lines, not pixels: repaint rather than shift.
  viewport()->update();
}

void HistoryView::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    widest_ = 0;
    const QFontMetrics metrics = fontMetrics();
    for (qsizetype line = 0; line < LineCount(); ++line) {
      widest_ = std::max(widest_, metrics.horizontalAdvance(LineText(line)));
    }
    UpdateScrollBars();
    viewport()->update();
  }
}

void HistoryView::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::SelectAll)) {
    SelectAll();
    return;
  }
  if (event->matches(QKeySequence::Copy)) {
    Copy();
    return;
  }
  const bool extend = event->modifiers() & Qt::ShiftModifier;
  const bool control = event->modifiers() & Qt::ControlModifier;
  const qsizetype last = std::max<qsizetype>(0, LineCount() - 1);
  const auto column_on = [this](qsizetype line) {
    return TextPosition{line, std::min(cursor_.column, LineText(line).size())};
  };
  TextPosition to = cursor_;
  switch (event->key()) {
    case Qt::Key_Left: to = Step(cursor_, false, control); break;
    case Qt::Key_Right: to = Step(cursor_, true, control); break;
    case Qt::Key_Up: to = column_on(std::max<qsizetype>(0, cursor_.line - 1)); break;
    case Qt::Key_Down: to = column_on(std::min(last, cursor_.line + 1)); break;
    case Qt::Key_PageUp: to = column_on(std::max<qsizetype>(0, cursor_.line - VisibleLineCount())); break;
    case Qt::Key_PageDown: to = column_on(std::min(last, cursor_.line + VisibleLineCount())); break;
    case Qt::Key_Home: to = control ? TextPosition{} : TextPosition{cursor_.line, 0}; break;
    case Qt::Key_End: to = EndOfLine(control ? last : cursor_.line); break;
    default:
      // Not a key of the panel's: it goes on to the window.
      event->ignore();
      return;
  }
  MoveCursor(to, extend);
}

void HistoryView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    // Another button keeps the selection (the context menu copies it).
    QAbstractScrollArea::mousePressEvent(event);
    return;
  }
  drag_point_ = event->position().toPoint();
  dragging_ = true;
  MoveCursor(PositionAt(drag_point_), event->modifiers() & Qt::ShiftModifier);
}

void HistoryView::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_ || !(event->buttons() & Qt::LeftButton)) return;
  drag_point_ = event->position().toPoint();
  MoveCursor(PositionAt(drag_point_), true);
  // Held above or below the panel, the drag goes on scrolling line by line.
  const bool outside = drag_point_.y() < 0 || drag_point_.y() >= viewport()->height();
  if (outside && !drag_scroll_.isActive()) {
    drag_scroll_.start(kDragScrollMilliseconds, this);
  } else if (!outside) {
    drag_scroll_.stop();
  }
}

void HistoryView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !dragging_) return;
  dragging_ = false;
  drag_scroll_.stop();
  OfferPrimarySelection();
}

void HistoryView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || LineCount() == 0) return;
  // The word under the pointer: a number such as 15.00000 is one word.
  const TextPosition at = PositionAt(event->position().toPoint());
  const QString text = LineText(at.line);
  QTextBoundaryFinder finder(QTextBoundaryFinder::Word, text);
  finder.setPosition(at.column);
  qsizetype start = at.column;
  if (!(finder.boundaryReasons() & QTextBoundaryFinder::StartOfItem)) {
    start = std::max<qsizetype>(0, finder.toPreviousBoundary());
  }
  finder.setPosition(at.column);
  qsizetype end = at.column;
  if (!(finder.boundaryReasons() & QTextBoundaryFinder::EndOfItem) || end == start) {
    end = finder.toNextBoundary();
    if (end < 0) end = text.size();
  }
  dragging_ = false;
  anchor_ = {at.line, start};
  MoveCursor({at.line, end}, true);
}

void HistoryView::contextMenuEvent(QContextMenuEvent* event) {
  // The entries of a read-only text field, in the user's language.
  auto* menu = new QMenu(this);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  const ReadOnlyTextMenu texts = ReadOnlyTextMenuTexts();
  QAction* copy = menu->addAction(texts.copy, this, [this] { Copy(); });
  copy->setShortcut(QKeySequence::Copy);
  copy->setEnabled(HasSelection());
  menu->addSeparator();
  QAction* all = menu->addAction(texts.select_all, this, [this] { SelectAll(); });
  all->setShortcut(QKeySequence::SelectAll);
  all->setEnabled(LineCount() > 0);
  menu->popup(event->globalPos());
}

void HistoryView::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  RestartCaretBlink();
  viewport()->update();
}

void HistoryView::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  caret_blink_.stop();
  caret_shown_ = false;
  viewport()->update();
}

void HistoryView::timerEvent(QTimerEvent* event) {
  if (event->timerId() == caret_blink_.timerId()) {
    caret_shown_ = !caret_shown_;
    const QPoint caret = PointAt(cursor_);
    viewport()->update(QRect(caret.x() - 1, caret.y(), 3, LineHeight()));
  } else if (event->timerId() == drag_scroll_.timerId()) {
    if (dragging_) {
      MoveCursor(PositionAt(drag_point_), true);
    } else {
      drag_scroll_.stop();
    }
  } else {
    QAbstractScrollArea::timerEvent(event);
  }
}

}  // namespace numira
