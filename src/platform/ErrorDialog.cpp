#include "platform/ErrorDialog.h"

#include <QMessageBox>

#include <unistd.h>

namespace vorlund {

void ShowErrorDialog(const std::vector<std::string>& Errors) {
    QStringList lines;
    for (const auto& error : Errors)
        lines << QString::fromStdString(error);
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Vorlund"), lines.join(u'\n'),
                    QMessageBox::Ok);
    box.exec();
}

bool WantErrorDialog(bool NoDialog) {
    return !NoDialog && ::isatty(STDERR_FILENO) == 0;
}

} // namespace vorlund
