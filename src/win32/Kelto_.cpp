// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "win32/Kelto_.h"

#include <commctrl.h>

#include <algorithm>
#include <map>
#include <utility>

#include "core/separators.h"
#include "win32/helupu_.h"
#include "win32/platform.h"
#include "win32/wide_text.h"
#include "win32/xpm_image.h"

namespace numira::win32 {

using layout::ControlKind;
using layout::ControlSpec;

namespace {

constexpr wchar_t kFormClass[] = L"TForm1";
// A fixed dialog frame with the window menu and the close box only.
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
// Control ids start past IDOK and IDCANCEL, which the system sends itself.
constexpr int kFirstControlId = 100;

std::size_t RowOf(const ControlSpec& control) {
  return static_cast<std::size_t>(&control - layout::Controls().data());
}

}  // namespace

RECT WindowFrame::Rect() const {
  RECT rect{};
  GetWindowRect(window_, &rect);
  return rect;
}

void WindowFrame::MoveTo(int left, int top) {
  SetWindowPos(window_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

Form1Window::Form1Window(HWND application_window, TrayModule& tray) : application_window_(application_window) {
  // The user's separators, read again at every WM_SETTINGCHANGE.
  form_.History().SetSeparators(LoadSeparators());
  static const ATOM registered = [] {
    WNDCLASSW window_class{};
    window_class.style = 0;
    window_class.lpfnWndProc = WindowProc;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    // The system's button-face colour; the +1 is how a class names it.
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    window_class.lpszClassName = kFormClass;
    return RegisterClassW(&window_class);
  }();
  (void)registered;

  RECT outer{0, 0, layout::kCreatedClientWidth, layout::kCreatedClientHeight};
  AdjustWindowRectEx(&outer, kFormStyle, FALSE, kFormExStyle);
  window_ = CreateWindowExW(kFormExStyle, kFormClass, Wide(layout::kCaption).c_str(), kFormStyle, 0, 0,
                            outer.right - outer.left, outer.bottom - outer.top, application_window_, nullptr,
                            GetModuleHandleW(nullptr), this);
  frame_ = WindowFrame(window_);
  BuildControls();

  // The tray component belongs to the window and dies with it.
  tray_icon_ = LoadApplicationIcon(GetSystemMetrics(SM_CXSMICON));
  TaskTrayMini1 = std::make_unique<TTaskTrayMini>(window_, tray);
  TaskTrayMini1->OnMouseDown = [this](TTaskTrayMini*, TMouseButton button, TShiftState shift, int x, int y) {
    form_.TaskTrayMini1MouseDown(button, shift, x, y);
  };
}

Form1Window::~Form1Window() {
  DestroyWindow(window_);  // runs FormDestroy
  for (HFONT font : fonts_) DeleteObject(font);
  for (HBITMAP glyph : glyphs_) DeleteObject(glyph);
  if (tray_icon_ != nullptr) DestroyIcon(tray_icon_);
}

void Form1Window::BuildControls() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  std::map<std::string, HFONT> fonts;
  const auto font_for = [&](const layout::FontSpec& wanted) {
    const std::string key = std::string(wanted.face) + "/" + std::to_string(wanted.pixel_height);
    if (!fonts.contains(key)) {
      fonts[key] = CreateWindowsFont(wanted);
      fonts_.push_back(fonts[key]);
    }
    return fonts[key];
  };

  for (const ControlSpec& row : layout::Controls()) {
    const wchar_t* window_class = L"BUTTON";
    DWORD style = WS_CHILD | WS_VISIBLE | (row.tab_stop ? WS_TABSTOP : 0);
    DWORD ex_style = 0;
    switch (row.kind) {
      case ControlKind::DisplayField:
        window_class = L"EDIT";
        style |= ES_READONLY | ES_LEFT | ES_AUTOHSCROLL;
        ex_style = WS_EX_CLIENTEDGE;
        break;
      case ControlKind::PushButton: style |= BS_PUSHBUTTON; break;
      case ControlKind::GlyphButton: style |= BS_PUSHBUTTON | BS_BITMAP; break;
      case ControlKind::CheckBox: style |= BS_AUTOCHECKBOX; break;
      case ControlKind::HistoryPanel:
        window_class = L"EDIT";
        // Read-only, unwrapped lines, both scroll bars.
        style |= ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL | ES_AUTOVSCROLL | WS_VSCROLL | WS_HSCROLL;
        ex_style = WS_EX_CLIENTEDGE;
        break;
    }
    // `Panel1` stands at the client's origin; `Panel2` right of it.
    const int left = row.container == layout::Container::KeypadPanel ? row.left : layout::kKeypadPanelWidth + row.left;
    // Control ids travel in the menu-handle argument of a child window.
    const auto id = static_cast<INT_PTR>(kFirstControlId + static_cast<int>(RowOf(row)));
    HWND control = CreateWindowExW(ex_style, window_class, Wide(row.caption).c_str(), style, left, row.top,
                                   row.width, row.height, window_, reinterpret_cast<HMENU>(id), instance, nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_for(row.font)), FALSE);
    if (row.glyph != nullptr) {
      HBITMAP glyph = CreateGlyphBitmap(GlyphImage(row.glyph), GetSysColor(COLOR_BTNFACE));
      glyphs_.push_back(glyph);
      SendMessageW(control, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(glyph));
    }
    controls_.push_back(control);
  }

  edhyouj = ControlOf(*layout::FindControl("edhyouj"));
  btnwa = ControlOf(*layout::FindControl("btnwa"));
  CheckBox1 = ControlOf(*layout::FindControl("CheckBox1"));
  Memo1 = ControlOf(*layout::FindControl("Memo1"));

  // Operands have no length limit (an edit control's default is 32,767
  // characters), and neither has the tape.
  SendMessageW(edhyouj, EM_SETLIMITTEXT, 0, 0);
  SendMessageW(Memo1, EM_SETLIMITTEXT, 0, 0);
  CopyWaitsForClipboard(Memo1);
  SetWindowLongPtrW(edhyouj, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  display_field_proc_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(edhyouj, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Form1Window::DisplayFieldProc)));
  DockHistoryPanel();
}

// The tooltips show only while the pointer rests on a control, so they are
// set up once the window has been drawn: under Wine their window and the
// subclassing of each control took several milliseconds before the show.
void Form1Window::AddHints() {
  tooltips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0,
                              window_, nullptr, GetModuleHandleW(nullptr), nullptr);
  for (const ControlSpec& row : layout::Controls()) {
    if (row.hint == nullptr) continue;
    std::wstring hint = Wide(row.hint);
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(ControlOf(row));
    tool.lpszText = hint.data();
    SendMessageW(tooltips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

HWND Form1Window::ControlOf(const ControlSpec& control) const { return controls_[RowOf(control)]; }

layout::DockedPanels Form1Window::Docked() const {
  RECT client{};
  GetClientRect(window_, &client);
  return layout::DockPanels(client.right, client.bottom);
}

void Form1Window::DockHistoryPanel() {
  const ScreenRect memo = Docked().history_panel;
  MoveWindow(Memo1, memo.left, memo.top, memo.Width(), memo.Height(), TRUE);
}

void Form1Window::PaintPanels() {
  PAINTSTRUCT paint{};
  HDC dc = BeginPaint(window_, &paint);
  // `Panel1` and `Panel2`, each with a 1-pixel raised bevel.
  const layout::DockedPanels docked = Docked();
  for (const ScreenRect& panel : {docked.keypad_panel, docked.history_container}) {
    RECT edge{panel.left, panel.top, panel.right, panel.bottom};
    if (panel.Width() > 0) DrawEdge(dc, &edge, BDR_RAISEDINNER, BF_RECT);
  }
  EndPaint(window_, &paint);
}

LRESULT CALLBACK Form1Window::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    auto* form = static_cast<Form1Window*>(create->lpCreateParams);
    form->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  }
  auto* form = reinterpret_cast<Form1Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_NCDESTROY) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  if (form == nullptr || message == WM_NCDESTROY) return DefWindowProcW(window, message, wParam, lParam);
  return form->HandleMessage(message, wParam, lParam);
}

LRESULT Form1Window::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: {
      const auto row = static_cast<std::size_t>(LOWORD(wParam)) - kFirstControlId;
      // IDOK, IDCANCEL and the like are no control of the table.
      if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) >= kFirstControlId && row < layout::Controls().size()) {
        form_.ControlClicked(layout::Controls()[row]);
      }
      return 0;
    }
    case WM_CTLCOLORSTATIC: {
      // Read-only edits ask here: the display field and the history panel
      // are on the window background, the check box on the button face.
      auto dc = reinterpret_cast<HDC>(wParam);
      const auto control = reinterpret_cast<HWND>(lParam);
      const int colour = (control == edhyouj || control == Memo1) ? COLOR_WINDOW : COLOR_BTNFACE;
      SetTextColor(dc, RGB(0, 0, 0));
      SetBkColor(dc, GetSysColor(colour));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(colour));
    }
    case WM_SIZE:
      if (wParam == SIZE_MINIMIZED) {
        minimized_ = true;
      } else if (std::exchange(minimized_, false)) {
        form_.RestoredFromMinimize();
      }
      DockHistoryPanel();
      InvalidateRect(window_, nullptr, TRUE);
      return 0;
    case WM_PAINT:
      PaintPanels();
      return 0;
    case WM_SHOWWINDOW:
      // Sent before the window appears: the show handler runs before it is
      // drawn. lParam 0: shown by the program, not uncovered by the system.
      if (wParam != 0 && lParam == 0) form_.FormShow();
      break;
    case WM_ACTIVATE:
      // As a dialog does: the control that had the focus gets it back when
      // the window is active again (the system would focus the window itself).
      if (LOWORD(wParam) == WA_INACTIVE) {
        if (HWND focus = GetFocus(); focus != nullptr && IsChild(window_, focus)) last_focus_ = focus;
      } else {
        SetFocus(last_focus_ != nullptr ? last_focus_ : btnwa);
      }
      return 0;
    case WM_SETTINGCHANGE:
      // The user changed the regional settings: the separators follow.
      form_.History().SetSeparators(LoadSeparators());
      break;
    case WM_CLOSE:
      if (form_.CloseRequested()) PostQuitMessage(0);
      return 0;
    case WM_QUERYENDSESSION:
      // Windows wants the answer at once, and nothing shown while the session
      // ends: a modal box here would hold up the logoff behind a window the
      // user may never see. The settings are stored as at a close, a failure
      // only keeps the old file, and the session may end.
      return form_.QueryEndSession([] { return false; }) ? TRUE : FALSE;
    case WM_ENDSESSION:
      // The session does end: so does the program, from under the readme
      // window or an error box too (their modal loops end at the quit
      // message). The question above has stored the settings.
      if (wParam != FALSE) PostQuitMessage(0);
      return 0;
    case WM_DESTROY:
      form_.FormDestroy();
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT CALLBACK Form1Window::DisplayFieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* form = reinterpret_cast<Form1Window*>(GetWindowLongPtrW(field, GWLP_USERDATA));
  const auto pass_on = [&] { return CallWindowProcW(form->display_field_proc_, field, message, wParam, lParam); };
  switch (message) {
    case WM_SETCURSOR:
      SetCursor(LoadCursorW(nullptr, IDC_ARROW));
      return TRUE;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      form->form_.DisplayFieldPressed();
      break;
    case WM_LBUTTONUP:
    case WM_MBUTTONUP: {
      const LRESULT result = pass_on();
      form->form_.DisplayFieldReleased(message == WM_LBUTTONUP);
      return result;
    }
    case WM_LBUTTONDBLCLK:
      // Not passed on, so it never selects a word.
      form->form_.DisplayFieldDoubleClicked();
      return 0;
    case WM_CONTEXTMENU:
      // The right button's release: no menu.
      form->form_.DisplayFieldReleased(false);
      return 0;
    default:
      break;
  }
  return pass_on();
}

// ---- Form1View ----

std::string Form1Window::DisplayText() const { return Utf8(WindowText(edhyouj)); }

void Form1Window::SetDisplayText(const std::string& text) { SetWindowTextW(edhyouj, Wide(text).c_str()); }

// A digit typed onto the operand replaces the empty selection at the end of
// the field, so the field never takes the whole operand again (its text
// limit is lifted at creation, so long operands are taken whole).
void Form1Window::AppendDisplayText(std::string_view text) {
  const LRESULT length = SendMessageW(edhyouj, WM_GETTEXTLENGTH, 0, 0);
  SendMessageW(edhyouj, EM_SETSEL, static_cast<WPARAM>(length), length);
  SendMessageW(edhyouj, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(Wide(std::string(text)).c_str()));
}

void Form1Window::SetApplicationTitle(const std::string& title) {
  SetWindowTextW(application_window_, Wide(title).c_str());
}

void Form1Window::TapeLineAppended(std::string_view line) {
  // Appended at the end, never by setting the whole text again.
  const std::wstring text = (memo_lines_++ == 0 ? L"" : L"\r\n") + Wide(std::string(line));
  const int end = GetWindowTextLengthW(Memo1);
  SendMessageW(Memo1, EM_SETSEL, static_cast<WPARAM>(end), end);
  SendMessageW(Memo1, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

void Form1Window::TapeCleared() {
  memo_lines_ = 0;
  SetWindowTextW(Memo1, L"");
}

bool Form1Window::TapeHasSelection() const {
  DWORD start = 0, end = 0;
  SendMessageW(Memo1, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return start != end;
}

void Form1Window::CopyTapeSelection() { SendMessageW(Memo1, WM_COPY, 0, 0); }
void Form1Window::CopyText(const std::string& text) { CopyTextToClipboard(window_, Wide(text)); }
std::string Form1Window::ClipboardText() const { return Utf8(ClipboardUnicodeText(window_)); }
void Form1Window::WarningSound() { MessageBeep(MB_ICONWARNING); }

bool Form1Window::CheckBoxTicked() const { return SendMessageW(CheckBox1, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void Form1Window::SetCheckBox(bool ticked) {
  SendMessageW(CheckBox1, BM_SETCHECK, ticked ? BST_CHECKED : BST_UNCHECKED, 0);
}

const ControlSpec* Form1Window::FocusedControl() const {
  const auto found = std::ranges::find(controls_, GetFocus());
  if (found == controls_.end()) return nullptr;
  return &layout::Controls()[static_cast<std::size_t>(found - controls_.begin())];
}

void Form1Window::Focus(const ControlSpec& control, FocusMove) { SetFocus(ControlOf(control)); }

void Form1Window::SetClientSize(int width, int height) { win32::SetClientSize(window_, width, height); }

bool Form1Window::Visible() const { return IsWindowVisible(window_) != FALSE; }
bool Form1Window::Minimized() const { return IsIconic(window_) != FALSE; }

void Form1Window::SetVisible(bool visible) {
  ShowWindow(window_, visible ? SW_SHOW : SW_HIDE);
  if (!visible) return;
  shown_once_ = true;
  UpdateWindow(window_);
  if (tray_tip_after_show_) SetTrayIcon(kTrayAdd, *std::exchange(tray_tip_after_show_, std::nullopt));
  if (tooltips_ == nullptr) AddHints();
}

void Form1Window::Minimize() { ShowWindow(window_, SW_MINIMIZE); }
void Form1Window::Restore() { ShowWindow(window_, SW_RESTORE); }
void Form1Window::BringToFront() { SetForegroundWindow(window_); }
void Form1Window::SetTopmost(bool topmost) { SetWindowTopmost(window_, topmost); }
std::vector<Monitor> Form1Window::Monitors() const { return DisplayMonitors(); }

// The taskbar of Windows always has its notification area.
bool Form1Window::NotificationAreaAvailable() const { return true; }

// The hidden application window stands for the program on the taskbar: a
// tool window is not listed there.
void Form1Window::KeepOffTaskbar(bool off) { SetToolWindowStyle(application_window_, off); }

// At the start the icon goes to the notification area right after the
// window's first paint: the shell answers the add only once the
// notification area has made the icon's window (some 5 ms under Wine, with
// the shell library loaded first), and neither the map nor the first paint
// need wait for that.
void Form1Window::SetTrayIcon(std::uint8_t action, std::string_view tip) {
  if (!shown_once_ && action == kTrayAdd) {
    tray_tip_after_show_ = std::string(tip);
    return;
  }
  TaskTrayMini1->SetIcon(action, tray_icon_, std::string(tip));
}

void Form1Window::ShowErrorBox(const std::string& caption, const std::string& text) {
  win32::ShowErrorBox(window_, caption, text);
}

void Form1Window::ShowReadmeModal() {
  if (readme_ != nullptr) readme_->ShowModalFor(window_);
}

bool Form1Window::ReadmeMinimized() const { return readme_ != nullptr && readme_->OpenAndMinimized(); }

void Form1Window::RestoreReadme() {
  if (readme_ != nullptr) readme_->BringBack();
}

}  // namespace numira::win32
