#pragma once
// The last seconds of compressed pictures, kept in memory while the live picture runs, so that
// a recording can begin before the moment Start was pressed (or the trigger fired). The capture
// thread pushes every packet the encoder gives; Start takes everything at once and from then on
// the buffer refuses packets, which belong to the live recording instead. What is handed over
// begins at a key frame (a reader can decode it) and is numbered from the file's first frame;
// the first live packet continues that numbering without a gap or a repeat.
//
// Memory is held to a cap: when the cap is reached the oldest whole group of pictures (a key
// frame and what depends on it) goes, so the head is always a key frame; the seconds held then
// fall short of the wish, and heldSeconds() says how many there are.
#include "base/Result.h"

#include "capture/Source.h"
#include <QtGlobal>

#include <deque>
#include <memory>
#include <mutex>
#include <vector>

struct AVPacket;

namespace zelvan::capture
{

// One compressed picture: `slot` is the device's frame number (frames since the live picture
// began, gaps where the device skipped one), the clock a recording counts its frames by.
struct BufferedPacket {
    PacketPtr packet;
    qint64 slot = 0;
    qint64 timeMicros = 0;
    bool keyFrame = false;
};

// What Start takes: the packets in order, the first a key frame. `frame` of a packet in the file
// is `slot - firstSlot`; the first live packet is the one of slot `nextSlot`, so the recording
// goes on at file frame `nextSlot - firstSlot`. Empty when nothing was buffered (then the live
// recording starts the file as before).
struct PreTriggerPackets {
    std::vector<BufferedPacket> packets;
    qint64 firstSlot = 0;
    qint64 nextSlot = 0;
    qint64 fileFrameOf(qint64 slot) const { return slot - firstSlot; }
    // Frames the buffer gives the file, gaps included (they repeat the previous picture).
    qint64 frames() const { return packets.empty() ? 0 : nextSlot - firstSlot; }
};

inline constexpr double kMaxPreTriggerSeconds = 5;
inline constexpr double kDefaultPreTriggerSeconds = 2;
inline constexpr qint64 kDefaultPreTriggerBytes = 64LL << 20;

class PreTriggerBuffer
{
public:
    // seconds 0 switches the buffer off (every push refused); at most kMaxPreTriggerSeconds.
    // Empties the buffer and opens it for pushes.
    Status configure(double seconds, double fps, qint64 maxBytes = kDefaultPreTriggerBytes);

    // Capture thread. Takes the packet and returns true when it was kept (or dropped for
    // memory or for want of a key frame before it); false when the buffer is off or was
    // handed over, and the packet belongs to the live recording.
    bool push(PacketPtr packet, qint64 slot, qint64 timeMicros);

    // A stream whose pictures lean on each other (a camera's own H.264) keeps at least the
    // group since its last key frame, so a recording can begin before Start at a picture that
    // decodes. Such a group is held to `frameSlots` frame slots (0: no limit): one that grows past
    // them (key frames too far apart, or none at all) is dropped and sparseKeyFrames() says so
    // from then on.
    void setGroupCap(qint64 frameSlots);
    bool sparseKeyFrames() const;
    // A key frame is held, so a file can begin with what is held.
    bool holdsKeyFrame() const;

    // Start: everything held, from its first key frame; the buffer then refuses every push
    // until configure() or reopen().
    PreTriggerPackets takeForRecording();
    // Back to buffering after a recording, empty.
    void reopen();

    bool enabled() const;
    bool open() const;
    int packetCount() const;
    qint64 bytes() const;            // memory held by the packets
    double heldSeconds() const;      // from the first to one past the last frame slot held
    qint64 trimmedForMemory() const; // packets dropped because of the cap since configure()
    qint64 windowSlots() const;      // frame slots the wish asks for (seconds x rate)

private:
    void trimToWindow(qint64 newestSlot);
    void trimToMemory();
    void dropHeadGroup();

    mutable std::mutex mutex;
    std::deque<BufferedPacket> held;
    qint64 heldBytes = 0;
    qint64 window = 0;
    qint64 maxBytes = kDefaultPreTriggerBytes;
    double rate = 30;
    bool accepting = false;
    qint64 trimmed = 0;
    qint64 groupCap = 0;
    qint64 groupStartSlot = -1; // the last key frame's slot, or the first slot seen
    bool sparse = false;
};

// Memory a packet takes, its reference-counted buffer included.
qint64 packetMemory(const AVPacket* packet);

} // namespace zelvan::capture
