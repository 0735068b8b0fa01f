#pragma once

#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;

namespace corvane {

// A screen that stands in for a list with nothing to show: a large symbol,
// a title, a description and, optionally, one action button. With a
// `filesDropped` handler it takes file drags itself; without one it leaves
// them to the window.
class LibraryUnavailableContent : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString systemImage READ systemImage)
public:
    explicit LibraryUnavailableContent(QWidget* parent = nullptr);

    void setContent(const QString& systemImage, const QString& title, const QString& description);
    const QString& systemImage() const { return systemImage_; }
    QString title() const;
    QString description() const;

    // Shown only with a title; emits `actionTriggered`.
    void setActionTitle(const QString& title);
    QPushButton* actionButton() const { return action_; }

    // Files dropped on the screen; whether the drop was taken. Setting it
    // makes the screen a drop target.
    void setFilesDropped(std::function<bool(const QList<QUrl>&)> handler);

signals:
    void actionTriggered();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QString systemImage_;
    QWidget* symbol_ = nullptr;
    QLabel* title_ = nullptr;
    QLabel* description_ = nullptr;
    QPushButton* action_ = nullptr;
    std::function<bool(const QList<QUrl>&)> filesDropped_;
};

} // namespace corvane
