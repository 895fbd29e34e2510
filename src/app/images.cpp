// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "app/images.h"

#include <QBitmap>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QPixmap>

namespace numira::platform {
namespace {

QPixmap TransparentPixmap(const QImage& half, QRgb transparent) {
  QPixmap pixmap = QPixmap::fromImage(half);
  pixmap.setMask(QBitmap::fromImage(half.createMaskFromColor(transparent, Qt::MaskInColor)));
  return pixmap;
}

}  // namespace

QImage LoadXpm(const QString& path) {
  QImageReader reader(path, "XPM");
  reader.setAutoDetectImageFormat(false);
  return reader.read();
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
