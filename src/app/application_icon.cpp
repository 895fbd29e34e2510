// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "app/application_icon.h"

#include <QIcon>
#include <QPixmap>

#include <algorithm>
#include <initializer_list>

namespace numira {
namespace {

// The XPM files are C arrays; the 32-pixel picture is the application icon
// proper and keeps its name.
#include "app/resources/numira.xpm"
#include "app/resources/numira16.xpm"
#include "app/resources/numira24.xpm"
#include "app/resources/numira48.xpm"

}  // namespace

QImage DrawnIconPicture(int size) {
  // Each picture is decoded once: the window icon and the tray icon both
  // start from them, and every size of the program's own is made at start.
  static const QImage pictures[] = {QImage(numira_icon_16), QImage(numira_icon_24), QImage(numira_icon),
                                    QImage(numira_icon_48)};
  const auto found = std::find(kDrawnIconSizes.begin(), kDrawnIconSizes.end(), size);
  if (found == kDrawnIconSizes.end()) return {};
  return pictures[found - kDrawnIconSizes.begin()];
}

namespace {

QIcon IconOfSizes(std::initializer_list<int> sizes) {
  QIcon icon;
  for (const int size : sizes) icon.addPixmap(QPixmap::fromImage(IconPicture(size, DrawnIconPicture)));
  return icon;
}

}  // namespace

QIcon ApplicationIcon() {
  static const QIcon icon = IconOfSizes({16, 24, 32, 48, 64});
  return icon;
}

QIcon TrayIcon() {
  static const QIcon icon = IconOfSizes({16, 22, 24, 32, 48, 64});
  return icon;
}

}  // namespace numira
