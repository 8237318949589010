#pragma once
// Taking the contact frame: one frame of a recorded pass written as the 24-bit picture the
// measurement screen opens.
#include "base/Dialogs.h"
#include <QString>

namespace zelvan::review
{

class FrameReader;

// The picture the frame grab writes, in the station folder.
inline const char* const kCurrentCaptureName = "currentcapture.bmp";

// Writes frame n (counted from 0 in the order the stream holds them) of `reader`'s video to
// `bmpPath` as a 24-bit bottom-up BMP with a 54-byte header. The file is replaced whole or
// not at all. False with a reason in `error` when the frame cannot be decoded or written.
bool writeFrameAsBmp(FrameReader& reader, qint64 n, const QString& bmpPath, QString* error);

// Opens `videoPath` and writes its frame n to outputFolder + "/currentcapture.bmp", telling
// the operator through `dialogs` when it cannot; the previous picture is then kept. True when
// the picture was written.
bool grabVideoFrame(const QString& videoPath, qint64 n, const QString& outputFolder,
                    Dialogs& dialogs);

// The same with a video the caller already has open (the frame selection screen's player).
bool grabVideoFrame(FrameReader& reader, qint64 n, const QString& outputFolder, Dialogs& dialogs);

} // namespace zelvan::review
