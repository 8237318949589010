#include "capture/CaptureErrorMessage.h"

namespace zelvan::capture
{

namespace
{

// A negative number reads as its 32 bit two's complement in hexadecimal (-1 is FFFFFFFF).
QString numberText(int number, NumberBase base)
{
    if (base == NumberBase::Decimal)
        return QString::number(number);
    return QString::number(quint32(number), 16).toUpper();
}

} // namespace

OperatorMessage captureErrorMessage(const CaptureError& error, NumberBase base)
{
    return OperatorMessage{QStringLiteral("Eror code: ") + numberText(error.number, base) +
                               QLatin1Char(' ') + error.description,
                           Icon::None, QStringLiteral("Error")};
}

} // namespace zelvan::capture
