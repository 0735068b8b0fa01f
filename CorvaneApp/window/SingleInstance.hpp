#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

#include <filesystem>
#include <memory>
#include <vector>

namespace corvane {

// One running application per user and settings file. The first instance
// listens on a local socket; a later one hands its files to it and exits.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // A connection sending more than this is dropped unread.
    static constexpr qint64 maximumMessageBytes = 1 << 20;

    // The socket name for a settings file: one instance per user and file.
    static QString serverName(const std::filesystem::path& settingsFile);

    explicit SingleInstance(QString serverName, QObject* parent = nullptr);
    ~SingleInstance() override;

    // When another instance listens: sends it `files` (made absolute against
    // the current folder), waits until it has them and returns true.
    // Otherwise starts listening (in place of a socket left behind by a
    // process that died) and returns false.
    bool handOffOrListen(const std::vector<std::filesystem::path>& files, int timeoutMilliseconds = 2000);

    bool isListening() const;
    const QString& name() const { return name_; }

signals:
    // Files handed over by a later instance, in the order given; empty when
    // it was started without any.
    void filesReceived(const std::vector<std::filesystem::path>& files);

private:
    void listen(bool replaceLeftBehindSocket);
    void acceptConnections();

    QString name_;
    std::unique_ptr<QLocalServer> server_;
};

} // namespace corvane
