// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "app/Kelto_.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QMouseEvent>
#include <QPushButton>
#include <QSessionManager>
#include <QShowEvent>
#include <QWindow>

#include <algorithm>
#include <limits>
#include <utility>

#include "app/accessibility.h"
#include "app/application_icon.h"
#include "app/display_field.h"
#include "app/error_box.h"
#include "app/first_frame.h"
#include "app/fonts.h"
#include "app/history_view.h"
#include "app/images.h"
#include "app/key_preview.h"
#include "app/window_manager.h"

namespace numira {

using layout::ControlKind;
using layout::ControlSpec;

namespace {

QString FromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QFrame* NewPanel(QWidget* parent, const char* name) {
  auto* panel = new QFrame(parent);
  panel->setObjectName(QString::fromUtf8(name));
  panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  panel->setLineWidth(layout::kBevelWidth);
  panel->setAutoFillBackground(true);
  return panel;
}

// An open modal window (the readme window, as a rule) brought back from a
// minimize, raised and given the input: a main window restored without it
// would take nothing, with no way to the window that does.
void RestoreModalWindow(QWidget* modal) {
  if (modal == nullptr) return;
  modal->setWindowState(modal->windowState() & ~Qt::WindowMinimized);
  modal->raise();
  modal->activateWindow();
}

}  // namespace

Form1Widget::Form1Widget(Form1Surroundings surroundings, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      surroundings_(std::move(surroundings)),
      form_(*this, surroundings_.settings_path) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QString::fromUtf8(layout::kCaption));
  setFont(platform::WindowsFont(QString::fromUtf8(layout::kWindowFont.face), layout::kWindowFont.pixel_height));
  // The window manager works out the frame while the controls are built: the
  // settings' monitor rule measures it before the first show.
  platform::PrepareFirstShow(this);

  // Button-face background, black text everywhere.
  QPalette colours = palette();
  colours.setColor(QPalette::Window, colours.color(QPalette::Button));
  for (const auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text}) {
    colours.setColor(role, Qt::black);
  }
  setPalette(colours);
  setAutoFillBackground(true);

  InstallAccessibleInterfaces();
  Panel1 = NewPanel(this, "Panel1");
  Panel2 = NewPanel(this, "Panel2");
  BuildControls();
  NameControlsForScreenReaders(*this);
  key_preview_ = std::make_unique<KeyPreview>(*this);

  // The tray component belongs to the window and dies with it.
  TaskTrayMini1 = new TTaskTrayMini(this, surroundings_.tray);
  TaskTrayMini1->OnMouseDown = [this](QObject*, TMouseButton button, TShiftState shift, int x, int y) {
    form_.TaskTrayMini1MouseDown(button, shift, x, y);
  };

  // The size the window has while it is being created; the first show sets
  // the view mode's size.
  setFixedSize(layout::kCreatedClientWidth, layout::kCreatedClientHeight);
  DockPanels();
}

Form1Widget::~Form1Widget() { form_.FormDestroy(); }

void Form1Widget::BuildControls() {
  for (const ControlSpec& row : layout::Controls()) {
    QWidget* container = row.container == layout::Container::KeypadPanel ? Panel1 : Panel2;
    const QString caption = QString::fromUtf8(row.caption);
    QWidget* control = nullptr;
    switch (row.kind) {
      case ControlKind::DisplayField:
        edhyouj = new DisplayField(container);
        edhyouj->setReadOnly(true);
        // Operands have no length limit; a line edit would cut its text at
        // 32,767 characters, and the engine reads the operand back from it.
        edhyouj->setMaxLength(std::numeric_limits<int>::max());
        edhyouj->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        edhyouj->setCursor(Qt::ArrowCursor);
        edhyouj->setContextMenuPolicy(Qt::NoContextMenu);
        edhyouj->installEventFilter(this);
        control = edhyouj;
        break;
      case ControlKind::PushButton:
      case ControlKind::GlyphButton: {
        auto* button = new QPushButton(caption, container);
        button->setAutoDefault(false);
        if (row.glyph != nullptr) {
          button->setIcon(platform::GlyphIcon(platform::GlyphPicture(row.glyph)));
          button->setIconSize(QSize(16, 16));
        }
        control = button;
        break;
      }
      case ControlKind::CheckBox:
        CheckBox1 = new QCheckBox(caption, container);
        control = CheckBox1;
        break;
      case ControlKind::HistoryPanel:
        // Shows the tape's own lines; read-only, unwrapped, with a caret and
        // selection for the keyboard and mouse (Ctrl+A, Ctrl+C copies).
        Memo1 = new HistoryView(form_.History().Lines(), container);
        Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        control = Memo1;
        break;
    }
    // clicked, not toggled: a click (of the mouse, Space, or a press from
    // the key preview) is the user's; the check box set from TForm1 is not.
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
      connect(button, &QAbstractButton::clicked, this, [this, &row] { form_.ControlClicked(row); });
    }
    control->setObjectName(QString::fromUtf8(row.name));
    control->setGeometry(row.left, row.top, row.width, row.height);
    control->setFont(platform::WindowsFont(QString::fromUtf8(row.font.face), row.font.pixel_height));
    if (row.hint != nullptr) control->setToolTip(QString::fromUtf8(row.hint));
    // Without a tab stop a control still takes the focus on a click (and from
    // the arrow keys); the command it runs hands the focus back to "=".
    control->setFocusPolicy(row.tab_stop ? Qt::StrongFocus : Qt::ClickFocus);
    controls_.push_back(control);
  }
  btnwa = static_cast<QPushButton*>(ControlOf(*layout::FindControl("btnwa")));
  BitBtn1 = static_cast<QPushButton*>(ControlOf(*layout::FindControl("BitBtn1")));
  BitBtn2 = static_cast<QPushButton*>(ControlOf(*layout::FindControl("BitBtn2")));
}

QWidget* Form1Widget::ControlOf(const ControlSpec& control) const {
  return controls_[static_cast<std::size_t>(&control - layout::Controls().data())];
}

const ControlSpec* Form1Widget::SpecOf(const QWidget* widget) const {
  const auto found = std::ranges::find(controls_, widget);
  if (found == controls_.end()) return nullptr;
  return &layout::Controls()[static_cast<std::size_t>(found - controls_.begin())];
}

void Form1Widget::DockPanels() {
  const auto QRectOf = [](const ScreenRect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); };
  const layout::DockedPanels docked = layout::DockPanels(width(), height());
  Panel1->setGeometry(QRectOf(docked.keypad_panel));
  Panel2->setGeometry(QRectOf(docked.history_container));
  // Memo1 is Panel2's child.
  Memo1->setGeometry(QRectOf(docked.history_panel).translated(-docked.history_container.left, 0));
}

void Form1Widget::StartAsMainWindow() {
  QApplication::setWindowIcon(ApplicationIcon());
  // Whether a notification area is there is first asked now, while the X
  // server is idle (Qt keeps the tray's owner it finds): the program's start
  // asks again just after the show, when the answer would wait behind the
  // window's map.
  NotificationAreaAvailable();
  starting_ = true;
  form_.Start();
  starting_ = false;
  // While the window manager maps the window, the fonts of its first frame
  // are loaded (each caption laid out once in its control's font), rather
  // than in the paint that the map's expose starts.
  for (const ControlSpec& row : layout::Controls()) {
    QFontMetrics(ControlOf(row)->font()).horizontalAdvance(QString::fromUtf8(row.caption));
  }
  // The icon the create handler asked for (SetTrayIcon), first of the work
  // that follows the first frame.
  AfterFirstFrame(this, this, [this] {
    if (tray_tip_after_show_) SetTrayIcon(kTrayAdd, *std::exchange(tray_tip_after_show_, std::nullopt));
  });
  // Closing this window ends the program; another window closing (the readme
  // window, an error box) never does, even while this one is in the tray.
  main_window_ = true;
  QGuiApplication::setQuitOnLastWindowClosed(false);
  // Watched once the window has been drawn, off the way to its first paint;
  // the look then catches a change made before the watch began.
  AfterFirstFrame(this, this, [this] {
    platform::WatchNotificationArea(this, [this] { form_.NotificationAreaChanged(); });
    form_.NotificationAreaChanged();
  });
  platform::FollowWindowManagerStaysOnTop(this, [this](bool above) { form_.WindowManagerStaysOnTop(above); });
  connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
    // The cancel rides on the end of the interaction, so it comes first.
    if (!form_.QueryEndSession([&manager] { return manager.allowsErrorInteraction(); })) {
      manager.cancel();
      manager.release();
    }
  });
}

// ---- The window's events ----

void Form1Widget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  DockPanels();
}

void Form1Widget::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // A spontaneous show is the window system's (a restore it did itself);
  // the show handler runs when the program makes the window visible.
  if (event->spontaneous()) return;
  form_.FormShow();
  // The position is the frame's (the settings store it so), but before the
  // window manager has framed the window Qt knows no frame, and the view
  // mode's resize makes it take the position for the client area's. Placing
  // the frame explicitly, before the window is mapped, keeps a stored
  // position from creeping by the frame's size at every run.
  if (QWindow* handle = windowHandle()) handle->setFramePosition(frameGeometry().topLeft());
}

void Form1Widget::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange) return;
  const bool was_minimized = static_cast<QWindowStateChangeEvent*>(event)->oldState() & Qt::WindowMinimized;
  if (was_minimized && !isMinimized() && isVisible()) form_.RestoredFromMinimize();
}

void Form1Widget::closeEvent(QCloseEvent* event) {
  event->setAccepted(form_.CloseRequested());
  if (event->isAccepted() && main_window_) QCoreApplication::quit();
}

bool Form1Widget::eventFilter(QObject* watched, QEvent* event) {
  if (watched != edhyouj) return QWidget::eventFilter(watched, event);
  // The display field's mouse buttons; a double-click is not passed on, so
  // it never selects a word. Only mouse events are cast, and only once their
  // type says they are one.
  const auto left = [event] { return static_cast<const QMouseEvent*>(event)->button() == Qt::LeftButton; };
  switch (event->type()) {
    case QEvent::MouseButtonPress:
      form_.DisplayFieldPressed();
      return false;
    case QEvent::MouseButtonRelease:
      form_.DisplayFieldReleased(left());
      return false;
    case QEvent::MouseButtonDblClick:
      if (!left()) return false;
      form_.DisplayFieldDoubleClicked();
      return true;
    default:
      return false;
  }
}

// ---- Form1View ----

std::string Form1Widget::DisplayText() const { return edhyouj->text().toStdString(); }

void Form1Widget::SetDisplayText(const std::string& text) {
  edhyouj->setText(QString::fromStdString(text));
  // Like a set window text, show the text from its start.
  edhyouj->setCursorPosition(0);
}

void Form1Widget::AppendDisplayText(std::string_view text) {
  // Stays in QString: no round trip of the whole operand through UTF-8. The
  // line edit still lays out its whole text again on every change, so a key
  // on a long operand costs the widget time in proportion to its length.
  edhyouj->setText(edhyouj->text() + FromUtf8(text));
  edhyouj->setCursorPosition(0);
}

// The desktop shows no title for the program as a whole beside its windows'.
void Form1Widget::SetApplicationTitle(const std::string&) {}

void Form1Widget::TapeLineAppended(std::string_view) { Memo1->LineAppended(); }
void Form1Widget::TapeCleared() { Memo1->LinesCleared(); }
bool Form1Widget::TapeHasSelection() const { return Memo1->HasSelection(); }
void Form1Widget::CopyTapeSelection() { Memo1->Copy(); }
void Form1Widget::CopyText(const std::string& text) {
  QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}
std::string Form1Widget::ClipboardText() const { return QGuiApplication::clipboard()->text().toStdString(); }
void Form1Widget::WarningSound() { QApplication::beep(); }

bool Form1Widget::CheckBoxTicked() const { return CheckBox1->isChecked(); }
void Form1Widget::SetCheckBox(bool ticked) { CheckBox1->setChecked(ticked); }

const ControlSpec* Form1Widget::FocusedControl() const { return SpecOf(focusWidget()); }

void Form1Widget::Focus(const ControlSpec& control, FocusMove move) {
  const Qt::FocusReason reason = move == FocusMove::Forward    ? Qt::TabFocusReason
                                 : move == FocusMove::Backward ? Qt::BacktabFocusReason
                                                               : Qt::OtherFocusReason;
  ControlOf(control)->setFocus(reason);
}

void Form1Widget::SetClientSize(int width, int height) {
  setFixedSize(width, height);
  DockPanels();
}

bool Form1Widget::Visible() const { return isVisible(); }
bool Form1Widget::Minimized() const { return isMinimized(); }
void Form1Widget::SetVisible(bool visible) { setVisible(visible); }
void Form1Widget::Minimize() { showMinimized(); }
void Form1Widget::Restore() { setWindowState(windowState() & ~Qt::WindowMinimized); }

void Form1Widget::BringToFront() {
  raise();
  activateWindow();
}

void Form1Widget::SetTopmost(bool topmost) { platform::SetWindowTopmost(this, topmost); }

SettingsWindow& Form1Widget::Frame() {
  // The window manager's frame may have changed since it was last measured.
  frame_.MeasureFrameAgain();
  return frame_;
}

std::vector<Monitor> Form1Widget::Monitors() const { return ScreenMonitors(); }
bool Form1Widget::NotificationAreaAvailable() const { return platform::NotificationAreaAvailable(); }
void Form1Widget::KeepOffTaskbar(bool off) { taskbar_.KeepOff(off); }

void Form1Widget::SetTrayIcon(std::uint8_t action, std::string_view tip) {
  // At the start the icon goes to the notification area right after the
  // window's first frame: Qt's tray icon waits on the X server and the
  // session bus several times while it docks (some 5 ms, while the X server
  // is busy with the window's map), and neither the map nor the first paint
  // need wait for that.
  if (starting_ && action == kTrayAdd) {
    tray_tip_after_show_ = std::string(tip);
    return;
  }
  TaskTrayMini1->SetIcon(action, TrayIcon(), FromUtf8(tip));
}

void Form1Widget::ShowErrorBox(const std::string& caption, const std::string& text) {
  platform::ShowErrorBox(this, QString::fromStdString(caption), QString::fromStdString(text));
}

void Form1Widget::ShowReadmeModal() {
  if (surroundings_.show_readme) surroundings_.show_readme(this);
  // The input goes back to this window, as the window manager may not hand
  // it back by itself to a window kept off the taskbar.
  if (isVisible()) activateWindow();
}

bool Form1Widget::ReadmeMinimized() const {
  const QWidget* modal = QApplication::activeModalWidget();
  return modal != nullptr && modal->isMinimized();
}

void Form1Widget::RestoreReadme() { RestoreModalWindow(QApplication::activeModalWidget()); }

}  // namespace numira
