// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// first_map: starts a program and reports how long it takes until its first
// top-level window is viewable and until that window's content is drawn, then
// how much memory it holds a moment later.
//
//   first_map [--settle MS] [--timeout MS] [--keep-running] [--map-only] PROGRAM [ARGS...]
//   first_map --wait-wm [--timeout MS]     waits until a window manager runs
//   first_map --wait-tray [--timeout MS]   waits until a tray host owns the
//                                          notification-area selection
//
// The time runs from just before the program is spawned until the X server
// reports that one of its windows became viewable. Nothing is polled: the
// helper listens to SubstructureNotify on the root window (which reports the
// top-level windows being created, and the window manager's frames being
// mapped) and to StructureNotify on every new top-level window (which reports
// the window's own map after the window manager has reparented it into its
// frame). At each map it asks the server which candidate windows are now
// viewable, and re-asks when the window manager sets WM_STATE on one
// (PropertyNotify). A candidate counts when its _NET_WM_PID is the spawned
// process and it is a top-level window in its own right: managed by the
// window manager (it carries WM_STATE) or, without one, a child of the root.
// A tray icon that a tray host has embedded is neither.
//
// First paint: every new top-level window gets a DAMAGE object (X DAMAGE
// extension, level NonEmpty) when it is created, so the server reports each
// drawing into it; nothing is polled. At each report on a viewable window the
// helper reads the window's pixels back (XGetImage) and counts the window as
// painted when they are no longer all one colour: the server's own fill of a
// background colour is a single colour, while any toolkit's first drawn frame
// has edges, captions and borders. The paint time is that of the first such
// report on the window that counted as mapped (it may come before the map is
// recognised, when the window manager sets WM_STATE late).
//
// After --settle milliseconds (1000 by default) it reads VmRSS and VmHWM
// from /proc, then asks the window to close (WM_DELETE_WINDOW, so the program
// runs its ordinary close path, the save of its settings included) and waits
// for the process to end; SIGTERM and SIGKILL follow when it does not. Output
// is one line on stdout, with the CPU time the program had used when its
// window became viewable and when its first paint was seen, and the
// milliseconds from the close request to the process's end (-1 when it had
// to be ended by a signal; the field is left out with --keep-running):
//
//   map_ms 36.812 rss_kib 32412 hwm_kib 33020 cpu_ms 30.115 paint_ms 41.207 paint_cpu_ms 33.540 close_ms 9.310
//
// --map-only ends the wait at the map, for a window whose content may be one
// colour (a bare window under Wine): the line then has no paint figures.
//
// Exit status: 0 measured, 1 the program ended or timed out before mapping
// and painting a window, 2 usage or X connection error (or no DAMAGE
// extension). Linux only (pidfd, /proc).

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

extern char** environ;

namespace {

double NowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

int PidFd(pid_t pid) { return static_cast<int>(syscall(SYS_pidfd_open, pid, 0)); }

// Waits until the X connection has events or the deadline passes, also
// waking when the child (pid_fd >= 0) ends. Returns false on the deadline.
enum class Wake { Events, Deadline, ChildEnded };
Wake WaitForEvents(Display* display, int pid_fd, double deadline_ms) {
  if (XPending(display) > 0) return Wake::Events;
  for (;;) {
    const double left = deadline_ms - NowMs();
    if (left <= 0) return Wake::Deadline;
    pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0}, {pid_fd, POLLIN, 0}};
    const int n = poll(fds, pid_fd >= 0 ? 2 : 1, static_cast<int>(left) + 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return Wake::Deadline;
    if (pid_fd >= 0 && (fds[1].revents & POLLIN)) return Wake::ChildEnded;
    if (XPending(display) > 0) return Wake::Events;
  }
}

std::optional<long> CardinalProperty(Display* display, Window window, Atom property) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::optional<long> value;
  if (XGetWindowProperty(display, window, property, 0, 1, False, XA_CARDINAL, &type, &format,
                         &count, &after, &data) == Success &&
      type == XA_CARDINAL && format == 32 && count == 1) {
    value = *reinterpret_cast<long*>(data);
  }
  if (data) XFree(data);
  return value;
}

bool HasProperty(Display* display, Window window, Atom property) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  const bool has = XGetWindowProperty(display, window, property, 0, 0, False, AnyPropertyType,
                                      &type, &format, &count, &after, &data) == Success &&
                   type != None;
  if (data) XFree(data);
  return has;
}

// Managed by a window manager (which sets WM_STATE on the windows it
// manages), or a plain child of the root when none runs.
bool IsTopLevel(Display* display, Window window, Atom wm_state) {
  if (HasProperty(display, window, wm_state)) return true;
  Window root = None, parent = None;
  Window* children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(display, window, &root, &parent, &children, &count)) return false;
  if (children) XFree(children);
  return parent == root;
}

// Whether the window shows more than one colour: drawn content, not just a
// background fill (or nothing at all). False when the pixels cannot be read.
bool ShowsContent(Display* display, Window window) {
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display, window, &attributes) || attributes.map_state != IsViewable ||
      attributes.width <= 0 || attributes.height <= 0) {
    return false;
  }
  XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned int>(attributes.width),
                            static_cast<unsigned int>(attributes.height), AllPlanes, ZPixmap);
  if (!image) return false;
  const unsigned long first = XGetPixel(image, 0, 0);
  bool varied = false;
  for (int y = 0; y < attributes.height && !varied; ++y) {
    for (int x = 0; x < attributes.width; ++x) {
      if (XGetPixel(image, x, y) != first) {
        varied = true;
        break;
      }
    }
  }
  XDestroyImage(image);
  return varied;
}

// Errors about windows that vanished between an event and our question are
// expected (the program destroys helper windows); they must not end us.
int IgnoreXErrors(Display*, XErrorEvent*) { return 0; }

struct Options {
  double settle_ms = 1000;
  double timeout_ms = 20000;
  bool keep_running = false;
  bool map_only = false;
  enum class Mode { Measure, WaitWindowManager, WaitTray } mode = Mode::Measure;
  std::vector<char*> command;
};

int Usage() {
  std::fprintf(stderr,
               "usage: first_map [--settle MS] [--timeout MS] [--keep-running] [--map-only] PROGRAM [ARGS...]\n"
               "       first_map --wait-wm [--timeout MS]\n"
               "       first_map --wait-tray [--timeout MS]\n");
  return 2;
}

std::optional<Options> ParseOptions(int argc, char** argv) {
  Options options;
  int i = 1;
  for (; i < argc && argv[i][0] == '-'; ++i) {
    const std::string arg = argv[i];
    if (arg == "--") {
      ++i;
      break;
    }
    if ((arg == "--settle" || arg == "--timeout") && i + 1 < argc) {
      char* end = nullptr;
      const double value = std::strtod(argv[++i], &end);
      if (*end != '\0' || value < 0) return std::nullopt;
      (arg == "--settle" ? options.settle_ms : options.timeout_ms) = value;
    } else if (arg == "--keep-running") {
      options.keep_running = true;
    } else if (arg == "--map-only") {
      options.map_only = true;
    } else if (arg == "--wait-wm") {
      options.mode = Options::Mode::WaitWindowManager;
    } else if (arg == "--wait-tray") {
      options.mode = Options::Mode::WaitTray;
    } else {
      return std::nullopt;
    }
  }
  for (; i < argc; ++i) options.command.push_back(argv[i]);
  if ((options.mode == Options::Mode::Measure) == options.command.empty()) return std::nullopt;
  options.command.push_back(nullptr);
  return options;
}

// An EWMH window manager announces itself with _NET_SUPPORTING_WM_CHECK on
// the root window; wait for that property to appear.
int WaitForWindowManager(Display* display, double timeout_ms) {
  const Window root = DefaultRootWindow(display);
  const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
  XSelectInput(display, root, PropertyChangeMask);
  XSync(display, False);
  const double deadline = NowMs() + timeout_ms;
  while (!HasProperty(display, root, check)) {
    if (WaitForEvents(display, -1, deadline) != Wake::Events) return 1;
    XEvent event;
    while (XPending(display) > 0) XNextEvent(display, &event);
  }
  return 0;
}

// A tray host owns the selection _NET_SYSTEM_TRAY_S<screen> and announces it
// with a MANAGER client message to the root window.
int WaitForTray(Display* display, double timeout_ms) {
  const Window root = DefaultRootWindow(display);
  const std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(DefaultScreen(display));
  const Atom selection = XInternAtom(display, name.c_str(), False);
  XSelectInput(display, root, StructureNotifyMask);
  XSync(display, False);
  const double deadline = NowMs() + timeout_ms;
  while (XGetSelectionOwner(display, selection) == None) {
    if (WaitForEvents(display, -1, deadline) != Wake::Events) return 1;
    XEvent event;
    while (XPending(display) > 0) XNextEvent(display, &event);
  }
  return 0;
}

struct Memory {
  long rss_kib = -1;
  long hwm_kib = -1;
};

// CPU time the process has run so far, all threads, in milliseconds
// (/proc/PID/task/TID/schedstat: nanoseconds on a CPU first). Unlike the
// time to the map it hardly changes when other programs compete for the
// processors, so it separates a program's own start-up work from waiting.
double CpuMs(pid_t pid) {
  const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  double ns = 0;
  if (DIR* dir = opendir(tasks.c_str())) {
    while (const dirent* entry = readdir(dir)) {
      if (entry->d_name[0] == '.') continue;
      std::ifstream schedstat(tasks + "/" + entry->d_name + "/schedstat");
      double run_ns = 0;
      if (schedstat >> run_ns) ns += run_ns;
    }
    closedir(dir);
  }
  return ns / 1e6;
}

Memory ReadMemory(pid_t pid) {
  Memory memory;
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) memory.rss_kib = std::atol(line.c_str() + 6);
    if (line.rfind("VmHWM:", 0) == 0) memory.hwm_kib = std::atol(line.c_str() + 6);
  }
  return memory;
}

// Asks the window to close as a user's click on the close box would, then
// makes sure the process is gone. Returns the milliseconds from the request to
// the process's end, or -1 when it did not end by itself.
double EndProgram(Display* display, Window window, pid_t pid, int pid_fd) {
  const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
  const Atom delete_window = XInternAtom(display, "WM_DELETE_WINDOW", False);
  XEvent message{};
  message.xclient.type = ClientMessage;
  message.xclient.window = window;
  message.xclient.message_type = protocols;
  message.xclient.format = 32;
  message.xclient.data.l[0] = static_cast<long>(delete_window);
  message.xclient.data.l[1] = CurrentTime;
  const double requested_ms = NowMs();
  XSendEvent(display, window, False, NoEventMask, &message);
  XFlush(display);

  const auto wait_exit = [&](int ms) {
    pollfd fd{pid_fd, POLLIN, 0};
    return poll(&fd, 1, ms) > 0;
  };
  double close_ms = -1;
  if (wait_exit(5000)) {
    close_ms = NowMs() - requested_ms;
  } else {
    kill(pid, SIGTERM);
    if (!wait_exit(2000)) kill(pid, SIGKILL);
  }
  waitpid(pid, nullptr, 0);
  return close_ms;
}

int Measure(Display* display, const Options& options) {
  const Window root = DefaultRootWindow(display);
  const Atom wm_pid = XInternAtom(display, "_NET_WM_PID", False);
  const Atom wm_state = XInternAtom(display, "WM_STATE", False);
  int damage_event_base = 0, damage_error_base = 0;
  if (!XDamageQueryExtension(display, &damage_event_base, &damage_error_base)) {
    std::fprintf(stderr, "first_map: the X server has no DAMAGE extension\n");
    return 2;
  }
  XSelectInput(display, root, SubstructureNotifyMask);
  XSync(display, False);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  pid_t pid = 0;
  const double start_ms = NowMs();
  const int spawned = posix_spawnp(&pid, options.command[0], &actions, nullptr,
                                   options.command.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    std::fprintf(stderr, "first_map: cannot start %s: %s\n", options.command[0], std::strerror(spawned));
    return 2;
  }
  const int pid_fd = PidFd(pid);

  // Top-level windows created since the spawn, not yet seen viewable.
  std::set<Window> candidates;
  // A DAMAGE object per top-level window created since the spawn, and the
  // time each first showed drawn content.
  std::map<Window, Damage> damages;
  std::map<Window, double> painted_at;
  std::map<Window, double> painted_cpu_at;
  std::optional<double> mapped_ms;
  std::optional<double> painted_ms;
  double cpu_ms = 0;
  double paint_cpu_ms = 0;
  Window mapped_window = None;

  // Asks the server which candidates are viewable now; the first of the
  // program's own top-level windows among them ends the wait.
  const auto check_candidates = [&] {
    for (auto it = candidates.begin(); it != candidates.end();) {
      XWindowAttributes attributes;
      if (!XGetWindowAttributes(display, *it, &attributes)) {
        it = candidates.erase(it);  // already destroyed
        continue;
      }
      if (attributes.map_state != IsViewable) {
        ++it;
        continue;
      }
      const Window window = *it;
      if (CardinalProperty(display, window, wm_pid) != std::optional<long>(pid)) {
        it = candidates.erase(it);  // another program's, or a frame
        continue;
      }
      if (IsTopLevel(display, window, wm_state)) {
        mapped_ms = NowMs() - start_ms;
        cpu_ms = CpuMs(pid);
        mapped_window = window;
        return;
      }
      ++it;
    }
  };

  // Records the first drawn content of a window; once the mapped window has
  // some, the wait is over.
  const auto check_paint = [&](Window window) {
    if (!painted_at.contains(window) && ShowsContent(display, window)) {
      painted_at[window] = NowMs() - start_ms;
      painted_cpu_at[window] = CpuMs(pid);
    }
    if (mapped_ms && !painted_ms && painted_at.contains(mapped_window)) {
      painted_ms = painted_at[mapped_window];
      paint_cpu_ms = painted_cpu_at[mapped_window];
    }
  };

  const double deadline = start_ms + options.timeout_ms;
  while (!mapped_ms || (!painted_ms && !options.map_only)) {
    const Wake wake = WaitForEvents(display, pid_fd, deadline);
    if (wake != Wake::Events) {
      std::fprintf(stderr, "first_map: %s before a window was %s\n",
                   wake == Wake::ChildEnded ? "the program ended" : "timed out",
                   mapped_ms ? "painted" : "mapped");
      if (wake == Wake::Deadline) kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
      return 1;
    }
    bool mapped_something = false;
    std::set<Window> damaged;
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == damage_event_base + XDamageNotify) {
        const auto& notify = reinterpret_cast<const XDamageNotifyEvent&>(event);
        XDamageSubtract(display, notify.damage, None, None);
        damaged.insert(notify.drawable);
      } else if (event.type == CreateNotify && event.xcreatewindow.parent == root &&
                 !event.xcreatewindow.override_redirect) {
        const Window window = event.xcreatewindow.window;
        XSelectInput(display, window, StructureNotifyMask | PropertyChangeMask);
        damages[window] = XDamageCreate(display, window, XDamageReportNonEmpty);
        candidates.insert(window);
        // It may have been mapped before the selection took effect.
        mapped_something = true;
      } else if (event.type == MapNotify) {
        mapped_something = true;
      } else if (event.type == PropertyNotify && event.xproperty.atom == wm_state) {
        mapped_something = true;
      } else if (event.type == DestroyNotify) {
        candidates.erase(event.xdestroywindow.window);
      }
    }
    if (mapped_something && !mapped_ms) {
      check_candidates();
      // Its content may already be drawn.
      if (mapped_ms) damaged.insert(mapped_window);
    }
    // After the map only the mapped window's drawing matters.
    for (const Window window : damaged) {
      if (!mapped_ms || window == mapped_window) check_paint(window);
    }
  }
  for (const auto& [window, damage] : damages) XDamageDestroy(display, damage);

  // The settle time; the program ending early is a failure to report.
  pollfd fd{pid_fd, POLLIN, 0};
  if (poll(&fd, 1, static_cast<int>(options.settle_ms)) > 0) {
    std::fprintf(stderr, "first_map: the program ended during the settle time\n");
    waitpid(pid, nullptr, 0);
    return 1;
  }
  const Memory memory = ReadMemory(pid);
  std::printf("map_ms %.3f rss_kib %ld hwm_kib %ld cpu_ms %.3f", *mapped_ms, memory.rss_kib, memory.hwm_kib, cpu_ms);
  if (painted_ms) std::printf(" paint_ms %.3f paint_cpu_ms %.3f", *painted_ms, paint_cpu_ms);
  if (!options.keep_running) std::printf(" close_ms %.3f", EndProgram(display, mapped_window, pid, pid_fd));
  std::printf("\n");
  std::fflush(stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<Options> options = ParseOptions(argc, argv);
  if (!options) return Usage();
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "first_map: cannot open display %s\n", XDisplayName(nullptr));
    return 2;
  }
  XSetErrorHandler(IgnoreXErrors);
  int status = 0;
  switch (options->mode) {
    case Options::Mode::WaitWindowManager:
      status = WaitForWindowManager(display, options->timeout_ms);
      break;
    case Options::Mode::WaitTray:
      status = WaitForTray(display, options->timeout_ms);
      break;
    case Options::Mode::Measure:
      status = Measure(display, *options);
      break;
  }
  XCloseDisplay(display);
  return status;
}
