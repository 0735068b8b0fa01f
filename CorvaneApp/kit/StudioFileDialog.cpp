#include "CorvaneApp/kit/StudioFileDialog.hpp"

#include <QAbstractItemView>
#include <QCompleter>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHash>
#include <QIdentityProxyModel>
#include <QMimeDatabase>
#include <QStandardPaths>
#include <QXmlStreamReader>

#include "CorvaneApp/kit/style/StudioLocale.hpp"

namespace corvane {

namespace {

// The freedesktop file of one type keeps its comment in every language.
QString readPortugueseComment(const QString& typeName)
{
    const QString file =
        QStandardPaths::locate(QStandardPaths::GenericDataLocation, QStringLiteral("mime/%1.xml").arg(typeName));
    QFile in(file);
    if (file.isEmpty() || !in.open(QIODevice::ReadOnly)) return {};
    QXmlStreamReader xml(&in);
    QString portuguese;
    while (xml.readNextStartElement() || !xml.atEnd()) {
        if (!xml.isStartElement() || xml.name() != QLatin1String("comment")) {
            if (xml.isStartElement() && xml.name() != QLatin1String("mime-type")) xml.skipCurrentElement();
            continue;
        }
        const auto language = xml.attributes().value(QLatin1String("xml:lang"));
        const QString text = xml.readElementText();
        if (language == QLatin1String("pt_BR")) return text;
        if (language == QLatin1String("pt") && portuguese.isEmpty()) portuguese = text;
    }
    return portuguese;
}

// The file system model's type, size and date columns in the kit's locale.
class PortugueseFileColumns : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override
    {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (role != Qt::DisplayRole || !files || index.column() < 1 || index.column() > 3)
            return QIdentityProxyModel::data(index, role);
        const QModelIndex source = mapToSource(index);
        const QFileInfo info = files->fileInfo(source);
        switch (index.column()) {
        case 1:
            return info.isDir() ? QString() : studioLocale().formattedDataSize(info.size());
        case 2:
            if (info.isRoot()) return QStringLiteral("Unidade");
            if (info.isDir()) return QStringLiteral("Pasta");
            return portugueseMimeComment(mimeTypes_.mimeTypeForFile(info));
        default:
            return studioLocale().toString(files->lastModified(source), QLocale::ShortFormat);
        }
    }

private:
    QMimeDatabase mimeTypes_;
};

} // namespace

QString portugueseMimeComment(const QMimeType& type)
{
    static QHash<QString, QString> known;
    auto found = known.find(type.name());
    if (found == known.end()) {
        QString comment = readPortugueseComment(type.name());
        if (comment.isEmpty()) comment = type.comment().isEmpty() ? type.name() : type.comment();
        found = known.insert(type.name(), comment);
    }
    return *found;
}

QFileDialog* makeStudioFileDialog(QWidget* parent)
{
    auto dialog = new QFileDialog(parent);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setLocale(studioLocale());
    dialog->setProxyModel(new PortugueseFileColumns(dialog));
    // The path field's completions are a window of their own: closed with the
    // dialog, or they stay drawn over the window below until the next click.
    QObject::connect(dialog, &QDialog::finished, dialog, [dialog] {
        for (auto completer : dialog->findChildren<QCompleter*>())
            if (completer->popup() && completer->popup()->isVisible()) completer->popup()->hide();
    });
    return dialog;
}

} // namespace corvane
