// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "app/application_icon.h"

#include <gtest/gtest.h>

#include <QIcon>
#include <QList>
#include <QPixmap>
#include <QSet>
#include <QSize>

#include <vector>

namespace numira {
namespace {

// The colours a picture uses, every transparent pixel counted as one colour.
QSet<QRgb> ColoursOf(const QImage& picture) {
  const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
  QSet<QRgb> colours;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) colours.insert(qAlpha(image.pixel(x, y)) == 0 ? 0 : image.pixel(x, y));
  }
  return colours;
}

// Every size shows exactly the colours of the 32 x 32 picture (transparent,
// white, grey, black, cyan, yellow): a picture reduced or enlarged by a
// non-integer factor would blend them into others, and a picture drawn
// without one of them would lack a part of the calculator.
void ExpectSameColoursAsTheApplicationIcon(const QImage& picture, int size) {
  static const QSet<QRgb> kArtColours = ColoursOf(DrawnIconPicture(32));
  ASSERT_EQ(kArtColours.size(), 6);
  EXPECT_EQ(picture.size(), QSize(size, size));
  EXPECT_EQ(ColoursOf(picture), kArtColours) << size << " x " << size;
}

TEST(ApplicationIcon, EveryThemeSizeKeepsThePaletteUnblended) {
  for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    ExpectSameColoursAsTheApplicationIcon(IconPicture(size, DrawnIconPicture), size);
  }
  EXPECT_TRUE(IconPicture(20, DrawnIconPicture).isNull());
}

TEST(ApplicationIcon, WindowsAndTrayCarryTheirSizes) {
  const struct {
    QIcon icon;
    std::vector<int> sizes;
  } cases[] = {
      {ApplicationIcon(), {16, 24, 32, 48, 64}},
      {TrayIcon(), {16, 22, 24, 32, 48, 64}},
  };
  for (const auto& c : cases) {
    QList<QSize> expected;
    for (const int size : c.sizes) expected.append(QSize(size, size));
    EXPECT_EQ(c.icon.availableSizes(), expected);
    for (const int size : c.sizes) {
      ExpectSameColoursAsTheApplicationIcon(c.icon.pixmap(QSize(size, size)).toImage(), size);
    }
  }
}

// The 22-pixel picture is the 24-pixel one less its outer ring, which must
// therefore stay transparent.
TEST(ApplicationIcon, PictureOf24HasATransparentOuterRing) {
  const QImage picture = DrawnIconPicture(24).convertToFormat(QImage::Format_ARGB32);
  ASSERT_EQ(picture.size(), QSize(24, 24));
  for (int i = 0; i < 24; ++i) {
    for (const auto& [x, y] : {std::pair{i, 0}, std::pair{i, 23}, std::pair{0, i}, std::pair{23, i}}) {
      EXPECT_EQ(qAlpha(picture.pixel(x, y)), 0) << x << "," << y;
    }
  }
}

}  // namespace
}  // namespace numira
