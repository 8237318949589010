#include "capture/CaptureErrorMessage.h"

#include <gtest/gtest.h>

using namespace zelvan;
using namespace zelvan::capture;

TEST(CaptureErrorMessage, CaptureScreenWritesTheNumberInUpperCaseHexadecimal)
{
    const OperatorMessage m = captureErrorMessage(
        CaptureError(ErrNotConnected, "No capture device is connected"), NumberBase::Hexadecimal);
    EXPECT_EQ(m.text, QStringLiteral("Eror code: 1002 No capture device is connected"));
    EXPECT_EQ(m.title, QStringLiteral("Error"));
    EXPECT_EQ(m.icon, Icon::None);

    EXPECT_EQ(captureErrorMessage(CaptureError(0x2AFC, "Odd"), NumberBase::Hexadecimal).text,
              QStringLiteral("Eror code: 2AFC Odd"));
    EXPECT_EQ(captureErrorMessage(CaptureError(-1, "Minus one"), NumberBase::Hexadecimal).text,
              QStringLiteral("Eror code: FFFFFFFF Minus one"));
}

TEST(CaptureErrorMessage, AudioFormatChoiceWritesTheNumberInDecimal)
{
    const OperatorMessage m = captureErrorMessage(
        CaptureError(ErrBadValue, "Unsupported sample rate 300 Hz"), NumberBase::Decimal);
    EXPECT_EQ(m.text, QStringLiteral("Eror code: 4100 Unsupported sample rate 300 Hz"));
    EXPECT_EQ(m.title, QStringLiteral("Error"));
    EXPECT_EQ(m.icon, Icon::None);
    EXPECT_EQ(captureErrorMessage(CaptureError(-7, "Minus"), NumberBase::Decimal).text,
              QStringLiteral("Eror code: -7 Minus"));
}
