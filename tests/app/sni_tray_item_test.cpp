// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// The pictures the program's own StatusNotifierItem hands to hosts: every
// size of the icon, pixels as ARGB32 in network byte order.

#include "app/sni_tray_item.h"

#include <QByteArray>
#include <QIcon>
#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

namespace numira {
namespace {

QPixmap Filled(int width, int height, QRgb argb) {
  QImage image(width, height, QImage::Format_ARGB32);
  image.fill(argb);
  return QPixmap::fromImage(image);
}

TEST(SniIconPixmaps, GivesEverySizeWithPixelsInNetworkByteOrder) {
  QImage mixed(3, 1, QImage::Format_ARGB32);
  mixed.setPixel(0, 0, qRgba(0xff, 0x00, 0x00, 0xff));  // opaque red
  mixed.setPixel(1, 0, qRgba(0x00, 0x00, 0x00, 0x00));  // transparent
  mixed.setPixel(2, 0, qRgba(0x12, 0x34, 0x56, 0xff));
  QIcon icon(QPixmap::fromImage(mixed));
  icon.addPixmap(Filled(2, 2, qRgba(0x00, 0xff, 0xff, 0xff)));

  const SniPixmaps pixmaps = SniIconPixmaps(icon);
  ASSERT_EQ(pixmaps.size(), 2);
  EXPECT_EQ(pixmaps[0].width, 3);
  EXPECT_EQ(pixmaps[0].height, 1);
  EXPECT_EQ(pixmaps[0].pixels.toHex(' '), QByteArray("ff ff 00 00 00 00 00 00 ff 12 34 56"));
  EXPECT_EQ(pixmaps[1].width, 2);
  EXPECT_EQ(pixmaps[1].height, 2);
  EXPECT_EQ(pixmaps[1].pixels, QByteArray::fromHex("ff00ffff").repeated(4));
}

TEST(SniIconPixmaps, NullIconGivesNoPicture) { EXPECT_TRUE(SniIconPixmaps(QIcon()).isEmpty()); }

}  // namespace
}  // namespace numira
