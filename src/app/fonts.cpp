// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "app/fonts.h"

#include <QFont>

namespace numira::platform {

QStringList FontFamilies(const QString& windows_face) {
  if (windows_face == QStringLiteral("MS UI Gothic") || windows_face == QStringLiteral("ＭＳ Ｐゴシック")) {
    return {windows_face, QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic")};
  }
  if (windows_face == QStringLiteral("ＭＳ ゴシック")) {
    return {windows_face, QStringLiteral("IPAGothic"), QStringLiteral("IPAPGothic")};
  }
  if (windows_face == QStringLiteral("Small Fonts")) {
    return {windows_face, QStringLiteral("DejaVu Sans"), QStringLiteral("IPAPGothic")};
  }
  return {windows_face};
}

QFont WindowsFont(const QString& windows_face, int pixel_height) {
  QFont font;
  font.setFamilies(FontFamilies(windows_face));
  font.setPixelSize(pixel_height);
  return font;
}

}  // namespace numira::platform
