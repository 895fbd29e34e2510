#pragma once
// Kelto_: the main window `Form1` (class TForm1). The keypad panel with the
// display field on the left, the history panel on the right, two view modes
// (standard and compact), and the binding of buttons and keys to the engine
// through the tape. The controls themselves are described in keypad_layout;
// KeyPreview hands every key to this window before the focused control.
//
// Handlers are named after control and event: edhyoujClick is the display
// field's click, FormKeyPress the window's typed character, and so on.

#include <QString>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

#include "core/calc.h"
#include "core/tape.h"

class QCheckBox;
class QFrame;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace numira {

class KeyPreview;

class TForm1 : public QWidget, public EngineSurroundings, public HistoryObserver {
  Q_OBJECT

 public:
  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;

  // The two flags of this module. The settings layer sets them before the
  // first show and reads them at close; every show applies them.
  bool StayOnTop() const { return stay_on_top_; }
  void SetStayOnTop(bool on) { stay_on_top_ = on; }
  bool StandardView() const { return standard_view_; }
  void SetStandardView(bool standard) { standard_view_ = standard; }

  // The application title: "電卓" at start, then each result text. It is the
  // caption of the error box, distinct from this window's caption.
  const QString& ApplicationTitle() const { return application_title_; }

  Calculator& Engine() { return engine_; }
  Tape& History() { return tape_; }

  // Applies the view mode of the standard-view flag: client 375 x 205 or
  // 175 x 35. Nothing else changes: controls outside the client area stay
  // where they are, so the keys keep working in the compact view.
  void ApplyViewMode();

  // Runs every time the window goes from hidden to visible: z-order from the
  // always-on-top flag (ticking the check box to match), the view mode, and a
  // cleared engine. The history panel keeps its lines.
  void FormShow();

  void edhyoujClick();     // focus back to "="
  void edhyoujDblClick();  // flips the view mode, focus back to "="
  void CheckBox1Click();   // the always-on-top switch, on every change of the box
  void BitBtn1Click();     // hide-to-tray button: announces minimizeRequested
  void BitBtn2Click();     // version-and-help button: announces readmeRequested

  // A keypad button's click: its action through the tape.
  void Perform(Action action);
  // The window's key handlers, called for every key before the focused
  // control sees it. FormKeyDown acts on Backspace, Home and Enter (any
  // modifiers) and ignores every other key; FormKeyPress types each
  // character of the text.
  void FormKeyDown(int qt_key);
  void FormKeyPress(const QString& text);

  // Ctrl+C / Ctrl+Insert: the history panel's selection when it has the focus
  // and a selection, otherwise the display text.
  void CopyToClipboard();

  // `Panel1`'s controls that the arrow keys walk, in control order.
  const std::vector<QWidget*>& KeypadOrder() const { return keypad_order_; }

  // EngineSurroundings: the display field, the application title and "=".
  std::string DisplayText() const override;
  void SetDisplayText(const std::string& text) override;
  void SetApplicationTitle(const std::string& title) override;
  void FocusEquals() override;

  // HistoryObserver: `Memo1` follows the tape line by line.
  void LineAppended(const std::string& line) override;
  void LinesCleared() override;

  QFrame* Panel1 = nullptr;
  QFrame* Panel2 = nullptr;
  QLineEdit* edhyouj = nullptr;
  QPushButton* btnwa = nullptr;
  QPushButton* BitBtn1 = nullptr;
  QPushButton* BitBtn2 = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  QPlainTextEdit* Memo1 = nullptr;

 signals:
  void applicationTitleChanged(const QString& title);
  // The start-up and tray code decides what hiding and the readme mean.
  void minimizeRequested();
  void readmeRequested();

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void DockPanels();
  // Runs a handler; an error it lets through goes to the general error box.
  template <typename Handler>
  void RunHandler(Handler&& handler);

  Calculator engine_{*this};
  Tape tape_{engine_, *this};
  bool stay_on_top_ = false;
  bool standard_view_ = true;
  QString application_title_;
  int history_lines_ = 0;
  bool release_ends_double_click_ = false;
  std::vector<QWidget*> keypad_order_;
  std::unique_ptr<KeyPreview> key_preview_;
};

}  // namespace numira
