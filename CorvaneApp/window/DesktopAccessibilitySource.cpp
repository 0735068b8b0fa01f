#include "CorvaneApp/window/DesktopAccessibilitySource.hpp"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QPointer>
#include <QThreadPool>

#include <atomic>

#include "CorvaneApp/workspace/PracticeWorkspaceView.hpp"

#ifdef BRELMO_HAS_STAGE_VIEW
#include "CorvaneRendering/RenderingLog.hpp"
#endif

namespace corvane {

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString settingsInterface = QStringLiteral("org.freedesktop.portal.Settings");

// The keys asked, in order of precedence within each wish, and how each
// value says "yes".
enum class Wish { reduceMotion, increaseContrast };
enum class Reading { integerIsOne, booleanFalse, booleanTrue, numberIsZero };
struct PortalKey {
    const char* group;
    const char* name;
    Wish wish;
    Reading reading;
};
constexpr std::array<PortalKey, DesktopAccessibilitySource::keyCount> portalKeys{{
    {"org.freedesktop.appearance", "reduced-motion", Wish::reduceMotion, Reading::integerIsOne},
    {"org.gnome.desktop.interface", "enable-animations", Wish::reduceMotion, Reading::booleanFalse},
    {"org.kde.kdeglobals.KDE", "AnimationDurationFactor", Wish::reduceMotion, Reading::numberIsZero},
    {"org.freedesktop.appearance", "contrast", Wish::increaseContrast, Reading::integerIsOne},
    {"org.gnome.desktop.a11y.interface", "high-contrast", Wish::increaseContrast, Reading::booleanTrue},
}};

// The renderer's category: the stage is what these wishes change. Named
// here too for a build without the renderer.
const QLoggingCategory& accessibilityLog()
{
#ifdef BRELMO_HAS_STAGE_VIEW
    return renderingPerformanceLog();
#else
    static const QLoggingCategory category("com.corvane.linux.RenderingPerformance", QtInfoMsg);
    return category;
#endif
}

bool isInteger(const QVariant& value)
{
    switch (value.metaType().id()) {
    case QMetaType::UChar:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: return true;
    default: return false;
    }
}

// The value inside however many variants the portal wrapped it in ("Read"
// wraps it once more than "ReadOne").
QVariant unwrapped(QVariant value)
{
    for (int depth = 0; depth < 4 && value.metaType() == QMetaType::fromType<QDBusVariant>(); ++depth)
        value = value.value<QDBusVariant>().variant();
    return value;
}

// The wish a key's value expresses; nothing for a value of the wrong type.
std::optional<bool> wishOf(Reading reading, const QVariant& wrapped)
{
    const QVariant value = unwrapped(wrapped);
    switch (reading) {
    case Reading::integerIsOne:
        if (!isInteger(value)) return std::nullopt;
        return value.toLongLong() == 1;
    case Reading::booleanFalse:
        if (value.metaType().id() != QMetaType::Bool) return std::nullopt;
        return !value.toBool();
    case Reading::booleanTrue:
        if (value.metaType().id() != QMetaType::Bool) return std::nullopt;
        return value.toBool();
    case Reading::numberIsZero:
        if (value.metaType().id() == QMetaType::Double) return value.toDouble() == 0.0;
        if (!isInteger(value)) return std::nullopt;
        return value.toLongLong() == 0;
    }
    return std::nullopt;
}

const char* onOff(bool on) { return on ? "on" : "off"; }

} // namespace

DesktopAccessibilitySource::DesktopAccessibilitySource(QString busAddress, QObject* parent) : QObject(parent)
{
    static std::atomic<int> serial{0};
    connectionName_ = QStringLiteral("brelmo-desktop-accessibility-%1").arg(++serial);
    // Reaching the bus may start one or wait on a dead socket: that happens
    // on a worker, and the answer comes back here, if this still exists.
    QPointer<DesktopAccessibilitySource> guard(this);
    const QString name = connectionName_;
    QThreadPool::globalInstance()->start([guard, name, busAddress] {
        const QDBusConnection bus = busAddress.isEmpty()
                                        ? QDBusConnection::connectToBus(QDBusConnection::SessionBus, name)
                                        : QDBusConnection::connectToBus(busAddress, name);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [guard, name, bus] {
                if (guard) guard->useBus(bus);
                else QDBusConnection::disconnectFromBus(name);
            },
            Qt::QueuedConnection);
    });
}

DesktopAccessibilitySource::~DesktopAccessibilitySource()
{
    if (bus_) QDBusConnection::disconnectFromBus(connectionName_);
}

void DesktopAccessibilitySource::handTo(PracticeWorkspaceView& workspace)
{
    workspace.setDesktopAccessibility(current_);
    connect(this, &DesktopAccessibilitySource::changed, &workspace, &PracticeWorkspaceView::setDesktopAccessibility);
}

void DesktopAccessibilitySource::useBus(const QDBusConnection& bus)
{
    bus_ = bus;
    if (!bus.isConnected()) {
        for (std::size_t key = 0; key < keyCount; ++key) answer(key, std::nullopt);
        return;
    }
    // Any sender of the signal is listened to: naming the portal would make
    // Qt ask the bus for its owner and wait for the reply.
    bus_->connect(QString(), portalPath, settingsInterface, QStringLiteral("SettingChanged"), this,
                  SLOT(settingChanged(QDBusMessage)));
    for (std::size_t key = 0; key < keyCount; ++key) read(key, false);
}

// "ReadOne" first; a portal of version 1 only knows "Read".
void DesktopAccessibilitySource::read(std::size_t key, bool oldMethod)
{
    auto call = QDBusMessage::createMethodCall(portalService, portalPath, settingsInterface,
                                               oldMethod ? QStringLiteral("Read") : QStringLiteral("ReadOne"));
    call << QString::fromLatin1(portalKeys[key].group) << QString::fromLatin1(portalKeys[key].name);
    auto watcher = new QDBusPendingCallWatcher(bus_->asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, key, oldMethod](QDBusPendingCallWatcher* done) {
        done->deleteLater();
        const QDBusMessage reply = done->reply();
        if (reply.type() == QDBusMessage::ErrorMessage) {
            if (!oldMethod && reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.UnknownMethod")) {
                read(key, true);
                return;
            }
            answer(key, std::nullopt);
            return;
        }
        const auto arguments = reply.arguments();
        answer(key, arguments.size() == 1 ? wishOf(portalKeys[key].reading, arguments.front()) : std::nullopt);
    });
}

void DesktopAccessibilitySource::settingChanged(const QDBusMessage& message)
{
    const auto arguments = message.arguments();
    if (arguments.size() != 3) return;
    const QString group = arguments[0].toString();
    const QString name = arguments[1].toString();
    for (std::size_t key = 0; key < keyCount; ++key) {
        if (group == QLatin1String(portalKeys[key].group) && name == QLatin1String(portalKeys[key].name))
            answer(key, wishOf(portalKeys[key].reading, arguments[2]));
    }
}

void DesktopAccessibilitySource::answer(std::size_t key, std::optional<bool> wish)
{
    answers_[key] = wish ? KeyAnswer{KeyState::answered, *wish} : KeyAnswer{KeyState::absent, false};
    settle();
}

// Each wish takes the first key of its list that answered, once every key
// before it has answered or failed.
void DesktopAccessibilitySource::settle()
{
    DesktopAccessibility next = current_;
    bool known = true;
    for (const Wish wish : {Wish::reduceMotion, Wish::increaseContrast}) {
        std::optional<bool> value;
        bool waiting = false;
        for (std::size_t key = 0; key < keyCount && !value && !waiting; ++key) {
            if (portalKeys[key].wish != wish) continue;
            if (answers_[key].state == KeyState::waiting) waiting = true;
            else if (answers_[key].state == KeyState::answered) value = answers_[key].wish;
        }
        if (waiting) {
            known = false;
            continue;
        }
        (wish == Wish::reduceMotion ? next.reduceMotion : next.increaseContrast) = value.value_or(false);
    }
    const bool firstKnown = known && !isKnown_;
    isKnown_ = isKnown_ || known;
    const bool isChange = next != current_;
    current_ = next;
    if (isKnown_ && (firstKnown || isChange))
        qCInfo(accessibilityLog, "desktop accessibility: reduce motion %s, increased contrast %s",
               onOff(current_.reduceMotion), onOff(current_.increaseContrast));
    if (isChange) emit changed(current_);
}

} // namespace corvane
