#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QMap>

#include <utility>
#include <vector>

#include "support/PrivateSessionBus.hpp"

class FakeDesktopPortal;

// The portal's Settings interface, as the desktop's portal offers it.
class FakePortalSettings : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
    Q_PROPERTY(uint version READ version)
public:
    explicit FakePortalSettings(FakeDesktopPortal* portal);
    uint version() const;

public slots:
    QDBusVariant ReadOne(const QString& group, const QString& key, const QDBusMessage& message);
    QDBusVariant Read(const QString& group, const QString& key, const QDBusMessage& message);

signals:
    void SettingChanged(const QString& group, const QString& key, const QDBusVariant& value);

private:
    FakeDesktopPortal* portal_;
};

// "org.freedesktop.portal.Desktop" on the given bus, answering from a table
// of settings that the test fills and changes. A portal of version 1 knows
// only "Read", whose value comes wrapped once more than "ReadOne"'s. Replies
// can be held back and sent later.
class FakeDesktopPortal : public QObject {
    Q_OBJECT
public:
    FakeDesktopPortal(const QString& busAddress, uint version = 2)
        : bus_(QDBusConnection::connectToBus(busAddress, QStringLiteral("fake-portal-%1").arg(++serial()))),
          version_(version)
    {
        settings_ = new FakePortalSettings(this);
        bus_.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), this, QDBusConnection::ExportAdaptors);
        registered_ = bus_.registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
    }
    ~FakeDesktopPortal() override { QDBusConnection::disconnectFromBus(bus_.name()); }

    bool isRegistered() const { return registered_ && bus_.isConnected(); }
    uint version() const { return version_; }

    void set(const QString& group, const QString& key, const QVariant& value) { values_[{group, key}] = value; }
    void clear() { values_.clear(); }
    // Sets the value and says so on the bus.
    void change(const QString& group, const QString& key, const QVariant& value)
    {
        set(group, key, value);
        emit settings_->SettingChanged(group, key, QDBusVariant(value));
    }

    void holdReplies(bool hold) { holding_ = hold; }
    void releaseReplies()
    {
        for (const auto& reply : held_) bus_.send(reply);
        held_.clear();
    }
    int readCount() const { return reads_; }

    // The reply to a read: the value, wrapped `wraps` times, or NotFound.
    void answer(const QString& group, const QString& key, const QDBusMessage& message, int wraps)
    {
        ++reads_;
        message.setDelayedReply(true);
        QDBusMessage reply;
        const auto found = values_.find({group, key});
        if (found == values_.end()) {
            reply = message.createErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotFound"),
                                             QStringLiteral("Requested setting not found"));
        } else {
            QVariant value = *found;
            for (int i = 0; i < wraps; ++i) value = QVariant::fromValue(QDBusVariant(value));
            reply = message.createReply(value);
        }
        if (holding_) held_.push_back(reply);
        else bus_.send(reply);
    }
    void refuse(const QDBusMessage& message)
    {
        message.setDelayedReply(true);
        bus_.send(message.createErrorReply(QDBusError::UnknownMethod, QStringLiteral("No such method")));
    }

private:
    static int& serial()
    {
        static int count = 0;
        return count;
    }

    QDBusConnection bus_;
    uint version_;
    bool registered_ = false;
    FakePortalSettings* settings_ = nullptr;
    QMap<std::pair<QString, QString>, QVariant> values_;
    bool holding_ = false;
    std::vector<QDBusMessage> held_;
    int reads_ = 0;
};

inline FakePortalSettings::FakePortalSettings(FakeDesktopPortal* portal) : QDBusAbstractAdaptor(portal), portal_(portal) {}

inline uint FakePortalSettings::version() const { return portal_->version(); }

inline QDBusVariant FakePortalSettings::ReadOne(const QString& group, const QString& key, const QDBusMessage& message)
{
    if (portal_->version() < 2) portal_->refuse(message);
    else portal_->answer(group, key, message, 1);
    return {};
}

inline QDBusVariant FakePortalSettings::Read(const QString& group, const QString& key, const QDBusMessage& message)
{
    portal_->answer(group, key, message, 2);
    return {};
}
