// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// The application icon, a pocket calculator in the 16-colour palette, at
// every size a desktop shows it. Four pictures are drawn by hand, one for each
// of 16, 24, 32 and 48 pixels (resources/numira16.xpm, numira24.xpm,
// numira.xpm, numira48.xpm); every other size is one of them without
// resampling, so no size is a blurred reduction or a non-integer enlargement:
//   22            the 24-pixel picture less its transparent outer pixel
//   64, 128, 256  the 32-pixel picture enlarged 2, 4 and 8 times
// The icon theme's PNGs (packaging/icon_png.cpp) come from the same rule.

#include <QImage>

#include <array>

class QIcon;

namespace numira {

inline constexpr std::array<int, 4> kDrawnIconSizes = {16, 24, 32, 48};

// The icon's picture at `size` pixels, made from the drawn pictures that
// `drawn(drawn_size)` returns for each of kDrawnIconSizes. Null for a size
// the rule above does not give, or when the picture it needs is missing.
template <typename DrawnPicture>
QImage IconPicture(int size, const DrawnPicture& drawn) {
  for (const int drawn_size : kDrawnIconSizes) {
    if (size == drawn_size) return drawn(size);
  }
  if (size == 22) {
    const QImage picture = drawn(24);
    return picture.isNull() ? QImage() : picture.copy(1, 1, 22, 22);
  }
  if (size == 64 || size == 128 || size == 256) {
    const QImage picture = drawn(32);
    // Nearest-pixel enlargement by a whole factor: each pixel a square.
    return picture.isNull() ? QImage() : picture.scaled(size, size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
  }
  return {};
}

// A hand-drawn picture from the program's resources, by its size (one of
// kDrawnIconSizes); null for any other size.
QImage DrawnIconPicture(int size);

// The icon the windows carry (_NET_WM_ICON on X11, for taskbars, Alt+Tab and
// captions): 16, 24, 32, 48 and 64 pixels.
QIcon ApplicationIcon();

// The notification area's icon: the same pictures and 22 pixels, the size of
// Qt's own XEmbed tray icon, which would otherwise reduce a larger picture.
QIcon TrayIcon();

}  // namespace numira
