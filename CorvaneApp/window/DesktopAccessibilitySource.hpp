#pragma once

#include <QDBusConnection>
#include <QObject>

#include <array>
#include <optional>

#include "CorvaneApp/workspace/DesktopAccessibility.hpp"

class QDBusMessage;

namespace corvane {

class PracticeWorkspaceView;

// The desktop's reduce-motion and contrast wishes, read from the XDG desktop
// portal's Settings interface on the session bus and followed through its
// SettingChanged signal. Qt reports neither, so they are asked for here.
//
// Nothing blocks: the bus is reached off the main thread and every read is
// asynchronous. Until the answers come (or with no bus or no portal) both
// are off. For each wish the first key of its list that answers wins; a
// reply of the wrong type counts as no answer.
class DesktopAccessibilitySource : public QObject {
    Q_OBJECT
public:
    // The bus at `busAddress`, or the session bus when it is empty.
    explicit DesktopAccessibilitySource(QString busAddress = {}, QObject* parent = nullptr);
    ~DesktopAccessibilitySource() override;

    const DesktopAccessibility& current() const { return current_; }
    // Whether every key has answered or failed, so the wishes are known.
    bool isKnown() const { return isKnown_; }

    // Gives the workspace the wishes now and at every change.
    void handTo(PracticeWorkspaceView& workspace);

    // How many portal keys are asked (the list is in the source file).
    static constexpr std::size_t keyCount = 5;

signals:
    void changed(const DesktopAccessibility& accessibility);

private slots:
    void settingChanged(const QDBusMessage& message);

private:
    enum class KeyState { waiting, absent, answered };
    struct KeyAnswer {
        KeyState state = KeyState::waiting;
        bool wish = false;
    };

    void useBus(const QDBusConnection& bus);
    void read(std::size_t key, bool oldMethod);
    void answer(std::size_t key, std::optional<bool> wish);
    void settle();

    QString connectionName_;
    std::optional<QDBusConnection> bus_;
    std::array<KeyAnswer, keyCount> answers_{};
    DesktopAccessibility current_;
    bool isKnown_ = false;
};

} // namespace corvane
