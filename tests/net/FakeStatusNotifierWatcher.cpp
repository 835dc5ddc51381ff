#include "FakeStatusNotifierWatcher.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QMutexLocker>

namespace {

constexpr const char* Name = "org.kde.StatusNotifierWatcher";
constexpr const char* Connection = "fake-status-notifier-watcher";
constexpr const char* ItemInterface = "org.kde.StatusNotifierItem";

class Adaptor : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)

public:
    explicit Adaptor(FakeStatusNotifierWatcher& watcher)
        : m_watcher(watcher)
    {
    }
    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
    QStringList items() const { return m_watcher.items(); }

public slots:
    // An item names its service, or only its path on the caller's connection.
    void RegisterStatusNotifierItem(const QString& service)
    {
        m_watcher.registered(service.startsWith('/') ? message().service() : service);
    }
    void RegisterStatusNotifierHost(const QString&) {}

private:
    FakeStatusNotifierWatcher& m_watcher;
};

QVariant itemProperty(const QString& item, const char* name)
{
    QDBusMessage get = QDBusMessage::createMethodCall(item, "/StatusNotifierItem", "org.freedesktop.DBus.Properties",
                                                      "Get");
    get << QString(ItemInterface) << QString(name);
    const QDBusMessage reply = QDBusConnection(Connection).call(get, QDBus::Block, 2000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return reply.arguments().constFirst().value<QDBusVariant>().variant();
}

// a(iiay): the pictures of an icon, ARGB in network order; the largest.
QImage largestPicture(const QDBusArgument& pictures)
{
    QImage largest;
    pictures.beginArray();
    while (!pictures.atEnd()) {
        int width = 0;
        int height = 0;
        QByteArray bytes;
        pictures.beginStructure();
        pictures >> width >> height >> bytes;
        pictures.endStructure();
        if (width <= largest.width() || bytes.size() != qsizetype(width) * height * 4)
            continue;
        largest = QImage(width, height, QImage::Format_ARGB32);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const auto* p = reinterpret_cast<const uchar*>(bytes.constData()) + (qsizetype(y) * width + x) * 4;
                largest.setPixel(x, y, qRgba(p[1], p[2], p[3], p[0]));
            }
    }
    pictures.endArray();
    return largest;
}

}

FakeStatusNotifierWatcher::FakeStatusNotifierWatcher(const QString& address)
    : m_bus(Name, Connection, "/StatusNotifierWatcher", [this] { return new Adaptor(*this); },
            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties, address)
{
}

QStringList FakeStatusNotifierWatcher::items() const
{
    const QMutexLocker lock(&m_mutex);
    return m_items;
}

void FakeStatusNotifierWatcher::registered(const QString& item)
{
    const QMutexLocker lock(&m_mutex);
    m_items << item;
}

// (s a(iiay) s s): icon name, pictures, title, text.
QString FakeStatusNotifierWatcher::toolTip(const QString& item) const
{
    const QVariant value = itemProperty(item, "ToolTip");
    if (!value.canConvert<QDBusArgument>())
        return {};
    const QDBusArgument tip = value.value<QDBusArgument>();
    QString icon;
    QString title;
    QString text;
    tip.beginStructure();
    tip >> icon;
    largestPicture(tip);
    tip >> title >> text;
    tip.endStructure();
    return title;
}

QImage FakeStatusNotifierWatcher::icon(const QString& item) const
{
    const QVariant value = itemProperty(item, "IconPixmap");
    return value.canConvert<QDBusArgument>() ? largestPicture(value.value<QDBusArgument>()) : QImage();
}

#include "FakeStatusNotifierWatcher.moc"
