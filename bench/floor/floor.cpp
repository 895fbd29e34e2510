// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// floor: the smallest Qt 6 Widgets window of the calculator's size and
// contents, as the start-up measurements' point of comparison. A one-line
// field, twenty 30 x 30 push buttons and a multi-line text field in a
// 375 x 205 window, all in IPAGothic at 19 pixels. No settings, no tray icon,
// no second window, no key handling: what any Qt program of this shape pays.

#include <QApplication>
#include <QFont>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QFont font(QStringLiteral("IPAGothic"));
  font.setPixelSize(19);
  QApplication::setFont(font);

  QWidget window;
  window.setWindowTitle(QStringLiteral("floor"));
  window.setFixedSize(375, 205);

  auto* display = new QLineEdit(&window);
  display->setReadOnly(true);
  display->setGeometry(5, 8, 164, 23);

  static const char* const kCaptions[] = {"7", "8", "9", "+", "AC", "4", "5", "6", "-", "BS",
                                          "1", "2", "3", "*", "+-", "0", "000", "．", "/", "="};
  for (int i = 0; i < 20; ++i) {
    auto* button = new QPushButton(QString::fromUtf8(kCaptions[i]), &window);
    button->setGeometry(8 + 32 * (i % 5), 35 + 33 * (i / 5), 30, 30);
  }

  auto* history = new QPlainTextEdit(&window);
  history->setReadOnly(true);
  history->setLineWrapMode(QPlainTextEdit::NoWrap);
  history->setGeometry(178, 1, 196, 203);

  window.show();
  return QApplication::exec();
}
