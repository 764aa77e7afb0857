#pragma once

#include "filedialog.h"

#include <QFileDialog>
#include <QPointer>

class QWidget;

// The file dialog of the main window, `CommonDialog1`: one dialog for both
// commands, modal over the main window. It remembers the name chosen last, in
// either form, for as long as it lives; a name typed and then cancelled is
// forgotten. The dialog keeps the system's own title, lists every file and
// adds no extension to the chosen name.
class CommonDialog final : public FileDialog
{
public:
    explicit CommonDialog(QWidget *mainWindow);

    std::optional<QString> askOpen() override;
    std::optional<QString> askSave() override;

private:
    std::optional<QString> ask(QFileDialog::AcceptMode acceptMode, QFileDialog::FileMode fileMode);

    QPointer<QWidget> m_mainWindow;
    QString m_lastName;
};
