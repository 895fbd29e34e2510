// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "app/accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFrame>
#include <QLineEdit>
#include <QScrollBar>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <vector>

#include "app/Kelto_.h"
#include "app/display_field.h"
#include "app/history_view.h"
#include "ui/keypad_layout.h"

namespace numira {
namespace {

// Controls whose face shows no text, with the names a screen reader speaks:
// the glyph buttons and the history panel by their tooltips, the display
// field by what it is.
struct AccessibleName {
  const char* control;
  const char* name;
};
constexpr AccessibleName kAccessibleNames[] = {
    {"BitBtn1", "最小化"},
    {"BitBtn2", "バージョン＆ヘルプ"},
    {"edhyouj", "表示窓"},
    {"Memo1", "入力履歴"},
};

QString SwitchViewAction() { return QString::fromUtf8(kSwitchViewAction); }

// The display field: read-only one-line text, and the view switch that the
// mouse reaches by a double-click as an action. The text events come from
// the line edit itself, so each result is heard as it is shown.
class DisplayFieldAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  explicit DisplayFieldAccessible(QLineEdit* field) : QAccessibleWidget(field, QAccessible::EditableText) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }

  QString text(QAccessible::Text kind) const override {
    if (kind == QAccessible::Value) return Field()->text();
    return QAccessibleWidget::text(kind);
  }
  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = true;
    state.editable = false;
    return state;
  }

  QStringList actionNames() const override { return QAccessibleWidget::actionNames() << SwitchViewAction(); }
  void doAction(const QString& action) override {
    if (action != SwitchViewAction()) {
      QAccessibleWidget::doAction(action);
      return;
    }
    if (auto* window = qobject_cast<Form1Widget*>(Field()->window())) window->Form().edhyoujDblClick();
  }
  QStringList keyBindingsForAction(const QString& action) const override {
    if (action == SwitchViewAction()) return {};
    return QAccessibleWidget::keyBindingsForAction(action);
  }

  // QAccessibleTextInterface, over the line edit's text and selection.
  void selection(int index, int* start, int* end) const override {
    *start = *end = 0;
    if (index != 0 || !Field()->hasSelectedText()) return;
    *start = Field()->selectionStart();
    *end = *start + Field()->selectionLength();
  }
  int selectionCount() const override { return Field()->hasSelectedText() ? 1 : 0; }
  void addSelection(int start, int end) override { setSelection(0, start, end); }
  void removeSelection(int) override { Field()->deselect(); }
  void setSelection(int, int start, int end) override { Field()->setSelection(start, end - start); }
  int cursorPosition() const override { return Field()->cursorPosition(); }
  void setCursorPosition(int position) override { Field()->setCursorPosition(position); }
  QString text(int start, int end) const override { return Field()->text().mid(start, end - start); }
  int characterCount() const override { return QtInt(Field()->text().size()); }
  QRect characterRect(int offset) const override {
    const QString text = Field()->text();
    const QFontMetrics metrics = Field()->fontMetrics();
    const QRect contents = Field()->contentsRect().marginsRemoved(Field()->textMargins());
    const int x = metrics.horizontalAdvance(text.left(offset));
    const int width = offset < text.size() ? metrics.horizontalAdvance(text.at(offset)) : 1;
    const QRect local(contents.left() + x, contents.top() + (contents.height() - metrics.height()) / 2, width,
                      metrics.height());
    return QRect(Field()->mapToGlobal(local.topLeft()), local.size());
  }
  int offsetAtPoint(const QPoint& point) const override {
    return Field()->cursorPositionAt(Field()->mapFromGlobal(point));
  }
  void scrollToSubstring(int, int) override {}  // one short line: always in sight
  QString attributes(int, int* start, int* end) const override {
    *start = 0;
    *end = characterCount();
    return {};
  }

 private:
  QLineEdit* Field() const { return static_cast<QLineEdit*>(widget()); }
};

// The history panel as one read-only multi-line text: its lines joined with
// "\n". The panel keeps no per-line offsets of its own, so the UTF-16 start
// of each line is counted here, only for lines a screen reader has reached
// and only while one is listening; a cleared tape starts the count over.
class HistoryViewAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  explicit HistoryViewAccessible(HistoryView* view) : QAccessibleWidget(view, QAccessible::EditableText) {}
  using QAccessibleWidget::text;  // the name and description stay the widget's

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }

  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = true;
    state.editable = false;
    state.multiLine = true;
    state.selectableText = true;
    return state;
  }

  void selection(int index, int* start, int* end) const override {
    *start = *end = 0;
    if (index != 0 || !View()->HasSelection()) return;
    const qsizetype anchor = OffsetOf(View()->SelectionAnchor());
    const qsizetype caret = OffsetOf(View()->CursorPosition());
    *start = QtInt(std::min(anchor, caret));
    *end = QtInt(std::max(anchor, caret));
  }
  int selectionCount() const override { return View()->HasSelection() ? 1 : 0; }
  void addSelection(int start, int end) override { setSelection(0, start, end); }
  void removeSelection(int) override { setCursorPosition(cursorPosition()); }
  void setSelection(int, int start, int end) override { View()->Select(PositionOf(start), PositionOf(end)); }
  int cursorPosition() const override { return QtInt(OffsetOf(View()->CursorPosition())); }
  void setCursorPosition(int offset) override {
    const TextPosition at = PositionOf(offset);
    View()->Select(at, at);
  }
  QString text(int start, int end) const override {
    start = std::clamp(start, 0, characterCount());
    end = std::clamp(end, start, characterCount());
    const TextPosition from = PositionOf(start);
    const TextPosition to = PositionOf(end);
    QString text;
    for (qsizetype line = from.line; line <= to.line && line < View()->LineCount(); ++line) {
      const QString whole = View()->LineText(line);
      const qsizetype first = line == from.line ? from.column : 0;
      const qsizetype last = line == to.line ? to.column : whole.size();
      text += whole.mid(first, last - first);
      if (line < to.line) text += QLatin1Char('\n');
    }
    return text;
  }
  // Qt's own versions of these three read the whole text for every call;
  // here only the line at the offset is read, so a long tape costs nothing.
  // A sentence or paragraph of the tape is its line.
  QString textAtOffset(int offset, QAccessible::TextBoundaryType boundary, int* start, int* end) const override {
    *start = *end = 0;
    if (boundary == QAccessible::NoBoundary) {
      *end = characterCount();
      return text(0, *end);
    }
    if (View()->LineCount() == 0) return {};
    const TextPosition at = PositionOf(offset);
    const qsizetype line_start = OffsetOf({at.line, 0});
    const QString line = View()->LineText(at.line);
    qsizetype from = 0;
    qsizetype to = line.size();
    if (boundary == QAccessible::CharBoundary) {
      from = std::min(at.column, line.size());
      to = std::min(from + 1, line.size());
    } else if (boundary == QAccessible::WordBoundary) {
      QTextBoundaryFinder words(QTextBoundaryFinder::Word, line);
      words.setPosition(at.column);
      from = words.isAtBoundary() ? at.column : std::max<qsizetype>(0, words.toPreviousBoundary());
      words.setPosition(at.column);
      to = words.toNextBoundary();
      if (to < 0) to = line.size();
    }
    // A line, and a character at the line's end, take the line break along.
    const bool with_break = at.line + 1 < View()->LineCount() &&
                            (boundary != QAccessible::CharBoundary ? to == line.size() : from == line.size());
    *start = QtInt(line_start + from);
    *end = QtInt(line_start + to + (with_break ? 1 : 0));
    return line.mid(from, to - from) + (with_break ? QStringLiteral("\n") : QString());
  }
  QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundary, int* start, int* end) const override {
    textAtOffset(offset, boundary, start, end);
    if (*start <= 0) {
      *start = *end = 0;
      return {};
    }
    return textAtOffset(*start - 1, boundary, start, end);
  }
  QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundary, int* start, int* end) const override {
    textAtOffset(offset, boundary, start, end);
    if (*end >= characterCount()) {
      *start = *end = characterCount();
      return {};
    }
    return textAtOffset(*end, boundary, start, end);
  }
  int characterCount() const override { return QtInt(View()->TextLength()); }
  QRect characterRect(int offset) const override {
    const TextPosition at = PositionOf(offset);
    const QString line = View()->LineText(at.line);
    const QFontMetrics metrics = View()->fontMetrics();
    const int width = at.column < line.size() ? metrics.horizontalAdvance(line.at(at.column)) : 1;
    const QPoint top_left = View()->viewport()->mapToGlobal(View()->PointAt(at));
    return {top_left, QSize(width, metrics.height())};
  }
  int offsetAtPoint(const QPoint& point) const override {
    return QtInt(OffsetOf(View()->PositionAt(View()->viewport()->mapFromGlobal(point))));
  }
  void scrollToSubstring(int start, int) override { View()->EnsureVisible(PositionOf(start)); }
  QString attributes(int, int* start, int* end) const override {
    *start = 0;
    *end = characterCount();
    return {};
  }

 private:
  HistoryView* View() const { return static_cast<HistoryView*>(widget()); }

  // Counts line starts up to the store's last line; starts over after a
  // clear.
  void CountLineStarts() const {
    if (counted_clears_ != View()->ClearCount()) {
      line_starts_.clear();
      counted_clears_ = View()->ClearCount();
    }
    const qsizetype lines = View()->LineCount();
    while (static_cast<qsizetype>(line_starts_.size()) < lines) {
      const auto line = static_cast<qsizetype>(line_starts_.size());
      line_starts_.push_back(line == 0 ? 0 : line_starts_.back() + View()->LineText(line - 1).size() + 1);
    }
  }
  qsizetype OffsetOf(TextPosition at) const {
    if (View()->LineCount() == 0) return 0;
    CountLineStarts();
    return line_starts_[static_cast<std::size_t>(at.line)] + at.column;
  }
  TextPosition PositionOf(qsizetype offset) const {
    if (View()->LineCount() == 0) return {};
    CountLineStarts();
    const qsizetype clamped = std::clamp<qsizetype>(offset, 0, View()->TextLength());
    const auto after = std::upper_bound(line_starts_.begin(), line_starts_.end(), clamped);
    const auto line = static_cast<qsizetype>(after - line_starts_.begin()) - 1;
    const qsizetype column = clamped - line_starts_[static_cast<std::size_t>(line)];
    return {line, std::min(column, View()->LineText(line).size())};
  }

  mutable std::vector<qsizetype> line_starts_;
  mutable qsizetype counted_clears_ = 0;
};

// The two panels only group the controls: panels, not frames. The keypad
// panel `Panel1` gives its controls in reading order (rows from the top, each
// from the left), not in the order they were made in, which is the one the
// arrow keys walk.
class PanelAccessible : public QAccessibleWidget {
 public:
  PanelAccessible(QWidget* panel, const Form1Widget& window)
      : QAccessibleWidget(panel, QAccessible::Pane), window_(window) {}

  int childCount() const override {
    return IsKeypadPanel() ? static_cast<int>(layout::ReadingOrder().size()) : QAccessibleWidget::childCount();
  }
  QAccessibleInterface* child(int index) const override {
    if (!IsKeypadPanel()) return QAccessibleWidget::child(index);
    if (index < 0 || index >= childCount()) return nullptr;
    return QAccessible::queryAccessibleInterface(Control(index));
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    if (!IsKeypadPanel()) return QAccessibleWidget::indexOfChild(child);
    for (int index = 0; child != nullptr && index < childCount(); ++index) {
      if (Control(index) == child->object()) return index;
    }
    return -1;
  }

 private:
  // Asked at every call: the window names its panels once they are made.
  bool IsKeypadPanel() const { return widget() == window_.Panel1; }
  QWidget* Control(int index) const {
    return window_.ControlOf(*layout::ReadingOrder()[static_cast<std::size_t>(index)]);
  }

  const Form1Widget& window_;
};

// Keyed on the object's type; Qt asks once for each class of the object's
// hierarchy, most derived first, so the first answer is the one taken.
QAccessibleInterface* NumiraAccessibleFactory(const QString&, QObject* object) {
  if (auto* window = qobject_cast<Form1Widget*>(object)) {
    // A top-level window: a frame to screen readers, named by its caption.
    return new QAccessibleWidget(window, QAccessible::Window);
  }
  if (auto* view = qobject_cast<HistoryView*>(object)) return new HistoryViewAccessible(view);
  if (auto* field = qobject_cast<DisplayField*>(object)) return new DisplayFieldAccessible(field);
  // Panel1 and Panel2. (Asked once their parent is the main window, from its
  // construction on.)
  if (auto* panel = qobject_cast<QFrame*>(object)) {
    if (const auto* window = qobject_cast<Form1Widget*>(object->parent())) return new PanelAccessible(panel, *window);
  }
  return nullptr;
}

}  // namespace

void InstallAccessibleInterfaces() {
  static const bool installed = [] {
    QAccessible::installFactory(&NumiraAccessibleFactory);
    return true;
  }();
  (void)installed;
}

void NameControlsForScreenReaders(QWidget& main_window) {
  for (const AccessibleName& entry : kAccessibleNames) {
    if (auto* control = main_window.findChild<QWidget*>(QString::fromUtf8(entry.control))) {
      control->setAccessibleName(QString::fromUtf8(entry.name));
    }
  }
}

}  // namespace numira
