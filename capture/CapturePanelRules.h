#pragma once
// What the capture panel of the main screen decides, without widgets: the audio format
// entries and how one is read back, which stored list index is selected, the frame rate the
// control gets from the rate box, how the device lists follow arrivals and removals, and the
// panel's fixed texts.
#include "base/OperatorMessage.h"
#include "capture/CaptureControl.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace zelvan::capture
{

inline const QString kNoCaptureDevices = QStringLiteral("No Capture Devices");
inline const QString kNoneEntry = QStringLiteral("None");
inline const QString kNoMciDevices =
    QStringLiteral("No MCI capture devices are installed on this system");
inline const QString kCaptureTypeStreams = QStringLiteral("Streams");
inline const QString kInitialCaptureFile = QStringLiteral("testvid.avi");

// The 16 audio formats offered, index 0..15: bit 0 of the index selects stereo, bit 1
// selects 16 bits, the rate steps every four entries.
QStringList audioAttributeItems();

// "22.050 Khz, 16 bit, Stereo" for 22050 Hz, 16 bits, 2 channels.
QString audioFormatText(int sampleRateHz, int bitsPerSample, int channels);

// Position of the entry equal to `text` ignoring case, or -1.
int findAttributeEntry(const QStringList& items, const QString& text);

struct AudioFormat3 {
    int sampleRateHz = 0;
    int channels = 1;
    int bitsPerSample = 8;
    bool operator==(const AudioFormat3& o) const
    {
        return sampleRateHz == o.sampleRateHz && channels == o.channels &&
               bitsPerSample == o.bitsPerSample;
    }
};

// The format an entry of the attribute list stands for, or std::nullopt when the entry has
// no blank after its first character or no rate before it. The 16 fixed entries are read by
// their index bits; an entry added for the device's own format is read from its words, since
// its position says nothing about it.
std::optional<AudioFormat3> audioFormatOfEntry(const QString& text, int index);

// The entry of a list of `count` to select for a stored index: the stored one when it is on
// the list, else the first (-1 when the list is empty).
int storedIndexOrFirst(int stored, int count);
// For lists that follow the device unless a setting says otherwise (resolution, colour
// format): a stored index of 0 or more wins, one beyond the list gives the first entry.
int storedOrDeviceIndex(int stored, int deviceIndex, int count);

// The frame rate the control gets for the rate box's text: its leading number rounded to the
// nearest whole number, halves to even. std::nullopt when that is no rate the control takes
// (below 1 or above 240), so the device keeps its rate.
std::optional<int> controlFrameRate(const QString& rateText);
inline constexpr int kLowestFrameRate = 1;
inline constexpr int kHighestFrameRate = 240;
QString badFrameRateMessage(const QString& rateText, double keptRate);

// The tuner channels lowest..highest as the channel list shows them.
QStringList channelItems(int lowest, int highest);

// A device list after an arrival (action 0) or removal (action 1). `noneFirst`: the list
// starts with "None" and list positions are device indices + 1. An arrival is inserted at
// the device's index, so list positions keep matching the control's devices.
struct ListChange {
    QStringList items;
    bool replacedPlaceholder = false; // the arrival took the "No Capture Devices" entry's place
    bool added = false;               // an arrival that may be offered to the operator
};
ListChange videoListAfter(const QStringList& items, int action, int index, const QString& name);
ListChange audioListAfter(const QStringList& items, int action, int index, const QString& name);

// Whether an arriving device is offered with the question below.
inline bool offerArrival(bool connected, int controlIndex, int newIndex)
{
    return !connected && controlIndex != newIndex;
}
QString pluggedInQuestion(const QString& name);
QString effectNotFoundMessage(const QString& name);

// The channel choice's error text, "Error code: " with two r.
OperatorMessage channelErrorMessage(const CaptureError& error);

} // namespace zelvan::capture
