// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "app/fonts.h"

#include <gtest/gtest.h>

#include <QFont>
#include <QFontInfo>

namespace numira::platform {
namespace {

// A font of a Windows face is asked for by one installed family only; the
// face drawn must be the one that asking for the face and all its stand-ins
// gives, for every face and size the windows use.
TEST(WindowsFonts, OneInstalledFamilyDrawsTheFaceTheWholeListGives) {
  const struct {
    const char* face;
    int pixel_height;
  } cases[] = {{"MS UI Gothic", 19}, {"ＭＳ Ｐゴシック", 15}, {"ＭＳ ゴシック", 15}, {"Small Fonts", 9},
               {"No Such Face Anywhere", 12}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.face);
    const QString face = QString::fromUtf8(c.face);
    QFont whole_list;
    whole_list.setFamilies(FontFamilies(face));
    whole_list.setPixelSize(c.pixel_height);
    const QFont asked = WindowsFont(face, c.pixel_height);
    ASSERT_EQ(asked.families().size(), 1);
    EXPECT_TRUE(FontFamilies(face).contains(asked.families().first()));
    const QFontInfo expected(whole_list), drawn(asked);
    EXPECT_EQ(drawn.family(), expected.family());
    EXPECT_EQ(drawn.styleName(), expected.styleName());
    EXPECT_EQ(drawn.pixelSize(), c.pixel_height);
  }
}

}  // namespace
}  // namespace numira::platform
