// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "app/platform.h"

#include <QApplication>
#include <QBitmap>
#include <QDBusConnection>
#include <QDBusServiceWatcher>
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

#include <utility>
#include <vector>

#include "app/platform_x11.h"
#include "app/sni_tray_item.h"

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
    if (before_map && !widget->isMinimized()) x11::ClearStaleIconicStart(widget->windowHandle());
    if (taskbar_state_chosen) x11::SetSkipTaskbar(widget->windowHandle(), off_taskbar);
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
  // A StatusNotifierItem host that Qt's icon cannot reach gets the tray
  // shell's own item (QtTrayShell), so it counts as well.
  return QSystemTrayIcon::isSystemTrayAvailable() || StatusNotifierWatcherPresent();
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
    if (IsProgramWindow(widget) && widget->isVisible()) x11::SetSkipTaskbar(widget->windowHandle(), off);
  }
}

bool KeptOffTaskbar() { return off_taskbar; }

void WatchNotificationArea(QObject* context, std::function<void()> changed) {
  x11::WatchTrayManager(context, changed);
  // A StatusNotifierItem host is there while its watcher service is on the
  // session bus; Qt's icon, or the tray shell's own item, registers again by
  // itself when the watcher comes back.
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return;
  auto* watcher = new QDBusServiceWatcher(QString::fromLatin1(kStatusNotifierWatcherService), bus,
                                          QDBusServiceWatcher::WatchForRegistration |
                                              QDBusServiceWatcher::WatchForUnregistration,
                                          context);
  QObject::connect(watcher, &QDBusServiceWatcher::serviceRegistered, context, [changed] { changed(); });
  QObject::connect(watcher, &QDBusServiceWatcher::serviceUnregistered, context, [changed] { changed(); });
}

QMargins FrameMargins(QWidget* window) {
  // Qt knows the frame once the window manager has framed the window.
  const QRect frame = window->frameGeometry();
  const QRect client = window->geometry();
  if (frame != client) {
    return {client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
            frame.bottom() - client.bottom()};
  }
  return x11::FrameExtents(window);
}

void FollowWindowManagerStaysOnTop(QWidget* window, std::function<void(bool above)> changed) {
  x11::WatchStaysOnTop(window, std::move(changed));
}

}  // namespace numira::platform
