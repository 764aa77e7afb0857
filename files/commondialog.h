#pragma once

#include "filedialog.h"

#include <QFileDialog>
#include <QPointer>

class QWidget;

// The file dialog of the main window, `CommonDialog1`: one dialog for both
// commands, modal over the main window. It remembers the name chosen last, in
// either form, for as long as it lives. The dialog keeps the system's own
// title, lists every file and adds no extension to the chosen name.
class CommonDialog final : public FileDialog
{
public:
    explicit CommonDialog(QWidget *mainWindow);
    ~CommonDialog() override;

    std::optional<QString> askOpen() override;
    std::optional<QString> askSave() override;

private:
    std::optional<QString> ask(QFileDialog::AcceptMode acceptMode, QFileDialog::FileMode fileMode);

    // The main window owns the dialog as its child and may delete it first.
    QPointer<QWidget> m_mainWindow;
    QPointer<QFileDialog> m_dialog;
    QString m_lastName;
};
