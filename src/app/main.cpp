// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// Numira's start sequence: the modules start (locale separators, the tray
// module with its id registry), the main window is created (its create
// handler adds the tray icon, loads the settings and shows it; the
// application title starts as "電卓"), the readme window's maker is set up
// (the window itself is made at its first opening), the program keeps off
// the taskbar while a notification area holds its icon, the event loop runs
// (the watches of the desktop and of the accessibility bus start after the
// main window's first paint: app/first_frame.h), and at the end the readme
// window goes before the main window.

#include <QApplication>
#include <QLocale>
#include <memory>

#include "app/Kelto_.h"
#include "app/accessibility_bus.h"
#include "app/first_frame.h"
#include "app/graphical_session.h"
#include "app/helupu_.h"
#include "app/qt_texts.h"
#include "app/qt_tray_shell.h"
#include "app/session_end.h"
#include "app/window_manager.h"
#include "core/separators.h"

int main(int argc, char** argv) {
  if (!numira::GraphicalSessionGiven(argc, argv)) return 1;
  numira::platform::PreferX11Platform();
  // The name desktops show for the program (the tray icon's Id and Title),
  // and its desktop entry numira.desktop.
  QCoreApplication::setApplicationName(QStringLiteral("Numira"));
  QGuiApplication::setDesktopFileName(QStringLiteral("numira"));
  auto platform_start_guard = std::make_unique<numira::PlatformStartGuard>();
  QApplication app(argc, argv);
  platform_start_guard.reset();
  numira::NoteAccessibilityBridge();
  numira::LoadQtTexts(QLocale());
  const numira::Separators separators = numira::LoadSeparators();
  numira::QtTrayShell tray_shell;
  numira::TrayModule tray(tray_shell);
  std::unique_ptr<numira::ReadmeWindowMaker> Formvajon;
  auto Form1 = std::make_unique<numira::Form1Widget>(numira::Form1Surroundings{
      tray, [&Formvajon](QWidget* main_window) {
        if (Formvajon != nullptr) Formvajon->Make()->ShowModalFor(main_window);
      },
      {}});
  Form1->StartAsMainWindow();
  // Nothing is parsed or formatted before the event loop runs.
  Form1->Form().History().SetSeparators(separators);
  numira::SessionEndWatch session_end(*Form1);
  // Screen readers that start later find the program too; set up once the
  // window has been drawn.
  numira::AfterFirstFrame(Form1.get(), Form1.get(), [&Form1] { numira::FollowAccessibilityBus(Form1.get()); });
  Formvajon = std::make_unique<numira::ReadmeWindowMaker>(Form1.get());
  Form1->Form().ProgramStarted();
  const int result = QApplication::exec();
  Formvajon.reset();
  Form1.reset();
  return result;
}
