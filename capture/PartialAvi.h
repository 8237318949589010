#pragma once
// A recording that broke off (a full disk, a vanished drive) leaves an AVI file whose header
// still says 0 frames: FFmpeg fills the counts in only when the file is finished. Finishing the
// header in place (no byte is added, so a full disk allows it) makes every reader see the
// pictures that did reach the disk.
#include "base/Result.h"

#include <QString>

namespace zelvan::capture
{

// Counts the complete pictures of the first video stream in the file's movi list, writes that
// count into the main and the stream header and the list sizes up to the last complete chunk,
// then reads the header back. The count, or why the file cannot be kept as a readable video.
Result<int> finishPartialAvi(const QString& path);

} // namespace zelvan::capture
