// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// Numira's start sequence: the modules start (locale separators, the tray's id
// registry), the main window is created (its create handler adds the tray
// icon, loads the settings and shows it; the application title starts as
// "電卓"), the readme window is created hidden (just after the main window's
// first paint), the program keeps off the taskbar while a notification area
// holds its icon, the event loop runs, and at the end the readme window goes
// before the main window.

#include <QApplication>
#include <QLocale>
#include <memory>

#include "app/Kelto_.h"
#include "app/graphical_session.h"
#include "app/helupu_.h"
#include "app/platform.h"
#include "app/qt_texts.h"
#include "app/session_end.h"
#include "core/separators.h"

int main(int argc, char** argv) {
  if (!numira::GraphicalSessionGiven(argc, argv)) return 1;
  numira::platform::PreferX11Platform();
  // The name desktops show for the program (the tray icon's Id and Title),
  // and its desktop entry numira.desktop.
  QCoreApplication::setApplicationName(QStringLiteral("Numira"));
  QGuiApplication::setDesktopFileName(QStringLiteral("numira"));
  QApplication app(argc, argv);
  numira::LoadQtTexts(QLocale());
  const numira::Separators separators = numira::LoadSeparators();
  numira::TrayModule::Instance();
  std::unique_ptr<numira::TForm1> Form1 = numira::TForm1::Create();
  // Nothing is parsed or formatted before the event loop runs.
  Form1->History().SetSeparators(separators);
  numira::SessionEndWatch session_end(*Form1);
  auto Formvajon = std::make_unique<numira::ReadmeWindowMaker>(Form1.get());
  numira::platform::KeepOffTaskbar(numira::platform::NotificationAreaAvailable());
  const int result = QApplication::exec();
  Formvajon.reset();
  Form1.reset();
  return result;
}
