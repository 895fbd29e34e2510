// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// POSIX signals and the exit handler behind session_end_posix.h.

#include "app/session_end_posix.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "core/inifile_.h"

namespace numira::session_end {
namespace {

// The main window as the last update left it, for SaveSettings.
class RecordedWindow : public SettingsWindow {
 public:
  explicit RecordedWindow(const SessionSettings& settings) : settings_(settings) {}
  std::int32_t Left() const override { return settings_.left; }
  std::int32_t Top() const override { return settings_.top; }
  std::int32_t OuterWidth() const override { return 0; }
  std::int32_t OuterHeight() const override { return 0; }
  void SetLeft(std::int32_t) override {}
  void SetTop(std::int32_t) override {}

 private:
  const SessionSettings& settings_;
};

struct State {
  bool installed = false;
  bool armed = false;
  SessionSettings settings;
  int pipe_read = -1;
  int pipe_write = -1;
};

// Never destroyed: the exit handler may run after every static object of the
// program has gone.
State& TheState() {
  static State* const state = new State;
  return *state;
}

void Store() {
  State& state = TheState();
  if (!state.armed) return;
  state.armed = false;
  SessionSettings settings = state.settings;
  bool stay = settings.stay;
  bool waid = settings.waid;
  const RecordedWindow window(settings);
  try {
    SaveSettings(window, ViewFlags{stay, waid});
  } catch (const SettingsWriteError&) {
    // Nobody is left to tell: the old file stays as it was.
  }
}

// Only what is safe in a signal handler: one byte into the pipe.
extern "C" void NoteSignal(int) {
  const int saved_errno = errno;
  const char byte = 1;
  if (::write(TheState().pipe_write, &byte, 1) < 0) {
  }
  errno = saved_errno;
}

extern "C" void StoreAtExit() { Store(); }

}  // namespace

void Install() {
  State& state = TheState();
  if (state.installed) return;
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return;
  state.installed = true;
  state.armed = true;
  state.pipe_read = fds[0];
  state.pipe_write = fds[1];
  struct sigaction action{};
  action.sa_handler = NoteSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGHUP, &action, nullptr);
  std::atexit(StoreAtExit);
}

void Update(const SessionSettings& settings) { TheState().settings = settings; }

int SignalFd() { return TheState().pipe_read; }

void StoreAfterSignal() {
  char bytes[16];
  while (::read(TheState().pipe_read, bytes, sizeof bytes) > 0) {
  }
  Store();
}

void Disarm() { TheState().armed = false; }

}  // namespace numira::session_end
