// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "app/sni_tray_item.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusServiceWatcher>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QtEndian>

#include <utility>

namespace numira {
namespace {

const QString kItemPath = QStringLiteral("/StatusNotifierItem");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");

// The object a host talks to: the protocol's properties, its signals of
// change and its requests, read from and passed to the item.
class StatusNotifierItemAdaptor : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
  Q_PROPERTY(QString Category READ Category)
  Q_PROPERTY(QString Id READ Id)
  Q_PROPERTY(QString Title READ Title)
  Q_PROPERTY(QString Status READ Status)
  Q_PROPERTY(int WindowId READ WindowId)
  Q_PROPERTY(QString IconName READ IconName)
  Q_PROPERTY(numira::SniPixmaps IconPixmap READ IconPixmap)
  Q_PROPERTY(numira::SniToolTip ToolTip READ ToolTip)
  Q_PROPERTY(bool ItemIsMenu READ ItemIsMenu)

 public:
  explicit StatusNotifierItemAdaptor(SniTrayItem* item) : QDBusAbstractAdaptor(item), item_(item) {
    connect(item, &SniTrayItem::IconChanged, this, &StatusNotifierItemAdaptor::NewIcon);
    connect(item, &SniTrayItem::ToolTipChanged, this, &StatusNotifierItemAdaptor::NewToolTip);
  }

  QString Category() const { return QStringLiteral("ApplicationStatus"); }
  QString Id() const { return QCoreApplication::applicationName(); }
  QString Title() const { return QGuiApplication::applicationDisplayName(); }
  QString Status() const { return QStringLiteral("Active"); }
  int WindowId() const { return 0; }
  QString IconName() const { return {}; }
  SniPixmaps IconPixmap() const { return item_->IconPixmaps(); }
  SniToolTip ToolTip() const { return item_->ToolTip(); }
  // A click activates; the menu has a request of its own.
  bool ItemIsMenu() const { return false; }

 public slots:
  void Activate(int, int) { item_->Activated(QSystemTrayIcon::Trigger); }
  void SecondaryActivate(int, int) { item_->Activated(QSystemTrayIcon::MiddleClick); }
  void ContextMenu(int, int) { item_->Activated(QSystemTrayIcon::Context); }

 signals:
  void NewIcon();
  void NewToolTip();

 private:
  SniTrayItem* item_;
};

// Bus names following the protocol's convention, one per item of the process.
QString NextServiceName() {
  static int count = 0;
  return QStringLiteral("org.kde.StatusNotifierItem-%1-%2").arg(QCoreApplication::applicationPid()).arg(++count);
}

}  // namespace

bool StatusNotifierWatcherPresent() {
  const QDBusConnection bus = QDBusConnection::sessionBus();
  return bus.isConnected() && bus.interface()->isServiceRegistered(QString::fromLatin1(kStatusNotifierWatcherService));
}

SniPixmaps SniIconPixmaps(const QIcon& icon) {
  if (icon.isNull()) return {};
  QList<QSize> sizes = icon.availableSizes();
  if (sizes.isEmpty()) sizes.append(QSize(32, 32));
  SniPixmaps pixmaps;
  for (const QSize& size : sizes) {
    const QImage image = icon.pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32);
    if (image.isNull()) continue;
    SniPixmap pixmap{image.width(), image.height(), {}};
    pixmap.pixels.resize(static_cast<qsizetype>(image.width()) * image.height() * 4);
    auto* out = reinterpret_cast<uchar*>(pixmap.pixels.data());
    for (int y = 0; y < image.height(); ++y) {
      const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
      for (int x = 0; x < image.width(); ++x, out += 4) qToBigEndian<quint32>(row[x], out);
    }
    pixmaps.append(pixmap);
  }
  return pixmaps;
}

QDBusArgument& operator<<(QDBusArgument& argument, const SniPixmap& pixmap) {
  argument.beginStructure();
  argument << pixmap.width << pixmap.height << pixmap.pixels;
  argument.endStructure();
  return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, SniPixmap& pixmap) {
  argument.beginStructure();
  argument >> pixmap.width >> pixmap.height >> pixmap.pixels;
  argument.endStructure();
  return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const SniToolTip& toolTip) {
  argument.beginStructure();
  argument << toolTip.iconName << toolTip.pixmaps << toolTip.title << toolTip.text;
  argument.endStructure();
  return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, SniToolTip& toolTip) {
  argument.beginStructure();
  argument >> toolTip.iconName >> toolTip.pixmaps >> toolTip.title >> toolTip.text;
  argument.endStructure();
  return argument;
}

SniTrayItem::SniTrayItem(const QIcon& icon, const QString& toolTip, ActivationHandler activated, QObject* parent)
    : QObject(parent),
      connection_name_(NextServiceName()),
      bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, connection_name_)),
      pixmaps_(SniIconPixmaps(icon)),
      tool_tip_(toolTip),
      activated_(std::move(activated)) {
  qDBusRegisterMetaType<SniPixmap>();
  qDBusRegisterMetaType<SniPixmaps>();
  qDBusRegisterMetaType<SniToolTip>();
  new StatusNotifierItemAdaptor(this);
  if (!bus_.isConnected()) return;
  bus_.registerObject(kItemPath, this, QDBusConnection::ExportAdaptors);
  // Another owner of the conventional name cannot be: the connection's own
  // unique name serves as well.
  service_ = bus_.registerService(connection_name_) ? connection_name_ : bus_.baseService();

  // A watcher that starts, or replaces another, knows no items yet.
  auto* watcher = new QDBusServiceWatcher(QString::fromLatin1(kStatusNotifierWatcherService), bus_,
                                          QDBusServiceWatcher::WatchForOwnerChange, this);
  connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
          [this](const QString&, const QString&, const QString& newOwner) {
            if (!newOwner.isEmpty()) RegisterWithWatcher();
          });
  RegisterWithWatcher();
}

SniTrayItem::~SniTrayItem() {
  if (bus_.isConnected()) {
    bus_.unregisterObject(kItemPath);
    if (service_ == connection_name_) bus_.unregisterService(service_);
  }
  // The connection closes when the last copy (this item's, its watcher's) goes.
  QDBusConnection::disconnectFromBus(connection_name_);
}

void SniTrayItem::SetIcon(const QIcon& icon) {
  pixmaps_ = SniIconPixmaps(icon);
  emit IconChanged();
}

void SniTrayItem::SetToolTip(const QString& toolTip) {
  tool_tip_ = toolTip;
  emit ToolTipChanged();
}

SniToolTip SniTrayItem::ToolTip() const { return {QString(), pixmaps_, tool_tip_, QString()}; }

void SniTrayItem::Activated(QSystemTrayIcon::ActivationReason reason) const {
  if (activated_) activated_(reason);
}

void SniTrayItem::RegisterWithWatcher() const {
  QDBusMessage call =
      QDBusMessage::createMethodCall(QString::fromLatin1(kStatusNotifierWatcherService), kWatcherPath,
                                     QString::fromLatin1(kStatusNotifierWatcherService),
                                     QStringLiteral("RegisterStatusNotifierItem"));
  call << service_;
  // No answer is awaited: the watcher may be asking this item something meanwhile.
  bus_.send(call);
}

}  // namespace numira

#include "sni_tray_item.moc"
