#pragma once
// Taking the contact frame: one frame of a recorded pass written as the 24-bit picture the
// measurement screen opens.
#include "base/Result.h"
#include "base/StationFiles.h"
#include "review/Informed.h"

#include <QString>

namespace zelvan::review
{

class FrameReader;

// The picture the frame grab writes, in the station folder.

// Writes frame n (counted from 0 in the order the stream holds them) of `reader`'s video to
// `bmpPath` as a 24-bit bottom-up BMP with a 54-byte header. The file is replaced whole or
// not at all. Fails when the frame cannot be decoded or written.
Status writeFrameAsBmp(FrameReader& reader, qint64 n, const QString& bmpPath);

// Opens `videoPath` and writes its frame n to outputFolder + "/currentcapture.bmp": true when
// the picture was written; otherwise the previous picture is kept and the messages tell the
// operator why.
Informed<bool> grabVideoFrame(const QString& videoPath, qint64 n, const QString& outputFolder);

// The same with a video the caller already has open (the frame selection screen's player).
Informed<bool> grabVideoFrame(FrameReader& reader, qint64 n, const QString& outputFolder);

} // namespace zelvan::review
