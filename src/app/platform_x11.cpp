// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// The X11 pieces of the platform stand-ins: window manager states through
// Qt's own xcb connection, and the notices of the XEmbed notification area.

#include "app/platform_x11.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include <xcb/xcb.h>

namespace numira::platform::x11 {
namespace {

xcb_connection_t* X11Connection() {
  if (QGuiApplication::platformName() != QStringLiteral("xcb")) return nullptr;
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 != nullptr ? x11->connection() : nullptr;
}

// Atoms by name, each asked of the server once.
std::map<std::string, xcb_atom_t>& KnownAtoms() {
  static std::map<std::string, xcb_atom_t> atoms;
  return atoms;
}

// Interns every name not known yet in one round trip: all requests first,
// then the replies.
void InternAtoms(xcb_connection_t* connection, std::initializer_list<const char*> names) {
  std::vector<std::pair<const char*, xcb_intern_atom_cookie_t>> asked;
  for (const char* name : names) {
    if (KnownAtoms().contains(name)) continue;
    asked.emplace_back(name, xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name));
  }
  for (const auto& [name, cookie] : asked) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    KnownAtoms()[name] = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
  }
}

xcb_atom_t InternAtom(xcb_connection_t* connection, const char* name) {
  InternAtoms(connection, {name});
  return KnownAtoms()[name];
}

// The 32-bit items of a window property of the given type; empty when the
// property is missing or of another form.
template <typename Item>
std::vector<Item> PropertyItems(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property,
                                xcb_atom_t type) {
  std::vector<Item> items;
  xcb_get_property_reply_t* reply = xcb_get_property_reply(
      connection, xcb_get_property(connection, 0, window, property, type, 0, 1024), nullptr);
  if (reply != nullptr && reply->format == 32 && reply->type == type) {
    const auto* first = static_cast<const Item*>(xcb_get_property_value(reply));
    const auto count = static_cast<std::size_t>(xcb_get_property_value_length(reply)) / sizeof(Item);
    items.assign(first, first + count);
  }
  std::free(reply);
  return items;
}

// The root window of the window's own screen, asked of the server once per
// window (a window stays on its screen).
xcb_window_t RootOf(xcb_connection_t* connection, xcb_window_t window) {
  const xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
  xcb_window_t root = screens.data->root;
  // One screen (however many monitors): its root, without asking.
  if (screens.rem == 1) return root;
  static std::map<xcb_window_t, xcb_window_t> roots;
  if (const auto known = roots.find(window); known != roots.end()) return known->second;
  if (xcb_get_geometry_reply_t* geometry =
          xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr)) {
    root = geometry->root;
    std::free(geometry);
    roots[window] = root;
  }
  return root;
}



// A client message to the window manager about window, as EWMH asks for.
void SendToWindowManager(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t type,
                         std::initializer_list<std::uint32_t> data) {
  xcb_client_message_event_t message{};
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = window;
  message.type = type;
  std::size_t i = 0;
  for (const std::uint32_t item : data) message.data.data32[i++] = item;
  xcb_send_event(connection, 0, RootOf(connection, window),
                 XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                 reinterpret_cast<const char*>(&message));
  xcb_flush(connection);
}

// Asks the window manager for its estimate of the window's frame
// (_NET_REQUEST_FRAME_EXTENTS), once per window; a manager that knows no
// such request ignores it.
void AskFrameExtents(xcb_connection_t* connection, xcb_window_t window) {
  static std::set<xcb_window_t> asked;
  if (!asked.insert(window).second) return;
  SendToWindowManager(connection, window, InternAtom(connection, "_NET_REQUEST_FRAME_EXTENTS"), {});
}

// Whether the window manager answers that request (_NET_SUPPORTED).
bool EstimatesFrames(xcb_connection_t* connection, xcb_window_t window) {
  const auto supported = PropertyItems<xcb_atom_t>(connection, RootOf(connection, window),
                                                   InternAtom(connection, "_NET_SUPPORTED"), XCB_ATOM_ATOM);
  return std::find(supported.begin(), supported.end(), InternAtom(connection, "_NET_REQUEST_FRAME_EXTENTS")) !=
         supported.end();
}

// Sees the property changes of watched windows among the X events Qt reads,
// and hands the _NET_WM_STATE changes of mapped ones on to their watchers.
class WindowStateFollower : public QAbstractNativeEventFilter {
 public:
  static WindowStateFollower& Instance() {
    static auto* follower = [] {
      auto* created = new WindowStateFollower;
      QCoreApplication::instance()->installNativeEventFilter(created);
      return created;
    }();
    return *follower;
  }

  void Watch(QWidget* window, std::function<void(bool)> changed) {
    watched_.push_back({window, std::move(changed), std::nullopt, 0});
  }

  bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
    if (type != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY) return false;
    const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
    xcb_connection_t* connection = X11Connection();
    if (connection == nullptr) return false;
    static const xcb_atom_t net_wm_state = InternAtom(connection, "_NET_WM_STATE");
    if (notify->atom != net_wm_state) return false;
    for (Watched& entry : watched_) {
      QWidget* window = entry.window;
      // The QWindow's id, not the widget's: Qt replaces the X window when the
      // stacking flag changes, and only the QWindow knows the new one.
      if (window == nullptr || window->windowHandle() == nullptr || window->windowHandle()->winId() != notify->window) {
        continue;
      }
      // Read once the event has been handled, so the reading sees the latest
      // state, and only while the manager has the window mapped (WM_STATE
      // normal): before that the states are the ones Qt sets up for the map.
      // A change between two such readings is the manager's doing, and so is
      // a first reading after the map that differs from what Qt asked for
      // (Qt sets the state up before the map, so the manager starts with it).
      QMetaObject::invokeMethod(
          window,
          [window, &entry] {
            xcb_connection_t* live = X11Connection();
            if (live == nullptr) return;
            static const xcb_atom_t state = InternAtom(live, "_NET_WM_STATE");
            static const xcb_atom_t above_atom = InternAtom(live, "_NET_WM_STATE_ABOVE");
            static const xcb_atom_t wm_state = InternAtom(live, "WM_STATE");
            if (window->windowHandle() == nullptr) return;
            const auto id = static_cast<xcb_window_t>(window->windowHandle()->winId());
            constexpr std::uint32_t kNormalState = 1;
            const auto mapped = PropertyItems<std::uint32_t>(live, id, wm_state, wm_state);
            if (!window->isVisible() || mapped.empty() || mapped[0] != kNormalState) {
              entry.seen_above.reset();
              return;
            }
            const auto states = PropertyItems<xcb_atom_t>(live, id, state, XCB_ATOM_ATOM);
            const bool above = std::find(states.begin(), states.end(), above_atom) != states.end();
            const bool baseline = entry.seen_above.has_value() && entry.seen_id == id;
            const bool requested = window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
            const bool changed = baseline ? *entry.seen_above != above : above != requested;
            entry.seen_above = above;
            entry.seen_id = id;
            if (changed) entry.changed(above);
          },
          Qt::QueuedConnection);
    }
    return false;
  }

 private:
  struct Watched {
    QPointer<QWidget> window;
    std::function<void(bool)> changed;
    std::optional<bool> seen_above;  // at the last reading while mapped
    xcb_window_t seen_id = 0;
  };
  // Entries are never removed, so the queued readings may keep references.
  std::deque<Watched> watched_;
};

// Turns the xcb platform's string-named signal into a call.
class TrayManagerRelay : public QObject {
  Q_OBJECT

 public:
  TrayManagerRelay(std::function<void()> changed, QObject* parent) : QObject(parent), changed_(std::move(changed)) {}

 public slots:
  void trayWindowChanged() { changed_(); }

 private:
  std::function<void()> changed_;
};

}  // namespace

// A window the window manager does not manage yet (about to be mapped)
// carries the state in its _NET_WM_STATE property, which the manager reads
// when it takes the window on and which Qt keeps when it adds its own states;
// a mapped window's state belongs to the manager, so it is asked by a client
// message to the root.
void SetSkipTaskbar(QWindow* window, bool skip) {
  xcb_connection_t* connection = X11Connection();
  if (connection == nullptr || window == nullptr) return;
  static const xcb_atom_t net_wm_state = InternAtom(connection, "_NET_WM_STATE");
  static const xcb_atom_t skip_taskbar = InternAtom(connection, "_NET_WM_STATE_SKIP_TASKBAR");
  if (net_wm_state == XCB_ATOM_NONE || skip_taskbar == XCB_ATOM_NONE) return;
  const auto id = static_cast<xcb_window_t>(window->winId());

  if (!window->isVisible()) {
    std::vector<xcb_atom_t> states = PropertyItems<xcb_atom_t>(connection, id, net_wm_state, XCB_ATOM_ATOM);
    std::erase(states, skip_taskbar);
    if (skip) states.push_back(skip_taskbar);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, net_wm_state, XCB_ATOM_ATOM, 32,
                        static_cast<std::uint32_t>(states.size()), states.data());
    xcb_flush(connection);
  } else {
    // _NET_WM_STATE_ADD / _NET_WM_STATE_REMOVE; the request comes from an application.
    SendToWindowManager(connection, id, net_wm_state, {skip ? 1u : 0u, skip_taskbar, 0, 1});
  }
}

// Qt sets the iconic start state in WM_HINTS when it minimizes a window and
// leaves it there when the window manager restores the window, so without
// this the next show from hidden would map the window minimized again.
void ClearStaleIconicStart(QWindow* window) {
  xcb_connection_t* connection = X11Connection();
  if (connection == nullptr || window == nullptr || window->isVisible()) return;
  // WM_HINTS: flags, input, initial_state, ... as 32-bit fields.
  constexpr std::uint32_t kStateHint = 1u << 1;
  constexpr std::uint32_t kNormalState = 1;
  constexpr std::uint32_t kIconicState = 3;
  const auto id = static_cast<xcb_window_t>(window->winId());
  std::vector<std::uint32_t> hints = PropertyItems<std::uint32_t>(connection, id, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS);
  if (hints.size() >= 3 && (hints[0] & kStateHint) != 0 && hints[2] == kIconicState) {
    hints[2] = kNormalState;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 32,
                        static_cast<std::uint32_t>(hints.size()), hints.data());
    xcb_flush(connection);
  }
}

bool KeptBelow(QWindow* window) {
  xcb_connection_t* connection = X11Connection();
  // handle(): asking a window without its native one for its id would make it.
  if (connection == nullptr || window == nullptr || window->handle() == nullptr) return false;
  static const xcb_atom_t net_wm_state = InternAtom(connection, "_NET_WM_STATE");
  static const xcb_atom_t below = InternAtom(connection, "_NET_WM_STATE_BELOW");
  const auto states =
      PropertyItems<xcb_atom_t>(connection, static_cast<xcb_window_t>(window->winId()), net_wm_state, XCB_ATOM_ATOM);
  return std::find(states.begin(), states.end(), below) != states.end();
}

QMargins FrameExtents(QWidget* window) {
  xcb_connection_t* connection = X11Connection();
  if (connection == nullptr || window == nullptr) return {};
  static const xcb_atom_t extents_atom = InternAtom(connection, "_NET_FRAME_EXTENTS");
  const auto id = static_cast<xcb_window_t>(window->winId());
  const auto read = [&] { return PropertyItems<std::uint32_t>(connection, id, extents_atom, XCB_ATOM_CARDINAL); };
  std::vector<std::uint32_t> extents = read();

  if (extents.size() < 4 && !window->isVisible()) {
    if (!EstimatesFrames(connection, id)) return {};
    AskFrameExtents(connection, id);
    // The manager answers by setting the property, within a moment on a
    // working desktop; a manager that does not answer costs at most this.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
    while ((extents = read()).size() < 4 && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  if (extents.size() < 4) return {};
  // left, right, top, bottom
  return {static_cast<int>(extents[0]), static_cast<int>(extents[2]), static_cast<int>(extents[1]),
          static_cast<int>(extents[3])};
}

void PrepareToShow(QWidget* window) {
  xcb_connection_t* connection = X11Connection();
  if (connection == nullptr || window == nullptr || window->isVisible()) return;
  // Every atom the window's show and its first moments need, while the
  // server is idle; once it maps the window (and the manager frames it) each
  // reply would come only after that work.
  InternAtoms(connection, {"_NET_WM_STATE", "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_ABOVE", "_NET_WM_STATE_BELOW", "WM_STATE",
                           "_NET_FRAME_EXTENTS", "_NET_REQUEST_FRAME_EXTENTS", "_NET_SUPPORTED"});
  AskFrameExtents(connection, static_cast<xcb_window_t>(window->winId()));
}

void WatchTrayManager(QObject* context, std::function<void()> changed) {
  if (X11Connection() == nullptr || context == nullptr) return;
  auto* relay = new TrayManagerRelay(std::move(changed), context);
  // Qt's xcb platform tracks the tray selection's owner for its own tray
  // icons (the icon comes back when a notification area appears) and tells
  // of each change with this signal of its native interface, which has no
  // typed form. Queued, so Qt's own icon has followed the change first.
  // Its class is Qt's private API; it derives from QObject alone.
  auto* native = reinterpret_cast<QObject*>(QGuiApplication::platformNativeInterface());
  QObject::connect(native, SIGNAL(systemTrayWindowChanged(QScreen*)), relay, SLOT(trayWindowChanged()),
                   Qt::QueuedConnection);
}

void WatchStaysOnTop(QWidget* window, std::function<void(bool)> changed) {
  if (X11Connection() == nullptr || window == nullptr) return;
  WindowStateFollower::Instance().Watch(window, std::move(changed));
}

}  // namespace numira::platform::x11

#include "platform_x11.moc"
