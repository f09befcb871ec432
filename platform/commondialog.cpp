#include "commondialog.h"

QString CommonDialog::errorMessage(int number, const QString &description)
{
    const QString num =
        number < 0 ? QString::number(number) : QStringLiteral(" ") + QString::number(number);
    return QStringLiteral("Error") + num + QStringLiteral(" selecting file.\r\n") + description;
}
