#include "CorvaneApp/window/SettingsFileAlert.hpp"

#include <QMessageBox>
#include <QPushButton>

#include "CorvaneLibrary/DefaultsStore.hpp"

namespace corvane {

SettingsFileAlert::Message SettingsFileAlert::writeFailedMessage(const std::filesystem::path& file)
{
    return {QStringLiteral("Não foi possível salvar os ajustes"),
            QStringLiteral("O arquivo “%1” não pôde ser gravado (pasta protegida contra escrita ou disco cheio). "
                           "Os ajustes continuam valendo até você fechar o Brelmo, e cada nova mudança tenta "
                           "gravá-los de novo.")
                .arg(QString::fromStdString(file.string()))};
}

SettingsFileAlert::Message SettingsFileAlert::setAsideMessage(const std::filesystem::path& copy)
{
    return {QStringLiteral("Os ajustes salvos não puderam ser lidos"),
            QStringLiteral("O arquivo de ajustes estava danificado. Uma cópia dele foi guardada em “%1”; os "
                           "ajustes que não puderam ser lidos voltaram ao padrão.")
                .arg(QString::fromStdString(copy.string()))};
}

SettingsFileAlert::SettingsFileAlert(QWidget* window, DefaultsStore& defaults)
    : QObject(window), window_(window), defaults_(defaults)
{
    connect(&defaults_, &DefaultsStore::writeFailed, this, &SettingsFileAlert::writeFailed);
}

void SettingsFileAlert::reportSetAside()
{
    if (setAsideSaid_) return;
    setAsideSaid_ = true;
    if (const auto& copy = defaults_.setAsideFile()) {
        waiting_.push_back(setAsideMessage(*copy));
        showNext();
    }
}

void SettingsFileAlert::writeFailed()
{
    if (writeFailureSaid_) return;
    writeFailureSaid_ = true;
    waiting_.push_back(writeFailedMessage(defaults_.file()));
    showNext();
}

QMessageBox* SettingsFileAlert::visibleBox() const { return box_ && box_->isVisible() ? box_ : nullptr; }

void SettingsFileAlert::showNext()
{
    if (visibleBox() || waiting_.empty()) return;
    const Message message = waiting_.front();
    waiting_.pop_front();
    if (!box_) {
        box_ = new QMessageBox(window_);
        box_->setObjectName(QStringLiteral("settingsFileAlert"));
        box_->setIcon(QMessageBox::Warning);
        box_->setWindowModality(Qt::WindowModal);
        auto ok = box_->addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        box_->setDefaultButton(ok);
        box_->setEscapeButton(ok);
        connect(box_, &QMessageBox::finished, this, &SettingsFileAlert::showNext, Qt::QueuedConnection);
    }
    box_->setWindowTitle(message.title);
    box_->setText(message.title);
    box_->setInformativeText(message.text);
    box_->open();
}

} // namespace corvane
