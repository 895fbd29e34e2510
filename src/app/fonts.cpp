// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "app/fonts.h"

#include <QFont>
#include <QFontDatabase>
#include <QHash>

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

QString InstalledFontFamily(const QString& windows_face) {
  // Every control asks again for one of four faces; fontconfig is asked once
  // per face (hasFamily knows Qt's own aliases, such as localized names).
  static QHash<QString, QString> known;
  const auto found = known.constFind(windows_face);
  if (found != known.constEnd()) return *found;
  QString family = windows_face;
  for (const QString& candidate : FontFamilies(windows_face)) {
    if (QFontDatabase::hasFamily(candidate)) {
      family = candidate;
      break;
    }
  }
  known.insert(windows_face, family);
  return family;
}

QFont WindowsFont(const QString& windows_face, int pixel_height) {
  QFont font;
  font.setFamilies({InstalledFontFamily(windows_face)});
  font.setPixelSize(pixel_height);
  return font;
}

}  // namespace numira::platform
