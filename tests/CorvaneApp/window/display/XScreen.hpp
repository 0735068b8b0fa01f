#pragma once

// What the X server of the test shows, asked of the server itself: its
// top-level windows in stacking order and the pixels on the screen.

#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QScreen>
#include <QString>

#include <optional>
#include <vector>

struct XWindow {
    quint64 id = 0;
    QString name;
    QRect geometry; // on the screen
};

// The children of the root window, topmost first (as xwininfo lists them),
// those unmapped among them.
inline std::vector<XWindow> stackedWindows()
{
    QProcess info;
    info.start(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-children")});
    std::vector<XWindow> windows;
    if (!info.waitForFinished(5000)) return windows;
    static const QRegularExpression line(
        QStringLiteral("^\\s+(0x[0-9a-f]+) \"(.*)\": \\(.*\\)\\s+(\\d+)x(\\d+)\\+-?\\d+\\+-?\\d+\\s+\\+(-?\\d+)\\+(-?\\d+)$"));
    for (const QString& text : QString::fromUtf8(info.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        const auto match = line.match(text);
        if (!match.hasMatch()) continue;
        windows.push_back({match.captured(1).toULongLong(nullptr, 16), match.captured(2),
                           QRect(match.captured(5).toInt(), match.captured(6).toInt(), match.captured(3).toInt(),
                                 match.captured(4).toInt())});
    }
    return windows;
}

// The place from the top (0: topmost) of the first window of that name.
inline std::optional<std::size_t> stackingPlace(const std::vector<XWindow>& windows, const QString& name)
{
    for (std::size_t place = 0; place < windows.size(); ++place)
        if (windows[place].name == name) return place;
    return std::nullopt;
}

inline std::optional<std::size_t> stackingPlace(const std::vector<XWindow>& windows, quint64 id)
{
    for (std::size_t place = 0; place < windows.size(); ++place)
        if (windows[place].id == id) return place;
    return std::nullopt;
}

// Mapped, and so on the screen where no other window covers it.
inline bool isViewable(quint64 id)
{
    QProcess info;
    info.start(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::number(id)});
    return info.waitForFinished(5000) && info.readAllStandardOutput().contains("Map State: IsViewable");
}

// What the screen shows in `area`, whichever window it comes from.
inline QImage screenPixels(const QRect& area)
{
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}
