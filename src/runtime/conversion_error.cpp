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
        throw EConvertError::invalidInteger(visibleCharacter(c));
    return c - '0';
}

QString visibleCharacter(char c)
{
    const auto code = static_cast<unsigned char>(c);
    // Control bytes, DEL, the C1 controls and the no-break space show nothing readable.
    if (code < 0x20 || (code >= 0x7f && code <= 0xa0))
        return QStringLiteral("\\x%1").arg(QString::number(code, 16).toUpper().rightJustified(2, u'0'));
    return QString(QLatin1Char(c));
}
