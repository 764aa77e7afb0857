#include "commondialog.h"

#include <QFileDialog>

CommonDialog::CommonDialog(QWidget *mainWindow)
    : m_mainWindow(mainWindow)
{ }

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
    if (!m_mainWindow)
        return std::nullopt;
    // A fresh dialog at every showing: one kept from an earlier showing would
    // still hold a name typed there and then cancelled. The main window owns
    // it as its child and may delete it first.
    const QPointer<QFileDialog> dialog = new QFileDialog(m_mainWindow);
    dialog->setObjectName(QStringLiteral("CommonDialog1"));
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAcceptMode(acceptMode);
    dialog->setFileMode(fileMode);
    if (!m_lastName.isEmpty())
        dialog->selectFile(m_lastName);
    const bool accepted = dialog->exec() == QDialog::Accepted && dialog;
    const QStringList chosen = accepted ? dialog->selectedFiles() : QStringList();
    delete dialog.data();
    if (chosen.isEmpty() || chosen.constFirst().isEmpty())
        return std::nullopt;
    m_lastName = chosen.constFirst();
    return m_lastName;
}
