#pragma once
// How the station tells the operator about a failed capture-control operation: a box titled
// "Error" reading "Eror code: <number> <description>". The capture screen writes the number
// in hexadecimal (upper-case digits, as 1001 for 0x1001), the audio format choice in decimal.
#include "base/OperatorMessage.h"
#include "capture/CaptureControl.h"

namespace zelvan::capture
{

enum class NumberBase { Decimal, Hexadecimal };

OperatorMessage captureErrorMessage(const CaptureError& error, NumberBase base);

} // namespace zelvan::capture
