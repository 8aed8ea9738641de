#include "runtime/conversion_error.h"

EConvertError::EConvertError(const QString &message)
    : std::runtime_error(message.toStdString())
{ }

EConvertError EConvertError::invalidInteger(const QString &text)
{
    return EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
}

EConvertError EConvertError::invalidFloat(const QString &text)
{
    return EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
}

int digitValue(char c)
{
    if (c < '0' || c > '9')
        throw EConvertError::invalidInteger(QString(QLatin1Char(c)));
    return c - '0';
}
