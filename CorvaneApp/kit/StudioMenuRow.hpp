#pragma once

#include <QColor>
#include <QWidget>

#include <functional>

class QAbstractButton;
class QMenu;
class QPropertyAnimation;

namespace corvane {

class StudioChipButton;
class StudioFieldLabel;
class StudioMenuValue;

// A row that picks one of several choices from a menu: its title at the
// left, the current choice at the right (a click on it opens the menu
// below), and, while the active instrument has an interface of its own, a
// chip beside the title that asks the screen to open that interface. The
// kit opens no window itself: the chip calls `openEditor`.
class StudioMenuRow : public QWidget {
    Q_OBJECT
public:
    // `compact` puts the value in a box in the primary text colour;
    // otherwise it is plain text in `accent`. The value is cut short with an
    // ellipsis beyond `maxValueWidth`.
    StudioMenuRow(const QString& title, const QString& value, const QColor& accent, bool compact,
                  double maxValueWidth, bool activeInstrumentHasUserInterface = false, QWidget* parent = nullptr);

    QString value() const;
    void setValue(const QString& value);
    // What the value shows now, ellipsis included.
    QString shownValue() const;
    bool isCompact() const { return compact_; }
    double maxValueWidth() const { return maxValueWidth_; }

    // The choices, built by the caller; the row starts with an empty menu of
    // its own. A menu given without a parent becomes the row's.
    QMenu* menu() const { return menu_; }
    void setMenu(QMenu* menu);

    // Turning it on fades the editor chip in, turning it off fades it out
    // (0.18 s, ease in and out) and hides it at the end.
    bool activeInstrumentHasUserInterface() const { return active_; }
    void setActiveInstrumentHasUserInterface(bool active);
    void setOpenEditor(std::function<void()> openEditor) { openEditor_ = std::move(openEditor); }

    StudioFieldLabel* titleLabel() const { return title_; }
    StudioChipButton* editorButton() const { return editor_; }
    // The editor chip's opacity now (it fades).
    double editorOpacity() const;
    QAbstractButton* valueButton() const;

signals:
    // The menu is about to open: a caller that makes its choices only when
    // they are asked for makes them now.
    void menuRequested();

private:
    void openMenu();

    bool compact_;
    double maxValueWidth_;
    bool active_;
    StudioFieldLabel* title_;
    StudioChipButton* editor_;
    QPropertyAnimation* editorFade_;
    StudioMenuValue* value_;
    QMenu* menu_;
    std::function<void()> openEditor_;
};

} // namespace corvane
