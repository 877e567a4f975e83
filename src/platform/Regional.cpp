#include "platform/Regional.h"

#include <QLocale>

namespace vorlund {

std::string DecimalSeparator() {
    return QLocale::system().decimalPoint().toStdString();
}

} // namespace vorlund
