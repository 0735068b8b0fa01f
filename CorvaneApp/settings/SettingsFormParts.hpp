#pragma once

#include <QColor>
#include <QPushButton>
#include <QString>
#include <QWidget>

class QComboBox;
class QLabel;
class QProgressBar;
class QVBoxLayout;

namespace corvane {

class StudioFieldLabel;

// The pieces the settings forms are made of: grouped boxes of rows, pickers,
// labelled read-only rows, captions, warnings, busy rows and the empty state
// of a tab whose service is missing.

// The two warning colours of the forms (the system's red and orange on a
// dark background).
const QColor& settingsRed();
const QColor& settingsOrange();

// A caption in the caption font, wrapped, in `color`.
QLabel* makeSettingsCaption(const QString& text, const QColor& color, QWidget* parent = nullptr);
// A section's plain text header, above its box.
QLabel* makeSettingsSectionHeader(const QString& text, QWidget* parent = nullptr);

// A rounded box holding a section's rows one under the other.
class SettingsGroup : public QWidget {
    Q_OBJECT
public:
    explicit SettingsGroup(QWidget* parent = nullptr);
    // The group takes the row over.
    void addRow(QWidget* row);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QVBoxLayout* rows_;
};

// A form: a column, scrolled when it is taller than its tab, of groups and
// loose rows, with a little air around it.
class SettingsForm : public QWidget {
    Q_OBJECT
public:
    explicit SettingsForm(QWidget* parent = nullptr);
    // The form takes the widget over; a new section starts with some space.
    void addWidget(QWidget* widget, int spacingBefore = 0);
    void addSection(QWidget* header, SettingsGroup* group);
    void finish();

private:
    QVBoxLayout* column_;
};

// A button with one of the kit's pictograms before its text, in the primary
// text colour.
class SettingsButton : public QPushButton {
    Q_OBJECT
    Q_PROPERTY(QString systemImage READ systemImage CONSTANT)
public:
    SettingsButton(const QString& systemImage, const QString& title, QWidget* parent = nullptr);
    const QString& systemImage() const { return systemImage_; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void paintIcon();
    QString systemImage_;
};

// A row that picks one of several options: its title as a field label, the
// options in a combo box at the right.
class SettingsPickerRow : public QWidget {
    Q_OBJECT
public:
    explicit SettingsPickerRow(const QString& title, QWidget* parent = nullptr);
    QComboBox* comboBox() const { return combo_; }
    StudioFieldLabel* titleLabel() const { return title_; }

private:
    StudioFieldLabel* title_;
    QComboBox* combo_;
};

// A read-only row: a field label at the left and a text at the right.
class SettingsValueRow : public QWidget {
    Q_OBJECT
public:
    SettingsValueRow(const QString& title, const QString& value, const QColor& color, QWidget* parent = nullptr);
    void setValue(const QString& value, const QColor& color);
    QString value() const;
    QColor valueColor() const;
    StudioFieldLabel* titleLabel() const { return title_; }

private:
    StudioFieldLabel* title_;
    QLabel* value_;
};

// A pictogram and a text beside it, both in one colour.
class SettingsSymbolLabel : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString systemImage READ systemImage CONSTANT)
public:
    SettingsSymbolLabel(const QString& systemImage, const QString& text, const QColor& color,
                        QWidget* parent = nullptr);
    const QString& systemImage() const { return systemImage_; }
    QString text() const;
    QColor color() const { return color_; }

private:
    QString systemImage_;
    QColor color_;
    QLabel* text_;
};

// Something running: an indeterminate bar and what it is doing.
class SettingsProgressRow : public QWidget {
    Q_OBJECT
public:
    explicit SettingsProgressRow(QWidget* parent = nullptr);
    void setText(const QString& text);
    QString text() const;

private:
    QProgressBar* bar_;
    QLabel* text_;
};

// What a tab shows when the service it edits could not be made: a large
// pictogram, a title and a description, centred.
class SettingsEmptyState : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString systemImage READ systemImage CONSTANT)
public:
    SettingsEmptyState(const QString& systemImage, const QString& title, const QString& description,
                       QWidget* parent = nullptr);
    const QString& systemImage() const { return systemImage_; }
    QString title() const;
    QString description() const;

private:
    QString systemImage_;
    QLabel* title_;
    QLabel* description_;
};

} // namespace corvane
