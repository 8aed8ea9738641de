#include "runtime/program_formats.h"

namespace ProgramFormats {

QString generalNumber(double value)
{
    QString text = QString::number(value, 'g', 15);
    text.replace(QLatin1Char('.'), decimalSeparator);
    return text;
}

} // namespace ProgramFormats
