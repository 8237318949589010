#pragma once
// Network cameras: what a camera's address may be and how FFmpeg opens it, and how the
// station keeps the cameras the operator added from one start to the next.
#include "base/Result.h"

#include <QList>
#include <QString>

struct AVDictionary;

namespace zelvan::capture
{

struct NetworkCameraEntry {
    QString name;
    QString url;
};

// rtsp://, rtsps://, http://, https://, srt:// and udp:// addresses.
bool isNetworkUrl(const QString& url);
// The address as typed, trimmed, or why it is no camera address.
Result<QString> checkedCameraUrl(const QString& text);
// The name the operator gave, trimmed, or why it cannot name a camera.
Result<QString> checkedCameraName(const QString& text);

// Options for avformat_open_input: short time-outs so a camera that is gone is noticed within
// seconds, TCP for RTSP (no lost packets on a busy network), little buffering.
AVDictionary* networkInputOptions(const QString& url);

// The settings text of the cameras (name and address, all separated by tabs, which neither
// may hold) and back; pairs that cannot be read are left out, each said in `unreadable` (a
// hand-edited setting is never dropped without a word).
QString networkCamerasText(const QList<NetworkCameraEntry>& cameras);
QList<NetworkCameraEntry> networkCamerasFromText(const QString& text,
                                                 QStringList* unreadable = nullptr);

// Opens the address and waits for its first picture (at most about three seconds).
Status probeNetworkCamera(const QString& url);

// The settings key the cameras are stored under.
inline constexpr const char* kNetworkCamerasKey = "NetworkCameras";

} // namespace zelvan::capture
