// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "ui/keypad_layout.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace numira::layout {
namespace {

using enum ControlKind;
using enum Container;
using A = Action;

constexpr FontSpec kWin = kWindowFont;

// Rows in `Panel1`'s control order: the arrow keys walk it, so from "=" Right
// and Down reach "000" and Left and Up reach "+-".
constexpr std::array kControls{
    ControlSpec{"edhyouj", DisplayField, KeypadPanel, 5, 8, 164, 23, "",
                "ダブルクリックで標準版/縮小版切り替え", kWin, false, std::nullopt, nullptr},
    ControlSpec{"btn0", PushButton, KeypadPanel, 8, 134, 30, 30, "0", nullptr, kWin, false, A::Digit0, nullptr},
    ControlSpec{"btn7", PushButton, KeypadPanel, 8, 35, 30, 30, "7", nullptr, kWin, false, A::Digit7, nullptr},
    ControlSpec{"btn8", PushButton, KeypadPanel, 40, 35, 30, 30, "8", nullptr, kWin, false, A::Digit8, nullptr},
    ControlSpec{"btn9", PushButton, KeypadPanel, 72, 35, 30, 30, "9", nullptr, kWin, false, A::Digit9, nullptr},
    ControlSpec{"btntas", PushButton, KeypadPanel, 104, 35, 30, 30, "+", nullptr, kWin, false, A::Add, nullptr},
    ControlSpec{"btnac", PushButton, KeypadPanel, 136, 35, 30, 30, "AC", "[Home]", kPGothic15, false, A::Clear,
                nullptr},
    ControlSpec{"btn4", PushButton, KeypadPanel, 8, 68, 30, 30, "4", nullptr, kWin, false, A::Digit4, nullptr},
    ControlSpec{"btn5", PushButton, KeypadPanel, 40, 68, 30, 30, "5", nullptr, kWin, false, A::Digit5, nullptr},
    ControlSpec{"btn6", PushButton, KeypadPanel, 72, 68, 30, 30, "6", nullptr, kWin, false, A::Digit6, nullptr},
    ControlSpec{"btnhik", PushButton, KeypadPanel, 104, 68, 30, 30, "-", nullptr, kWin, false, A::Subtract,
                nullptr},
    ControlSpec{"btnbs", PushButton, KeypadPanel, 136, 68, 30, 30, "BS", "[BackSpace]", kGothic15, false,
                A::Backspace, nullptr},
    ControlSpec{"btn1", PushButton, KeypadPanel, 8, 101, 30, 30, "1", nullptr, kWin, false, A::Digit1, nullptr},
    ControlSpec{"btn2", PushButton, KeypadPanel, 40, 101, 30, 30, "2", nullptr, kWin, false, A::Digit2, nullptr},
    ControlSpec{"btn3", PushButton, KeypadPanel, 72, 101, 30, 30, "3", nullptr, kWin, false, A::Digit3, nullptr},
    ControlSpec{"btnkake", PushButton, KeypadPanel, 104, 101, 30, 30, "*", nullptr, kWin, false, A::Multiply,
                nullptr},
    ControlSpec{"btnpramai", PushButton, KeypadPanel, 136, 101, 30, 30, "+-", "[p]", kGothic15, false,
                A::SignChange, nullptr},
    ControlSpec{"btnwa", PushButton, KeypadPanel, 136, 134, 30, 30, "=", "[Enter]", kWin, true, A::Equals,
                nullptr},
    ControlSpec{"btn000", PushButton, KeypadPanel, 40, 134, 30, 30, "000", "[z]", kSmallFonts9, false,
                A::TripleZero, nullptr},
    // The caption is the full-width point; the text typed is the decimal point.
    ControlSpec{"btnten", PushButton, KeypadPanel, 72, 134, 30, 30, "．", nullptr, kWin, false, A::Point, nullptr},
    ControlSpec{"btnwaru", PushButton, KeypadPanel, 104, 134, 30, 30, "/", nullptr, kWin, false, A::Divide,
                nullptr},
    ControlSpec{"BitBtn1", GlyphButton, KeypadPanel, 8, 168, 30, 30, "", "最小化", kWin, true, std::nullopt,
                "glyph_minimize.xpm"},
    ControlSpec{"BitBtn2", GlyphButton, KeypadPanel, 40, 168, 30, 30, "", "バージョン＆ヘルプ", kWin, true,
                std::nullopt, "glyph_readme.xpm"},
    ControlSpec{"CheckBox1", CheckBox, KeypadPanel, 76, 174, 77, 17, "常に前面", nullptr, kPGothic15, true,
                std::nullopt, nullptr},
    // Docked to fill `Panel2` inside its bevel; 196 x 203 in the standard view.
    ControlSpec{"Memo1", HistoryPanel, HistoryContainer, 1, 1, 196, 203, "", "入力履歴", kWin, true,
                std::nullopt, nullptr},
};

}  // namespace

std::span<const ControlSpec> Controls() { return kControls; }

DockedPanels DockPanels(int client_width, int client_height) {
  const int right = std::max(client_width, kKeypadPanelWidth);
  const ScreenRect container{kKeypadPanelWidth, 0, right, client_height};
  const ScreenRect inside{container.left + kBevelWidth, kBevelWidth,
                          std::max(container.left + kBevelWidth, right - kBevelWidth),
                          std::max(kBevelWidth, client_height - kBevelWidth)};
  return {{0, 0, kKeypadPanelWidth, client_height}, container, inside};
}

std::span<const ControlSpec* const> ReadingOrder() {
  static const std::vector<const ControlSpec*> order = [] {
    std::vector<const ControlSpec*> controls;
    for (const ControlSpec& control : kControls) {
      if (control.container == KeypadPanel) controls.push_back(&control);
    }
    // A row's controls share their top, but for the check box, which stands
    // right of the glyph buttons in their row.
    std::ranges::stable_sort(controls, [](const ControlSpec* a, const ControlSpec* b) {
      return std::pair(a->top, a->left) < std::pair(b->top, b->left);
    });
    return controls;
  }();
  return order;
}

const ControlSpec* FindControl(std::string_view name) {
  const auto it = std::ranges::find_if(kControls, [name](const ControlSpec& c) { return c.name == name; });
  return it == kControls.end() ? nullptr : &*it;
}

}  // namespace numira::layout
