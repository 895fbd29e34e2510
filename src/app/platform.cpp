#include "app/platform.h"

#include <QApplication>
#include <QBitmap>
#include <QEvent>
#include <QFont>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QMessageBox>
#include <QPixmap>
#include <QPointer>
#include <QStringList>
#include <QSystemTrayIcon>
#include <QWidget>
#include <QWindow>

#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#if NUMIRA_HAVE_XCB && QT_CONFIG(xcb)
#include <xcb/xcb.h>
#define NUMIRA_X11_TASKBAR 1
#endif

namespace numira::platform {
namespace {

ErrorBoxPresenter& Presenter() {
  static ErrorBoxPresenter presenter;
  return presenter;
}

NotificationAreaProbe& AreaProbe() {
  static NotificationAreaProbe probe;
  return probe;
}

QPixmap TransparentPixmap(const QImage& half, QRgb transparent) {
  QPixmap pixmap = QPixmap::fromImage(half);
  pixmap.setMask(QBitmap::fromImage(half.createMaskFromColor(transparent, Qt::MaskInColor)));
  return pixmap;
}

#if NUMIRA_X11_TASKBAR

xcb_connection_t* X11Connection() {
  if (QGuiApplication::platformName() != QStringLiteral("xcb")) return nullptr;
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 != nullptr ? x11->connection() : nullptr;
}

xcb_atom_t InternAtom(xcb_connection_t* connection, const char* name) {
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
      connection, xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
  const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
  std::free(reply);
  return atom;
}

// Sets or clears the skip-taskbar state of one window. A window the window
// manager does not manage yet (about to be mapped) carries the state in its
// _NET_WM_STATE property, which the manager reads when it takes the window on
// and which Qt keeps when it adds its own states; a mapped window's state
// belongs to the manager, so it is asked by a client message to the root.
void SetSkipTaskbar(QWindow* window, bool skip) {
  xcb_connection_t* connection = X11Connection();
  if (connection == nullptr || window == nullptr) return;
  static const xcb_atom_t net_wm_state = InternAtom(connection, "_NET_WM_STATE");
  static const xcb_atom_t skip_taskbar = InternAtom(connection, "_NET_WM_STATE_SKIP_TASKBAR");
  if (net_wm_state == XCB_ATOM_NONE || skip_taskbar == XCB_ATOM_NONE) return;
  const auto id = static_cast<xcb_window_t>(window->winId());

  if (!window->isVisible()) {
    std::vector<xcb_atom_t> states;
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, id, net_wm_state, XCB_ATOM_ATOM, 0, 1024), nullptr);
    if (reply != nullptr && reply->format == 32 && reply->type == XCB_ATOM_ATOM) {
      const auto* first = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
      states.assign(first, first + xcb_get_property_value_length(reply) / sizeof(xcb_atom_t));
    }
    std::free(reply);
    std::erase(states, skip_taskbar);
    if (skip) states.push_back(skip_taskbar);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, net_wm_state, XCB_ATOM_ATOM, 32,
                        static_cast<std::uint32_t>(states.size()), states.data());
  } else {
    // The request goes to the root window of the window's own screen.
    xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    if (xcb_get_geometry_reply_t* geometry =
            xcb_get_geometry_reply(connection, xcb_get_geometry(connection, id), nullptr)) {
      root = geometry->root;
      std::free(geometry);
    }
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = id;
    message.type = net_wm_state;
    message.data.data32[0] = skip ? 1 : 0;  // _NET_WM_STATE_ADD / _NET_WM_STATE_REMOVE
    message.data.data32[1] = skip_taskbar;
    message.data.data32[3] = 1;  // the request comes from an application
    xcb_send_event(connection, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&message));
  }
  xcb_flush(connection);
}

// Makes a window about to be mapped start in the normal state. Qt sets the
// iconic start state in WM_HINTS when it minimizes a window and leaves it
// there when the window manager restores the window, so without this the
// next show from hidden would map the window minimized again.
void ClearStaleIconicStart(QWindow* window) {
  xcb_connection_t* connection = X11Connection();
  if (connection == nullptr || window == nullptr || window->isVisible()) return;
  // WM_HINTS: flags, input, initial_state, ... as 32-bit fields.
  constexpr std::uint32_t kStateHint = 1u << 1;
  constexpr std::uint32_t kNormalState = 1;
  constexpr std::uint32_t kIconicState = 3;
  const auto id = static_cast<xcb_window_t>(window->winId());
  xcb_get_property_reply_t* reply = xcb_get_property_reply(
      connection, xcb_get_property(connection, 0, id, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 0, 9), nullptr);
  if (reply != nullptr && reply->format == 32 && xcb_get_property_value_length(reply) >= 3 * 4) {
    const auto* first = static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
    std::vector<std::uint32_t> hints(first, first + xcb_get_property_value_length(reply) / 4);
    if ((hints[0] & kStateHint) != 0 && hints[2] == kIconicState) {
      hints[2] = kNormalState;
      xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 32,
                          static_cast<std::uint32_t>(hints.size()), hints.data());
      xcb_flush(connection);
    }
  }
  std::free(reply);
}

#else

void SetSkipTaskbar(QWindow*, bool) {}
void ClearStaleIconicStart(QWindow*) {}

#endif

bool off_taskbar = false;
bool taskbar_state_chosen = false;  // false until the first KeepOffTaskbar

bool IsProgramWindow(const QWidget* widget) {
  const Qt::WindowType type = widget->windowType();
  return widget->isWindow() && (type == Qt::Window || type == Qt::Dialog);
}

// Watches the program's windows as they are shown from hidden (not when the
// window manager restores one from a minimized state: it keeps the states
// then). Each gets the chosen taskbar state again, twice: on the property just
// before the window is mapped, and by a client message just after, because
// Qt may replace the X window while it maps it (it does after a change of the
// stay-on-top flag). A window that is not minimized starts in the normal state.
class ShownWindowKeeper : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const bool before_map = event->type() == QEvent::Show && !event->spontaneous();
    const bool after_map = event->type() == QEvent::ShowToParent;
    if ((!before_map && !after_map) || !watched->isWidgetType()) return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (!IsProgramWindow(widget)) return false;
    if (before_map && !widget->isMinimized()) ClearStaleIconicStart(widget->windowHandle());
    if (taskbar_state_chosen) SetSkipTaskbar(widget->windowHandle(), off_taskbar);
    return false;
  }
};

}  // namespace

QStringList FontFamilies(const QString& windows_face) {
  if (windows_face == QStringLiteral("MS UI Gothic") || windows_face == QStringLiteral("ＭＳ Ｐゴシック")) {
    return {windows_face, QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic")};
  }
  if (windows_face == QStringLiteral("ＭＳ ゴシック")) {
    return {windows_face, QStringLiteral("IPAGothic"), QStringLiteral("IPAPGothic")};
  }
  if (windows_face == QStringLiteral("Small Fonts")) {
    return {windows_face, QStringLiteral("DejaVu Sans"), QStringLiteral("IPAPGothic")};
  }
  return {windows_face};
}

QFont WindowsFont(const QString& windows_face, int pixel_height) {
  QFont font;
  font.setFamilies(FontFamilies(windows_face));
  font.setPixelSize(pixel_height);
  return font;
}

QImage LoadXpm(const QString& path) {
  QImageReader reader(path, "XPM");
  reader.setAutoDetectImageFormat(false);
  return reader.read();
}

QIcon GlyphIcon(const QImage& bitmap) {
  if (bitmap.isNull()) return {};
  const QImage image = bitmap.convertToFormat(QImage::Format_RGB32);
  const QRgb transparent = image.pixel(0, image.height() - 1);
  const int half = image.width() / 2;
  QIcon icon;
  icon.addPixmap(TransparentPixmap(image.copy(0, 0, half, image.height()), transparent), QIcon::Normal);
  icon.addPixmap(TransparentPixmap(image.copy(half, 0, half, image.height()), transparent), QIcon::Disabled);
  return icon;
}

void SetWindowTopmost(QWidget* window, bool topmost) {
  Qt::WindowFlags flags = window->windowFlags();
  flags.setFlag(Qt::WindowStaysOnTopHint, topmost);
  // QWidget::setWindowFlags would re-create and hide a shown window; changing
  // the native window's flags re-stacks it in place.
  window->overrideWindowFlags(flags);
  if (QWindow* handle = window->windowHandle()) handle->setFlags(flags);
}

void ShowErrorBox(QWidget* parent, const QString& caption, const QString& text) {
  if (Presenter()) {
    Presenter()(parent, caption, text);
    return;
  }
  QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok, parent);
  box.exec();
  // The input goes back to the window the box was shown over, as the window
  // manager may not hand it back by itself to a window kept off the taskbar.
  if (parent != nullptr && parent->window()->isVisible()) parent->window()->activateWindow();
}

ErrorBoxPresenter SetErrorBoxPresenter(ErrorBoxPresenter presenter) {
  return std::exchange(Presenter(), std::move(presenter));
}

void PreferX11Platform() {
  // The user's explicit choice stands; without an X display Qt picks itself.
  if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || qEnvironmentVariableIsEmpty("DISPLAY")) return;
  // Under a Wayland session whose XWayland fails, Qt falls back to Wayland.
  qputenv("QT_QPA_PLATFORM", qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ? "xcb" : "xcb;wayland");
}

bool NotificationAreaAvailable() {
  if (AreaProbe()) return AreaProbe()();
  return QSystemTrayIcon::isSystemTrayAvailable();
}

NotificationAreaProbe SetNotificationAreaProbe(NotificationAreaProbe probe) {
  return std::exchange(AreaProbe(), std::move(probe));
}

void KeepOffTaskbar(bool off) {
  static QPointer<ShownWindowKeeper> keeper;
  if (keeper == nullptr && qApp != nullptr) {
    keeper = new ShownWindowKeeper(qApp);
    qApp->installEventFilter(keeper);
  }
  const bool changed = !taskbar_state_chosen || off != off_taskbar;
  taskbar_state_chosen = true;
  off_taskbar = off;
  if (!changed) return;
  // Hidden windows get the state at their next show; the visible ones now.
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (IsProgramWindow(widget) && widget->isVisible()) SetSkipTaskbar(widget->windowHandle(), off);
  }
}

bool KeptOffTaskbar() { return off_taskbar; }

}  // namespace numira::platform
