#include "CorvaneApp/kit/style/StudioTypography.hpp"

#include <QFile>
#include <QFontDatabase>

#include "CorvaneApp/kit/style/StudioResourceBundle.hpp"

namespace corvane {

const QLoggingCategory& typographyLog()
{
    static const QLoggingCategory category("com.corvane.linux.typography");
    return category;
}

namespace {

// Qt gives no reason for a refused file; the likeliest one is worth telling.
QString failureDescription(const std::filesystem::path& file)
{
    QFile handle(QString::fromStdString(file.string()));
    if (!handle.open(QIODevice::ReadOnly)) return handle.errorString();
    return QStringLiteral("erro desconhecido");
}

} // namespace

bool StudioTypography::registerFonts(const std::vector<std::filesystem::path>& files)
{
    if (files.empty()) {
        qCCritical(typographyLog, "nenhuma fonte .ttf encontrada nos bundles candidatos");
        return false;
    }
    bool allSucceeded = true;
    for (const auto& file : files) {
        // A file registered before yields its families again, which is success too.
        if (QFontDatabase::addApplicationFont(QString::fromStdString(file.string())) >= 0) continue;
        qCCritical(typographyLog, "falha ao registrar %s: %s", file.filename().string().c_str(),
                   qUtf8Printable(failureDescription(file)));
        allSucceeded = false;
    }
    if (!allSucceeded) qCCritical(typographyLog, "usando fontes do sistema como fallback");
    return allSucceeded;
}

bool StudioTypography::isAvailable()
{
    static const bool available = registerFonts(StudioResourceBundle::urls("ttf", "Fonts"));
    return available;
}

} // namespace corvane
