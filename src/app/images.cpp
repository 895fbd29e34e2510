// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "app/images.h"

#include <QBitmap>
#include <QIcon>
#include <QImage>
#include <QPixmap>

#include <cstring>

namespace numira::platform {
namespace {

// The XPM files are C arrays.
#include "app/resources/glyph_minimize.xpm"
#include "app/resources/glyph_readme.xpm"

QPixmap TransparentPixmap(const QImage& half, QRgb transparent) {
  QPixmap pixmap = QPixmap::fromImage(half);
  pixmap.setMask(QBitmap::fromImage(half.createMaskFromColor(transparent, Qt::MaskInColor)));
  return pixmap;
}

}  // namespace

QImage GlyphPicture(const char* file_name) {
  if (file_name == nullptr) return {};
  if (std::strcmp(file_name, "glyph_minimize.xpm") == 0) return QImage(glyph_minimize);
  if (std::strcmp(file_name, "glyph_readme.xpm") == 0) return QImage(glyph_readme);
  return {};
}

QIcon GlyphIcon(const QImage& bitmap) {
  if (bitmap.isNull()) return {};
  const QImage image = bitmap.convertToFormat(QImage::Format_RGB32);
  const QRgb transparent = image.pixel(0, image.height() - 1);
  const int half = image.width() / 2;
  QIcon icon;
  icon.addPixmap(TransparentPixmap(image.copy(0, 0, half, image.height()), transparent), QIcon::Normal);
  icon.addPixmap(TransparentPixmap(image.copy(half, 0, half, image.height()), transparent), QIcon::Disabled);
  return icon;
}

}  // namespace numira::platform
