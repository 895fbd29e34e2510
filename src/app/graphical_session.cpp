// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "app/graphical_session.h"

#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace numira {

namespace {

bool Set(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

// Qt takes "-name value" and "--name value" alike.
const char* Option(int argc, char** argv, std::string_view name) {
  for (int i = 1; i + 1 < argc; ++i) {
    std::string_view argument = argv[i];
    if (argument.starts_with("--")) argument.remove_prefix(1);
    if (argument.starts_with('-') && argument.substr(1) == name) return argv[i + 1];
  }
  return nullptr;
}

// A platform list ("xcb;wayland", entries with options after ':') needs a
// display when every platform in it is X11 or Wayland; an empty one is Qt's
// default, xcb.
bool NeedsDisplay(std::string_view platforms) {
  while (!platforms.empty()) {
    const std::size_t end = platforms.find(';');
    const std::string_view entry = platforms.substr(0, end);
    const std::string_view name = entry.substr(0, entry.find(':'));
    if (!name.empty() && !name.starts_with("xcb") && !name.starts_with("wayland")) return false;
    if (end == std::string_view::npos) break;
    platforms.remove_prefix(end + 1);
  }
  return true;
}

// The handler Qt had before the guard (null: Qt's own).
QtMessageHandler handler_before_guard = nullptr;

void EndOnPlatformFailure(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type != QtFatalMsg) {
    if (handler_before_guard != nullptr) {
      handler_before_guard(type, context, message);
    } else {
      std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
    }
    return;
  }
  // Qt's fatal text here advises reinstalling the program, which would not
  // help: its warnings before it name the display that failed.
  std::fputs("kelto: needs a graphical session, but the display could not be opened\n", stderr);
  std::_Exit(1);
}

}  // namespace

PlatformStartGuard::PlatformStartGuard() { handler_before_guard = qInstallMessageHandler(&EndOnPlatformFailure); }

PlatformStartGuard::~PlatformStartGuard() { qInstallMessageHandler(handler_before_guard); }

bool GraphicalSessionGiven(int argc, char** argv) {
  if (Set("DISPLAY") || Set("WAYLAND_DISPLAY") || Option(argc, argv, "display") != nullptr) return true;
  const char* platform = Option(argc, argv, "platform");
  if (platform == nullptr) platform = std::getenv("QT_QPA_PLATFORM");
  if (!NeedsDisplay(platform == nullptr ? "" : platform)) return true;
  std::fputs("kelto: needs a graphical session (an X11 or Wayland display), but neither DISPLAY nor WAYLAND_DISPLAY is set\n",
             stderr);
  return false;
}

}  // namespace numira
