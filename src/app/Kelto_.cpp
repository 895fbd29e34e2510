// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "app/Kelto_.h"

#include <QCheckBox>
#include <QClipboard>
#include <QFrame>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QShowEvent>
#include <QWindow>

#include <algorithm>
#include <exception>
#include <limits>
#include <utility>

#include "app/accessibility.h"
#include "app/history_view.h"
#include "app/key_preview.h"
#include "ui/keypad_layout.h"
#include "app/platform.h"
#include "core/error_box_text.h"

namespace numira {

using layout::ControlKind;
using layout::ControlSpec;

namespace {

QString FromUtf8(const char* text) { return QString::fromUtf8(text); }

QFrame* NewPanel(QWidget* parent, const char* name) {
  auto* panel = new QFrame(parent);
  panel->setObjectName(FromUtf8(name));
  panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  panel->setLineWidth(layout::kBevelWidth);
  panel->setAutoFillBackground(true);
  return panel;
}

}  // namespace

TForm1::TForm1(QWidget* parent) : TForm1(FrameSurroundings{}, parent) {}

TForm1::TForm1(FrameSurroundings surroundings, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      surroundings_(std::move(surroundings)),
      application_title_(FromUtf8(Tape::kInitialTitle)) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(FromUtf8(layout::kCaption));
  setFont(platform::WindowsFont(FromUtf8(layout::kWindowFont.face), layout::kWindowFont.pixel_height));

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

  tape_.SetObserver(this);
  key_preview_ = std::make_unique<KeyPreview>(*this);

  // The tray component belongs to the window and dies with it.
  TaskTrayMini1 = surroundings_.tray != nullptr ? new TTaskTrayMini(this, *surroundings_.tray)
                                                : new TTaskTrayMini(this);
  TaskTrayMini1->OnMouseDown = [this](QObject* sender, TMouseButton button, TShiftState shift, int x, int y) {
    TaskTrayMini1MouseDown(sender, button, shift, x, y);
  };

  // The size the window has while it is being created; the first show sets
  // the view mode's size.
  setFixedSize(layout::kCreatedClientWidth, layout::kCreatedClientHeight);
  DockPanels();
}

TForm1::~TForm1() {
  RunHandler([this] { FormDestroy(); });
  tape_.SetObserver(nullptr);
}

bool TForm1::RunHandler(const std::function<void()>& handler, const std::function<bool()>& may_report) {
  try {
    handler();
    return true;
  } catch (const std::exception& error) {
    if (!may_report || may_report()) {
      platform::ShowErrorBox(this, application_title_, QString::fromStdString(ErrorBoxText(error.what())));
    }
    return false;
  }
}

void TForm1::BuildControls() {
  for (const ControlSpec& row : layout::Controls()) {
    QWidget* container = row.container == layout::Container::KeypadPanel ? Panel1 : Panel2;
    const QString caption = FromUtf8(row.caption);
    QWidget* control = nullptr;
    switch (row.kind) {
      case ControlKind::DisplayField: {
        edhyouj = new QLineEdit(container);
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
      }
      case ControlKind::PushButton:
      case ControlKind::GlyphButton: {
        auto* button = new QPushButton(caption, container);
        button->setAutoDefault(false);
        if (row.glyph != nullptr) {
          const QString resource = QStringLiteral(":/numira/") + FromUtf8(row.glyph);
          button->setIcon(platform::GlyphIcon(platform::LoadXpm(resource)));
          button->setIconSize(QSize(16, 16));
        }
        if (row.action) {
          connect(button, &QPushButton::clicked, this, [this, action = *row.action] { Perform(action); });
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
        Memo1 = new HistoryView(tape_.Lines(), container);
        Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        control = Memo1;
        break;
    }
    control->setObjectName(FromUtf8(row.name));
    control->setGeometry(row.left, row.top, row.width, row.height);
    control->setFont(platform::WindowsFont(FromUtf8(row.font.face), row.font.pixel_height));
    if (row.hint != nullptr) control->setToolTip(FromUtf8(row.hint));
    // Without a tab stop a control still takes the focus on a click (and from
    // the arrow keys); the command it runs hands the focus back to "=".
    control->setFocusPolicy(row.tab_stop ? Qt::StrongFocus : Qt::ClickFocus);
    if (row.container == layout::Container::KeypadPanel && row.kind != ControlKind::DisplayField) {
      keypad_order_.push_back(control);
    }
  }

  btnwa = Panel1->findChild<QPushButton*>(QStringLiteral("btnwa"));
  BitBtn1 = Panel1->findChild<QPushButton*>(QStringLiteral("BitBtn1"));
  BitBtn2 = Panel1->findChild<QPushButton*>(QStringLiteral("BitBtn2"));
  connect(BitBtn1, &QPushButton::clicked, this, &TForm1::BitBtn1Click);
  connect(BitBtn2, &QPushButton::clicked, this, &TForm1::BitBtn2Click);
  // toggled, not clicked: a change of the box from FormShow runs the handler
  // just like the user's click.
  connect(CheckBox1, &QCheckBox::toggled, this, &TForm1::CheckBox1Click);

  QWidget* previous = nullptr;
  for (const char* name : layout::kTabOrder) {
    auto* next = findChild<QWidget*>(FromUtf8(name));
    if (previous != nullptr) setTabOrder(previous, next);
    previous = next;
  }
}

void TForm1::DockPanels() {
  const int bevel = layout::kBevelWidth;
  Panel1->setGeometry(0, 0, layout::kKeypadPanelWidth, height());
  Panel2->setGeometry(layout::kKeypadPanelWidth, 0, std::max(0, width() - layout::kKeypadPanelWidth), height());
  Memo1->setGeometry(bevel, bevel, std::max(0, Panel2->width() - 2 * bevel),
                     std::max(0, Panel2->height() - 2 * bevel));
}

void TForm1::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  DockPanels();
}

void TForm1::ApplyViewMode() {
  if (standard_view_) {
    setFixedSize(layout::kStandardClientWidth, layout::kStandardClientHeight);
  } else {
    setFixedSize(layout::kCompactClientWidth, layout::kCompactClientHeight);
  }
  DockPanels();
}

void TForm1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // A spontaneous show is the window system's (a restore it did itself);
  // the show handler runs when the program makes the window visible.
  if (event->spontaneous()) return;
  FormShow();
  // The position is the frame's (the settings store it so), but before the
  // window manager has framed the window Qt knows no frame, and the view
  // mode's resize makes it take the position for the client area's. Placing
  // the frame explicitly, before the window is mapped, keeps a stored
  // position from creeping by the frame's size at every run.
  if (QWindow* handle = windowHandle()) handle->setFramePosition(frameGeometry().topLeft());
}

void TForm1::FormShow() {
  RunHandler([this] {
    platform::SetWindowTopmost(this, stay_on_top_);
    CheckBox1->setChecked(stay_on_top_);
    ApplyViewMode();
    engine_.clia();
  });
}

void TForm1::edhyoujClick() { FocusEquals(); }

void TForm1::edhyoujDblClick() {
  standard_view_ = !standard_view_;
  ApplyViewMode();
  FocusEquals();
}

void TForm1::CheckBox1Click() {
  const bool ticked = CheckBox1->isChecked();
  platform::SetWindowTopmost(this, ticked);
  stay_on_top_ = ticked;
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (watched != edhyouj) return QWidget::eventFilter(watched, event);
  // The display field: the first release of a click runs edhyoujClick, a
  // double-click runs edhyoujDblClick (and its closing release nothing).
  // The double-click is not passed on, so it never selects a word.
  // Only mouse events are cast, and only once their type says they are one.
  const auto button = [event] { return static_cast<const QMouseEvent*>(event)->button(); };
  switch (event->type()) {
    case QEvent::MouseButtonPress:
      release_ends_double_click_ = false;
      return false;
    case QEvent::MouseButtonRelease:
      if (button() == Qt::LeftButton) {
        if (!std::exchange(release_ends_double_click_, false)) RunHandler([this] { edhyoujClick(); });
      } else {
        FocusEquals();  // any press focused the field; it never keeps the focus
      }
      return false;
    case QEvent::MouseButtonDblClick:
      if (button() != Qt::LeftButton) return false;
      release_ends_double_click_ = true;
      RunHandler([this] { edhyoujDblClick(); });
      return true;
    default:
      return false;
  }
}

void TForm1::Perform(Action action) {
  RunHandler([this, action] { tape_.Perform(action); });
}

void TForm1::FormKeyDown(int qt_key) {
  switch (qt_key) {
    case Qt::Key_Backspace:
      RunHandler([this] { tape_.PressKey(NamedKey::Backspace); });
      break;
    case Qt::Key_Home:
      RunHandler([this] { tape_.PressKey(NamedKey::Home); });
      break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      RunHandler([this] { tape_.PressKey(NamedKey::Enter); });
      break;
    default:
      break;  // Escape and every other key: nothing
  }
}

void TForm1::FormKeyPress(const QString& text) {
  for (const char32_t ch : text.toUcs4()) {
    RunHandler([this, ch] { tape_.TypeCharacter(ch); });
  }
}

void TForm1::CopyToClipboard() {
  if (focusWidget() == Memo1 && Memo1->HasSelection()) {
    Memo1->Copy();
  } else {
    QGuiApplication::clipboard()->setText(edhyouj->text());
  }
}

std::string TForm1::DisplayText() const { return edhyouj->text().toStdString(); }

void TForm1::SetDisplayText(const std::string& text) {
  edhyouj->setText(QString::fromStdString(text));
  // Like a set window text, show the text from its start.
  edhyouj->setCursorPosition(0);
}

void TForm1::AppendDisplayText(std::string_view text) {
  // Stays in QString: no round trip of the whole operand through UTF-8. The
  // line edit still lays out its whole text again on every change, so a key
  // on a long operand costs the widget time in proportion to its length.
  edhyouj->setText(edhyouj->text() + QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  edhyouj->setCursorPosition(0);
}

void TForm1::SetApplicationTitle(const std::string& title) {
  application_title_ = QString::fromStdString(title);
  emit applicationTitleChanged(application_title_);
}

void TForm1::FocusEquals() { btnwa->setFocus(Qt::OtherFocusReason); }

void TForm1::LineAppended(std::string_view) { Memo1->LineAppended(); }

void TForm1::LinesCleared() { Memo1->LinesCleared(); }

}  // namespace numira
