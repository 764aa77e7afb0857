#include "messageboxmessages.h"

#include <QMessageBox>

namespace {
constexpr const char *title = "Pelsado";
}

void MessageBoxMessages::show(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(title), text, QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}
