#include "capture/CapturePanelRules.h"

#include "base/Numbers.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace zelvan::capture
{

namespace
{

// The rate part of an entry: the text before its first blank, when that blank is not the
// first character.
std::optional<double> rateOfEntry(const QString& text)
{
    const int blank = int(text.indexOf(QLatin1Char(' ')));
    if (blank < 1)
        return std::nullopt;
    const auto khz = parseNumber(QStringView(text).left(blank), Exponent::Refused);
    if (!khz || *khz <= 0)
        return std::nullopt;
    return khz;
}

int roundHalfEven(double v)
{
    const double low = std::floor(v);
    const double frac = v - low;
    if (frac > 0.5)
        return int(low) + 1;
    if (frac < 0.5)
        return int(low);
    return std::fmod(low, 2.0) == 0 ? int(low) : int(low) + 1;
}

} // namespace

QStringList audioAttributeItems()
{
    QStringList items;
    for (const char* rate : {"11.025", "22.050", "32.000", "44.100"})
        for (const char* format :
             {"8 Bit, Mono", "8 Bit, Stereo", "16 Bit, Mono", "16 Bit, Stereo"})
            items << QStringLiteral("%1 Khz, %2").arg(QLatin1String(rate), QLatin1String(format));
    return items;
}

QString audioFormatText(int sampleRateHz, int bitsPerSample, int channels)
{
    // Three decimals from whole hertz, so 11025 is "11.025" and never a rounded neighbour.
    const int hz = std::abs(sampleRateHz);
    const QString khz = QStringLiteral("%1%2.%3")
                            .arg(sampleRateHz < 0 ? QStringLiteral("-") : QString())
                            .arg(hz / 1000)
                            .arg(hz % 1000, 3, 10, QLatin1Char('0'));
    return khz + QStringLiteral(" Khz, ") +
           (bitsPerSample == 8 ? QStringLiteral("8") : QStringLiteral("16")) +
           QStringLiteral(" bit, ") +
           (channels == 1 ? QStringLiteral("Mono") : QStringLiteral("Stereo"));
}

int findAttributeEntry(const QStringList& items, const QString& text)
{
    for (int i = 0; i < items.size(); ++i)
        if (items[i].compare(text, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

std::optional<AudioFormat3> audioFormatOfEntry(const QString& text, int index)
{
    const auto khz = rateOfEntry(text);
    if (!khz || index < 0)
        return std::nullopt;
    AudioFormat3 format;
    format.sampleRateHz = int(std::lround(*khz * 1000));
    if (index < 16) {
        format.channels = (index & 1) ? 2 : 1;
        format.bitsPerSample = (index & 2) ? 16 : 8;
    } else {
        format.channels = text.contains(QStringLiteral("Stereo"), Qt::CaseInsensitive) ? 2 : 1;
        format.bitsPerSample =
            text.contains(QStringLiteral(" 16 bit"), Qt::CaseInsensitive) ? 16 : 8;
    }
    return format;
}

int storedIndexOrFirst(int stored, int count)
{
    if (count <= 0)
        return -1;
    return stored >= 0 && stored < count ? stored : 0;
}

int storedOrDeviceIndex(int stored, int deviceIndex, int count)
{
    if (count <= 0)
        return -1;
    if (stored >= 0)
        return stored < count ? stored : 0;
    return deviceIndex >= 0 && deviceIndex < count ? deviceIndex : 0;
}

std::optional<int> controlFrameRate(const QString& rateText)
{
    const double rate = leadingNumber(rateText);
    if (!(rate >= kLowestFrameRate - 0.5) || rate > kHighestFrameRate)
        return std::nullopt;
    const int rounded = roundHalfEven(rate);
    if (rounded < kLowestFrameRate)
        return std::nullopt;
    return rounded;
}

QString badFrameRateMessage(const QString& rateText, double keptRate)
{
    return QStringLiteral("The frame rate \"%1\" is not a number from %2 to %3; the camera keeps "
                          "%4 frames per second.")
        .arg(rateText)
        .arg(kLowestFrameRate)
        .arg(kHighestFrameRate)
        .arg(keptRate);
}

QStringList channelItems(int lowest, int highest)
{
    QStringList items;
    for (int c = lowest; c <= highest; ++c)
        items << QString::number(c);
    return items;
}

ListChange videoListAfter(const QStringList& items, int action, int index, const QString& name)
{
    ListChange out{items};
    if (action == 0) {
        const bool placeholder = !items.isEmpty() && items.first() == kNoCaptureDevices;
        if (placeholder)
            out.items.removeFirst();
        out.items.insert(std::clamp(index, 0, int(out.items.size())), name);
        out.replacedPlaceholder = placeholder && index == 0;
        out.added = !out.replacedPlaceholder;
    } else if (action == 1 && index >= 0 && index < items.size() &&
               items[index] != kNoCaptureDevices) {
        out.items.removeAt(index);
    }
    return out;
}

ListChange audioListAfter(const QStringList& items, int action, int index, const QString& name)
{
    ListChange out{items};
    if (out.items.isEmpty() || out.items.first() != kNoneEntry)
        out.items.prepend(kNoneEntry);
    if (action == 0) {
        out.items.insert(std::clamp(index + 1, 1, int(out.items.size())), name);
        out.added = true;
    } else if (action == 1 && index >= 0 && index + 1 < out.items.size()) {
        out.items.removeAt(index + 1);
    }
    return out;
}

QString pluggedInQuestion(const QString& name)
{
    return name + QStringLiteral(" is plugged into your computer. Do you want to use it?");
}

QString effectNotFoundMessage(const QString& name)
{
    return QStringLiteral("Cannot find ") + name + QStringLiteral(" effect");
}

OperatorMessage channelErrorMessage(const CaptureError& error)
{
    return OperatorMessage{QStringLiteral("Error code: ") + QString::number(error.number) +
                               QLatin1Char(' ') + error.description,
                           Icon::None, QStringLiteral("Error")};
}

} // namespace zelvan::capture
