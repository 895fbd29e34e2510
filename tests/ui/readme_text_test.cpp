// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// The readme window's fixed text, as both front-ends show it.

#include "ui/readme_text.h"

#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

namespace numira {
namespace {

TEST(ReadmeText, HoldsTheFortyThreeLinesExactly) {
  // The readme as designed. Exact lines are compared whole; the lines whose
  // wording is ours are held to their fixed parts.
  enum Match { Exact, Prefix, Suffix, AnyText };
  struct Line {
    Match match;
    const char* text;
  };
  const Line expected[] = {
      {Exact, "「Numira」V4.2"},
      {Exact, ""},
      {Exact, "小さくてシンプルな四則電卓です。"},
      {Exact, ""},
      {Exact, "表示窓のダブルクリックでフォームの拡大/縮小，"},
      {Exact, ""},
      {Exact, "テンキー入力もできます。"},
      {Exact, ""},
      {Exact, "【使用方法】"},
      {Exact, ""},
      {Exact, "任意のフォルダにkelto.exeを置いて実行するだけです。"},
      {Exact, ""},
      {Exact, "あとは普通の四則電卓と操作はいっしょです。"},
      {Exact, ""},
      {Exact, "注：連続計算ができますが，計算記号の優先順位はありません。"},
      {Exact, "入力した順に計算していきます。"},
      {Exact, ""},
      {Suffix, "。Windows10で動きます。"},
      {Exact, ""},
      {Exact, ""},
      {AnyText, "Numira"},  // free software, may be redistributed freely
      {Exact, ""},
      {AnyText, ""},  // a one-line notice
      {Exact, ""},
      {Exact, ""},
      {Exact, "変更履歴"},
      {Prefix, "1997/08/02 V1.0 初回原形("},
      {Exact, "1997/08/04 V1.1 微調整。"},
      {Exact, "1997/08/05 V1.2 微調整。"},
      {Exact, "1997/08/22 V1.3 バージョン情報追加。"},
      {Exact, "1997/08/26 V1.4 ★Windowsのフォントサイズを変えたときに"},
      {Exact, " 電卓のフォームにスクロールバーがついてしまうバグを修正。"},
      {Prefix, "1997/09/19 V1.5 ☆"},
      {Exact, "1997/09/23 V2.0 ☆√，πボタンをなくして、メモリー機能ボタン"},
      {Exact, " を追加し、キーボード入力に対応。"},
      {Prefix, "1998/12/25 V3.0 よりシンプルになって、"},
      {Prefix, "1999/12/02 V3.1 "},
      {Exact, " 指数表示の時に桁が多すぎて結果表示窓枠に"},
      {Exact, " 表示しきれなかったバグを訂正。"},
      {Exact, "2020/06/28 V4.0 入力履歴枠を追加。"},
      {Exact, "2022/01/30 V4.1 ボタンやウインドウの大きさを少し大きくした。計算結果の表示を"},
      {Exact, "3桁区切りの表示に変えた。"},
      {Exact, "2023/08/24 V4.2 iniフォームの位置をモニタ内に表示するようにした"},
  };
  static_assert(std::size(expected) == 43);

  std::vector<std::string> lines;
  for (const char* line : ReadmeText()) lines.emplace_back(line);
  ASSERT_EQ(lines.size(), 43u);
  for (std::size_t i = 0; i < 43; ++i) {
    SCOPED_TRACE("line " + std::to_string(i + 1));
    const std::string_view want = expected[i].text;
    const std::string& got = lines[i];
    switch (expected[i].match) {
      case Exact: EXPECT_EQ(got, want); break;
      case Prefix: EXPECT_TRUE(got.starts_with(want) && got.size() > want.size()) << got; break;
      case Suffix: EXPECT_TRUE(got.ends_with(want) && got.size() > want.size()) << got; break;
      case AnyText:
        EXPECT_TRUE(got.find(want) != std::string::npos && got.find_first_not_of(' ') != std::string::npos) << got;
        break;
    }
    EXPECT_EQ(got.find('\t'), std::string::npos);
  }
  // The version history names no development product.
  for (const std::size_t line : {27u, 33u, 36u, 37u}) {
    EXPECT_NE(lines[line - 1].find("開発ツール"), std::string::npos) << line;
  }
  // Line 18 names the compiler, which builds the Linux and the Windows program alike.
  EXPECT_TRUE(lines[17].starts_with("C++20 (g++ 12) で作りました。"));
}

}  // namespace
}  // namespace numira
