#include "commondialog.h"

CommonDialog::CommonDialog(QWidget *mainWindow)
    : m_mainWindow(mainWindow)
{ }

CommonDialog::~CommonDialog()
{
    delete m_dialog.data();
}

std::optional<QString> CommonDialog::askOpen()
{
    return ask(QFileDialog::AcceptOpen, QFileDialog::ExistingFile);
}

std::optional<QString> CommonDialog::askSave()
{
    // AnyFile with QFileDialog's own confirmation before an existing file is
    // replaced.
    return ask(QFileDialog::AcceptSave, QFileDialog::AnyFile);
}

std::optional<QString> CommonDialog::ask(
    QFileDialog::AcceptMode acceptMode, QFileDialog::FileMode fileMode)
{
    // Made at its first showing: building a file dialog is a large part of the
    // window's start-up otherwise, and most runs never need one.
    if (!m_dialog && m_mainWindow) {
        m_dialog = new QFileDialog(m_mainWindow);
        m_dialog->setObjectName(QStringLiteral("CommonDialog1"));
        m_dialog->setWindowModality(Qt::WindowModal);
    }
    if (!m_dialog)
        return std::nullopt;
    m_dialog->setAcceptMode(acceptMode);
    m_dialog->setFileMode(fileMode);
    if (!m_lastName.isEmpty())
        m_dialog->selectFile(m_lastName);
    if (m_dialog->exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList chosen = m_dialog->selectedFiles();
    if (chosen.isEmpty() || chosen.constFirst().isEmpty())
        return std::nullopt;
    m_lastName = chosen.constFirst();
    return m_lastName;
}
