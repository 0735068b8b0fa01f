#pragma once

#include <QAbstractButton>
#include <QWidget>

#include <functional>
#include <string>

#include "CorvaneDomain/PracticeLoopBookmark.hpp"

class QAction;
class QLineEdit;
class QMenu;

namespace corvane {

// The button that fills a saved loop's row: the loop symbol, the name on one
// line, and the repetitions and accuracy at the trailing end. A click
// anywhere on it activates the loop.
class SavedLoopActivateButton : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(QString systemImage READ systemImage)
public:
    explicit SavedLoopActivateButton(QWidget* parent = nullptr);

    void setContent(const QString& name, const QString& repetitions, const QString& accuracy, bool isActive);
    QString systemImage() const;
    const QString& name() const { return name_; }
    // The name as drawn: its first line only, cut short with an ellipsis to fit.
    QString shownName() const;
    // Empty while hidden.
    const QString& repetitionsText() const { return repetitions_; }
    const QString& accuracyText() const { return accuracy_; }
    bool isActive() const { return active_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double nameWidth() const;

    QString name_;
    QString repetitions_;
    QString accuracy_;
    bool active_ = false;
};

// A small borderless button showing one symbol, in the tertiary text colour
// or the accent; it takes no focus, so the rename field keeps it.
class SavedLoopIconButton : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(QString systemImage READ systemImage)
public:
    SavedLoopIconButton(const QString& systemImage, const QString& title, QWidget* parent = nullptr);

    const QString& systemImage() const { return systemImage_; }
    void setSymbol(const QString& systemImage, const QString& title, bool accented);
    bool isAccented() const { return accented_; }

    QSize sizeHint() const override { return {18, 22}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString systemImage_;
    bool accented_ = false;
};

// One saved loop of the open song: activate it with a click, rename it in
// place, reset its progress or remove it from the "…" menu or the context
// menu (the same two actions). The row changes nothing itself: each action
// calls the owner's function, and the owner hands back the stored loop with
// setBookmark. A rename in progress survives such updates.
class SavedLoopRow : public QWidget {
    Q_OBJECT
public:
    struct Actions {
        std::function<void()> activate;
        std::function<void(const std::string&)> rename;
        std::function<void()> resetProgress;
        std::function<void()> remove;
    };

    SavedLoopRow(PracticeLoopBookmark bookmark, bool isActive, Actions actions, QWidget* parent = nullptr);

    const PracticeLoopBookmark& bookmark() const { return bookmark_; }
    void setBookmark(const PracticeLoopBookmark& bookmark);
    bool isActive() const { return active_; }
    void setActive(bool active);

    // The trimmed name, or the automatic one when that leaves nothing.
    QString displayName() const;
    QString activateHelp() const;
    // No repetitions and no graded note: nothing to reset.
    bool isProgressFree() const;

    bool isRenaming() const { return renaming_; }
    const QString& draftName() const { return draftName_; }
    // The rename button while idle: the stored name, untrimmed, into the field.
    void beginRename();
    // Ends a rename (once): stores the trimmed draft when it differs from the
    // stored name. Return, the confirm button and the field losing focus call it.
    void commit();
    // Ends a rename without storing, for a row whose loop is gone.
    void abandonRename();

    SavedLoopActivateButton& activateButton() const { return *activate_; }
    QLineEdit& renameField() const { return *field_; }
    SavedLoopIconButton& renameButton() const { return *renameButton_; }
    SavedLoopIconButton& moreButton() const { return *moreButton_; }
    QMenu& moreMenu() const { return *moreMenu_; }
    QMenu& contextMenu() const { return *contextMenu_; }
    QAction& resetAction() const { return *resetAction_; }
    QAction& removeAction() const { return *removeAction_; }

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showBookmark();
    void showRenaming();

    PracticeLoopBookmark bookmark_;
    bool active_;
    Actions actions_;
    bool renaming_ = false;
    QString draftName_;
    SavedLoopActivateButton* activate_;
    QWidget* renameSymbol_;
    QLineEdit* field_;
    SavedLoopIconButton* renameButton_;
    SavedLoopIconButton* moreButton_;
    QMenu* moreMenu_;
    QMenu* contextMenu_;
    QAction* resetAction_;
    QAction* removeAction_;
};

} // namespace corvane
