// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "ui/readme_text.h"

#include "ui/version.h"

namespace numira {
namespace {

// Lines that begin with a space continue the change-history entry above them.
constexpr std::array<const char*, kReadmeLineCount> kReadmeText{
    "「Numira」V" NUMIRA_VERSION,
    "",
    "小さくてシンプルな四則電卓です。",
    "",
    "表示窓のダブルクリックでフォームの拡大/縮小，",
    "",
    "テンキー入力もできます。",
    "",
    "【使用方法】",
    "",
    "任意のフォルダにkelto.exeを置いて実行するだけです。",
    "",
    "あとは普通の四則電卓と操作はいっしょです。",
    "",
    "注：連続計算ができますが，計算記号の優先順位はありません。",
    "入力した順に計算していきます。",
    "",
    "C++20 (g++ 12) で作りました。Windows10で動きます。",
    "",
    "",
    "Numiraはフリーソフトです。自由に再配布してかまいません。",
    "",
    "本ソフトの使用によって生じたいかなる損害についても、作者は責任を負いません。",
    "",
    "",
    "変更履歴",
    "1997/08/02 V1.0 初回原形(開発ツールの初版で作成)",
    "1997/08/04 V1.1 微調整。",
    "1997/08/05 V1.2 微調整。",
    "1997/08/22 V1.3 バージョン情報追加。",
    "1997/08/26 V1.4 ★Windowsのフォントサイズを変えたときに",
    " 電卓のフォームにスクロールバーがついてしまうバグを修正。",
    "1997/09/19 V1.5 ☆開発ツールの第2版(32ビット版)で作り直した。",
    "1997/09/23 V2.0 ☆√，πボタンをなくして、メモリー機能ボタン",
    " を追加し、キーボード入力に対応。",
    "1998/12/25 V3.0 よりシンプルになって、開発ツールの第4版で作り直した。",
    "1999/12/02 V3.1 開発ツールの第5版で再コンパイルし、",
    " 指数表示の時に桁が多すぎて結果表示窓枠に",
    " 表示しきれなかったバグを訂正。",
    "2020/06/28 V4.0 入力履歴枠を追加。",
    "2022/01/30 V4.1 ボタンやウインドウの大きさを少し大きくした。計算結果の表示を",
    "3桁区切りの表示に変えた。",
    "2023/08/24 V4.2 iniフォームの位置をモニタ内に表示するようにした",
};
// Every one of the lines is written out: a missing one would read as null.
static_assert(kReadmeText.back() != nullptr);

}  // namespace

std::span<const char* const, kReadmeLineCount> ReadmeText() { return kReadmeText; }

}  // namespace numira
