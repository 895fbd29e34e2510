// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "win32/Kelto_.h"

#include <commctrl.h>

#include <algorithm>
#include <exception>
#include <map>
#include <utility>

#include "core/error_box_text.h"
#include "core/separators.h"
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

int ControlId(std::size_t row) { return kFirstControlId + static_cast<int>(row); }

}  // namespace

TForm1::TForm1(HWND application_window) : application_window_(application_window) {
  // The user's separators, read again at every WM_SETTINGCHANGE.
  tape_.SetSeparators(LoadSeparators());
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
  BuildControls();
  tape_.SetObserver(this);

  // The tray component belongs to the window and dies with it.
  TaskTrayMini1 = std::make_unique<TTaskTrayMini>(window_);
  TaskTrayMini1->OnMouseDown = [this](TTaskTrayMini* sender, TMouseButton button, TShiftState shift, int x, int y) {
    TaskTrayMini1MouseDown(sender, button, shift, x, y);
  };
}

TForm1::~TForm1() {
  tape_.SetObserver(nullptr);
  DestroyWindow(window_);  // runs FormDestroy
  for (HFONT font : fonts_) DeleteObject(font);
  for (HBITMAP glyph : glyphs_) DeleteObject(glyph);
  if (tray_icon_ != nullptr) DestroyIcon(tray_icon_);
}

void TForm1::BuildControls() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  tooltips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0,
                              window_, nullptr, instance, nullptr);
  std::map<std::string, HFONT> fonts;
  const auto font_for = [&](const layout::FontSpec& wanted) {
    const std::string key = std::string(wanted.face) + "/" + std::to_string(wanted.pixel_height);
    if (!fonts.contains(key)) {
      fonts[key] = CreateWindowsFont(wanted);
      fonts_.push_back(fonts[key]);
    }
    return fonts[key];
  };

  const auto rows = layout::Controls();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const ControlSpec& row = rows[i];
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
    HWND control = CreateWindowExW(ex_style, window_class, Wide(row.caption).c_str(), style, left, row.top,
                                   row.width, row.height, window_,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(i))), instance, nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_for(row.font)), FALSE);
    if (row.glyph != nullptr) {
      HBITMAP glyph = CreateGlyphBitmap(GlyphImage(row.glyph), GetSysColor(COLOR_BTNFACE));
      glyphs_.push_back(glyph);
      SendMessageW(control, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(glyph));
    }
    if (row.hint != nullptr) {
      std::wstring hint = Wide(row.hint);
      TOOLINFOW tool{};
      tool.cbSize = sizeof tool;
      tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
      tool.hwnd = window_;
      tool.uId = reinterpret_cast<UINT_PTR>(control);
      tool.lpszText = hint.data();
      SendMessageW(tooltips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    controls_.push_back(control);
    if (row.container == layout::Container::KeypadPanel && row.kind != ControlKind::DisplayField) {
      keypad_order_.push_back(control);
    }
  }

  edhyouj = Control("edhyouj");
  btnwa = Control("btnwa");
  BitBtn1 = Control("BitBtn1");
  BitBtn2 = Control("BitBtn2");
  CheckBox1 = Control("CheckBox1");
  Memo1 = Control("Memo1");
  for (const char* name : layout::kTabOrder) tab_order_.push_back(Control(name));

  // Operands have no length limit (an edit control's default is 32,767
  // characters), and neither has the tape.
  SendMessageW(edhyouj, EM_SETLIMITTEXT, 0, 0);
  SendMessageW(Memo1, EM_SETLIMITTEXT, 0, 0);
  SetWindowLongPtrW(edhyouj, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  display_field_proc_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(edhyouj, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TForm1::DisplayFieldProc)));
  DockHistoryPanel();
}

HWND TForm1::Control(std::string_view name) const {
  const auto rows = layout::Controls();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].name == name) return controls_[i];
  }
  return nullptr;
}

void TForm1::DockHistoryPanel() {
  RECT client{};
  GetClientRect(window_, &client);
  const int bevel = layout::kBevelWidth;
  const int panel_width = std::max(0, static_cast<int>(client.right) - layout::kKeypadPanelWidth);
  MoveWindow(Memo1, layout::kKeypadPanelWidth + bevel, bevel, std::max(0, panel_width - 2 * bevel),
             std::max(0, static_cast<int>(client.bottom) - 2 * bevel), TRUE);
}

void TForm1::PaintPanels() {
  PAINTSTRUCT paint{};
  HDC dc = BeginPaint(window_, &paint);
  RECT client{};
  GetClientRect(window_, &client);
  // `Panel1` and `Panel2`, each with a 1-pixel raised bevel.
  RECT keypad{0, 0, layout::kKeypadPanelWidth, client.bottom};
  RECT history{layout::kKeypadPanelWidth, 0, std::max(client.right, LONG{layout::kKeypadPanelWidth}), client.bottom};
  DrawEdge(dc, &keypad, BDR_RAISEDINNER, BF_RECT);
  if (history.right > history.left) DrawEdge(dc, &history, BDR_RAISEDINNER, BF_RECT);
  EndPaint(window_, &paint);
}

LRESULT CALLBACK TForm1::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    auto* form = static_cast<TForm1*>(create->lpCreateParams);
    form->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  }
  auto* form = reinterpret_cast<TForm1*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_NCDESTROY) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  if (form == nullptr || message == WM_NCDESTROY) return DefWindowProcW(window, message, wParam, lParam);
  return form->HandleMessage(message, wParam, lParam);
}

LRESULT TForm1::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) Command(LOWORD(wParam));
      return 0;
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
      DockHistoryPanel();
      InvalidateRect(window_, nullptr, TRUE);
      return 0;
    case WM_PAINT:
      PaintPanels();
      return 0;
    case WM_SHOWWINDOW:
      // Sent before the window appears: the show handler runs before it is
      // drawn. lParam 0: shown by the program, not uncovered by the system.
      if (wParam != 0 && lParam == 0) FormShow();
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
      tape_.SetSeparators(LoadSeparators());
      break;
    case WM_CLOSE: {
      bool can_close = true;
      if (RunHandler([&] { FormCloseQuery(can_close); }) && can_close) PostQuitMessage(0);
      return 0;
    }
    case WM_QUERYENDSESSION: {
      bool can_close = true;
      return (RunHandler([&] { FormCloseQuery(can_close); }) && can_close) ? TRUE : FALSE;
    }
    case WM_DESTROY:
      RunHandler([this] { FormDestroy(); });
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT CALLBACK TForm1::DisplayFieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* form = reinterpret_cast<TForm1*>(GetWindowLongPtrW(field, GWLP_USERDATA));
  // The first release of a click runs edhyoujClick, a double-click
  // edhyoujDblClick (and its closing release nothing); the double-click is
  // not passed on, so it never selects a word.
  switch (message) {
    case WM_SETCURSOR:
      SetCursor(LoadCursorW(nullptr, IDC_ARROW));
      return TRUE;
    case WM_LBUTTONDOWN:
      form->release_ends_double_click_ = false;
      break;
    case WM_LBUTTONUP: {
      const LRESULT result = CallWindowProcW(form->display_field_proc_, field, message, wParam, lParam);
      if (!std::exchange(form->release_ends_double_click_, false)) form->RunHandler([form] { form->edhyoujClick(); });
      return result;
    }
    case WM_LBUTTONDBLCLK:
      form->release_ends_double_click_ = true;
      form->RunHandler([form] { form->edhyoujDblClick(); });
      return 0;
    case WM_CONTEXTMENU:
      form->FocusEquals();  // no menu; the field never keeps the focus
      return 0;
    default:
      break;
  }
  return CallWindowProcW(form->display_field_proc_, field, message, wParam, lParam);
}

void TForm1::Command(int id) {
  const auto rows = layout::Controls();
  const auto row = static_cast<std::size_t>(id - kFirstControlId);
  if (id < kFirstControlId || row >= rows.size()) return;  // IDOK, IDCANCEL, ...
  if (rows[row].action) {
    Perform(*rows[row].action);
  } else if (controls_[row] == BitBtn1) {
    BitBtn1Click();
  } else if (controls_[row] == BitBtn2) {
    BitBtn2Click();
  } else if (controls_[row] == CheckBox1) {
    RunHandler([this] { CheckBox1Click(); });
  }
}

bool TForm1::RunHandler(const std::function<void()>& handler) {
  try {
    handler();
    return true;
  } catch (const std::exception& error) {
    ShowErrorBox(window_, application_title_, ErrorBoxText(error.what()));
    return false;
  }
}

void TForm1::ApplyViewMode() {
  if (standard_view_) {
    SetClientSize(window_, layout::kStandardClientWidth, layout::kStandardClientHeight);
  } else {
    SetClientSize(window_, layout::kCompactClientWidth, layout::kCompactClientHeight);
  }
}

void TForm1::edhyoujClick() { FocusEquals(); }

void TForm1::edhyoujDblClick() {
  standard_view_ = !standard_view_;
  ApplyViewMode();
  FocusEquals();
}

void TForm1::Perform(Action action) {
  RunHandler([this, action] { tape_.Perform(action); });
}

std::string TForm1::DisplayText() const { return Utf8(WindowText(edhyouj)); }

void TForm1::SetDisplayText(const std::string& text) { SetWindowTextW(edhyouj, Wide(text).c_str()); }

// A digit typed onto the operand replaces the empty selection at the end of
// the field, so the field never takes the whole operand again (its text
// limit is lifted at creation, so long operands are taken whole).
void TForm1::AppendDisplayText(std::string_view text) {
  const LRESULT length = SendMessageW(edhyouj, WM_GETTEXTLENGTH, 0, 0);
  SendMessageW(edhyouj, EM_SETSEL, static_cast<WPARAM>(length), length);
  SendMessageW(edhyouj, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(Wide(std::string(text)).c_str()));
}

void TForm1::SetApplicationTitle(const std::string& title) {
  application_title_ = title;
  SetWindowTextW(application_window_, Wide(title).c_str());
}

void TForm1::FocusEquals() { SetFocus(btnwa); }

void TForm1::LineAppended(std::string_view line) {
  // Appended at the end, never by setting the whole text again.
  const std::wstring text = (memo_lines_++ == 0 ? L"" : L"\r\n") + Wide(line);
  const int end = GetWindowTextLengthW(Memo1);
  SendMessageW(Memo1, EM_SETSEL, static_cast<WPARAM>(end), end);
  SendMessageW(Memo1, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

void TForm1::LinesCleared() {
  memo_lines_ = 0;
  SetWindowTextW(Memo1, L"");
}

}  // namespace numira::win32
