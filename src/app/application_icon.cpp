// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "app/application_icon.h"

#include <QIcon>
#include <QPixmap>
#include <QString>

#include <algorithm>
#include <initializer_list>

#include "app/images.h"

namespace numira {

QImage DrawnIconPicture(int size) {
  if (std::find(kDrawnIconSizes.begin(), kDrawnIconSizes.end(), size) == kDrawnIconSizes.end()) return {};
  // The 32-pixel picture is the application icon proper and keeps its name.
  return platform::LoadXpm(size == 32 ? QStringLiteral(":/numira/numira.xpm")
                                      : QStringLiteral(":/numira/numira%1.xpm").arg(size));
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
