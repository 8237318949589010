#include "capture/CaptureSession.h"

#include "base/Numbers.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <cmath>

namespace zelvan::capture
{

QStringList captureTimeItems()
{
    return {QStringLiteral("3.0"), QStringLiteral("4.0"), QStringLiteral("5.0"),
            QStringLiteral("6.0")};
}

CaptureTimeChoice captureTimeAtLoad(double stored)
{
    if (stored > 0) {
        const QStringList items = captureTimeItems();
        for (int i = 0; i < items.size(); ++i)
            if (items[i].toDouble() == stored)
                return {i, stored, false};
        if (stored == std::floor(stored) && stored <= kLongestCaptureSeconds)
            return {-1, stored, false};
    }
    return {};
}

QString captureSecondsText(double seconds)
{
    return QString::number(roundHalfToEven(seconds));
}

long long roundHalfToEven(double value)
{
    const double below = std::floor(value);
    const double rest = value - below;
    if (rest > 0.5)
        return static_cast<long long>(below) + 1;
    if (rest < 0.5)
        return static_cast<long long>(below);
    const auto lower = static_cast<long long>(below);
    return lower % 2 == 0 ? lower : lower + 1;
}

int defaultContactFrame(const QString& rateText, double seconds)
{
    const double middle = leadingNumber(rateText) * seconds / 2;
    if (!std::isfinite(middle))
        return 0;
    return static_cast<int>(std::clamp<long long>(roundHalfToEven(middle), 0, 32767));
}

CountdownTick countdownTick(const QString& shown)
{
    const int left = std::max(0, static_cast<int>(leadingNumber(shown)) - 1);
    return {left, left == 0};
}

CaptureButtons buttonsFor(CaptureState state)
{
    if (state == CaptureState::Recording)
        return {false, true, true, false, false};
    return {true, false, false, true, true};
}

QString firstField(const QString& line)
{
    const QString text = line.trimmed();
    if (text.startsWith(QLatin1Char('"'))) {
        const int close = text.indexOf(QLatin1Char('"'), 1);
        return close < 0 ? text.mid(1) : text.mid(1, close - 1);
    }
    return text.section(QLatin1Char(','), 0, 0).trimmed();
}

Result<QString> readWstimsSkierName(const QString& zqioFolder)
{
    const QString path = QDir(zqioFolder).filePath(QString::fromLatin1(kWstimsNameFile));
    const QString error = QString::fromLatin1(kWstimsNameError);
    QFile file(path);
    if (!file.exists())
        return fail(error + QStringLiteral("File not found: ") + QDir::toNativeSeparators(path));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return fail(error + file.errorString());
    // The name file is a few bytes; a huge one is not WSTIMS's.
    const QByteArray head = file.read(64 * 1024);
    if (head.trimmed().isEmpty())
        return fail(error + QStringLiteral("Input past end of file"));
    const QString firstLine = QString::fromUtf8(head).section(QLatin1Char('\n'), 0, 0);
    return firstField(firstLine.section(QLatin1Char('\r'), 0, 0));
}

} // namespace zelvan::capture
