// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "app/accessibility_bus.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QEvent>
#include <QPointer>
#include <QVariantMap>

namespace numira {
namespace {

const QString kBusService = QStringLiteral("org.a11y.Bus");
const QString kBusPath = QStringLiteral("/org/a11y/bus");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kStatus = QStringLiteral("org.a11y.Status");

// Qt connects its bridge through an object of this class (Qt's own, not
// public), whose slots are what Qt itself calls when the bus appears:
// serviceRegistered() reads the status again and, when it turned on, asks the
// bus for its address and connects; connectA11yBus(address) connects and
// starts the bridge when the status said on. The object is made with the
// bridge and is the parent of the watch Qt keeps on the bus's name, which is
// how it is found. A Qt without it leaves the bridge as Qt keeps it.
constexpr char kBridgeConnectionClass[] = "DBusConnection";

QPointer<QObject>& BridgeConnection() {
  static QPointer<QObject> connection;
  return connection;
}

bool IsBridgeConnection(const QObject* object) {
  const QMetaObject* meta = object->metaObject();
  return qstrcmp(meta->className(), kBridgeConnectionClass) == 0 && meta->indexOfSlot("serviceRegistered()") >= 0 &&
         meta->indexOfSlot("connectA11yBus(QString)") >= 0;
}

// Sees the children Qt's objects get while the bridge is made.
class BridgeFinder : public QObject {
 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::ChildAdded && BridgeConnection() == nullptr && IsBridgeConnection(watched)) {
      BridgeConnection() = watched;
    }
    return QObject::eventFilter(watched, event);
  }
};

bool StatusOn(const QVariantMap& status) {
  return status.value(QStringLiteral("IsEnabled")).toBool() ||
         status.value(QStringLiteral("ScreenReaderEnabled")).toBool();
}

// A call to the accessibility bus's launcher that never starts it: the bus
// belongs to the desktop, which starts it when it wants one.
QDBusMessage BusCall(const QString& interface, const QString& method, const QVariantList& arguments = {}) {
  QDBusMessage message = QDBusMessage::createMethodCall(kBusService, kBusPath, interface, method);
  message.setArguments(arguments);
  message.setAutoStartService(false);
  return message;
}

class AccessibilityBusWatch : public QObject {
  Q_OBJECT

 public:
  explicit AccessibilityBusWatch(QObject* context) : QObject(context) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    auto* appears = new QDBusServiceWatcher(kBusService, bus, QDBusServiceWatcher::WatchForRegistration, this);
    connect(appears, &QDBusServiceWatcher::serviceRegistered, this, [this] { ReadStatus(); });
    bus.connect(kBusService, kBusPath, kProperties, QStringLiteral("PropertiesChanged"), this,
                SLOT(PropertiesChanged(QString, QVariantMap, QStringList)));
    // The status now: the bus may have been on all along, with Qt missing it.
    ReadStatus();
  }

 private slots:
  void PropertiesChanged(const QString& interface, const QVariantMap& changed, const QStringList& invalidated) {
    if (interface != kStatus) return;
    if (StatusOn(changed)) {
      BringUpBridge();
    } else if (!invalidated.isEmpty()) {
      ReadStatus();
    }
  }

 private:
  // Calls `then` with the reply once it comes.
  template <typename Reply, typename Then>
  void Ask(const QDBusMessage& message, Then then) {
    auto* pending = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(message), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [pending, then] {
      const QDBusPendingReply<Reply> reply = *pending;
      if (reply.isValid()) then(reply.value());
      pending->deleteLater();
    });
  }

  void ReadStatus() {
    Ask<QVariantMap>(BusCall(kProperties, QStringLiteral("GetAll"), {kStatus}), [this](const QVariantMap& status) {
      if (StatusOn(status)) BringUpBridge();
    });
  }

  void BringUpBridge() {
    QObject* connection = BridgeConnection();
    if (connection == nullptr || QAccessible::isActive()) return;
    // Qt's own path, as when the bus appears: the status read again, and the
    // bus connected once its address comes.
    QMetaObject::invokeMethod(connection, "serviceRegistered");
    // Where Qt held the status on already (it missed its own start) that
    // changes nothing: connecting with the address starts the bridge then.
    Ask<QString>(BusCall(QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress")), [](const QString& address) {
      QObject* live = BridgeConnection();
      if (live != nullptr && !address.isEmpty() && !QAccessible::isActive()) {
        QMetaObject::invokeMethod(live, "connectA11yBus", Q_ARG(QString, address));
      }
    });
  }
};

}  // namespace

void NoteAccessibilityBridge() {
  BridgeFinder finder;
  QCoreApplication::instance()->installEventFilter(&finder);
  QAccessible::isActive();
  QCoreApplication::instance()->removeEventFilter(&finder);
}

void FollowAccessibilityBus(QObject* context) {
  if (BridgeConnection() == nullptr || !QDBusConnection::sessionBus().isConnected()) return;
  new AccessibilityBusWatch(context);
}

}  // namespace numira

#include "accessibility_bus.moc"
