// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// A tray icon published by the program itself as a StatusNotifierItem on the
// session bus, for the one case Qt's own icon cannot serve: Qt chooses
// between an XEmbed and a D-Bus icon once, at the first icon, so a program
// that started with no notification area at all has an XEmbed icon that a
// StatusNotifierItem host (a panel started later) never sees.
//
// The item is its own bus connection, named as StatusNotifierItem hosts
// expect (org.kde.StatusNotifierItem-PID-N), with the object
// /StatusNotifierItem. It registers with the watcher when it is made and
// again whenever a watcher takes the name; deleting it takes it off the bus.

#include <QByteArray>
#include <QDBusConnection>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QSystemTrayIcon>

#include <functional>

class QDBusArgument;
class QIcon;

namespace numira {

// The session bus service of the watcher that hosts register with.
inline constexpr char kStatusNotifierWatcherService[] = "org.kde.StatusNotifierWatcher";

// Whether a StatusNotifierItem watcher is on the session bus now; false
// without a session bus.
bool StatusNotifierWatcherPresent();

// One picture of an icon as the protocol carries it (D-Bus type (iiay)):
// width, height and the pixels row by row, each as ARGB32 in network
// (big-endian) byte order: opaque red is ff ff 00 00.
struct SniPixmap {
  int width = 0;
  int height = 0;
  QByteArray pixels;
};
using SniPixmaps = QList<SniPixmap>;

// The tooltip (D-Bus type (sa(iiay)ss)): icon name, icon pictures, title and
// descriptive text.
struct SniToolTip {
  QString iconName;
  SniPixmaps pixmaps;
  QString title;
  QString text;
};

// The icon's pictures at each of its sizes (32 x 32 when it names none); none
// for a null icon.
SniPixmaps SniIconPixmaps(const QIcon& icon);

QDBusArgument& operator<<(QDBusArgument& argument, const SniPixmap& pixmap);
const QDBusArgument& operator>>(const QDBusArgument& argument, SniPixmap& pixmap);
QDBusArgument& operator<<(QDBusArgument& argument, const SniToolTip& toolTip);
const QDBusArgument& operator>>(const QDBusArgument& argument, SniToolTip& toolTip);

}  // namespace numira

Q_DECLARE_METATYPE(numira::SniPixmap)
Q_DECLARE_METATYPE(numira::SniToolTip)

namespace numira {

class SniTrayItem : public QObject {
  Q_OBJECT

 public:
  // The host's requests, as the activation reasons of Qt's own icon:
  // Activate (a left click) is Trigger, SecondaryActivate (a middle click)
  // MiddleClick, ContextMenu Context.
  using ActivationHandler = std::function<void(QSystemTrayIcon::ActivationReason)>;

  // Id and Title are the application's name and display name, as for Qt's
  // own icon; Category ApplicationStatus, Status Active.
  SniTrayItem(const QIcon& icon, const QString& toolTip, ActivationHandler activated, QObject* parent = nullptr);
  ~SniTrayItem() override;

  void SetIcon(const QIcon& icon);
  void SetToolTip(const QString& toolTip);

  // What the item's bus object shows hosts and passes on from them.
  SniPixmaps IconPixmaps() const { return pixmaps_; }
  SniToolTip ToolTip() const;
  void Activated(QSystemTrayIcon::ActivationReason reason) const;

 signals:
  void IconChanged();
  void ToolTipChanged();

 private:
  void RegisterWithWatcher() const;

  QString connection_name_;
  QDBusConnection bus_;
  QString service_;  // the bus name given to the watcher
  SniPixmaps pixmaps_;
  QString tool_tip_;
  ActivationHandler activated_;
};

}  // namespace numira
