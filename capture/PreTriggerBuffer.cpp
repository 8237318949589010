#include "capture/PreTriggerBuffer.h"

#include <algorithm>
#include <cmath>

extern "C" {
#include <libavcodec/packet.h>
}

namespace zelvan::capture
{

qint64 packetMemory(const AVPacket* packet)
{
    if (!packet)
        return 0;
    // The encoder's buffer may be larger than the picture it holds; that is what stays in use.
    const qint64 payload = packet->buf ? qint64(packet->buf->size) : qint64(packet->size);
    return qint64(sizeof(AVPacket)) + payload;
}

Status PreTriggerBuffer::configure(double seconds, double fps, qint64 cap)
{
    if (!(seconds >= 0 && seconds <= kMaxPreTriggerSeconds))
        return fail(QStringLiteral("The seconds kept before Start must be from 0 to %1, not %2")
                        .arg(kMaxPreTriggerSeconds)
                        .arg(seconds));
    if (!(fps > 0 && fps <= 1000))
        return fail(QStringLiteral("Unsupported frame rate %1").arg(fps));
    if (cap <= 0)
        return fail(QStringLiteral("The memory for the seconds kept before Start must be more "
                                   "than 0 bytes"));
    std::lock_guard<std::mutex> lock(mutex);
    held.clear();
    heldBytes = 0;
    trimmed = 0;
    groupStartSlot = -1;
    sparse = false;
    rate = fps;
    maxBytes = cap;
    window = std::llround(seconds * fps);
    accepting = window > 0;
    return {};
}

bool PreTriggerBuffer::push(PacketPtr packet, qint64 slot, qint64 timeMicros)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (!accepting || !packet)
        return accepting;
    // A device that started counting again (it was restarted) begins a new stretch of pictures.
    if (!held.empty() && slot <= held.back().slot) {
        held.clear();
        heldBytes = 0;
    }
    const bool key = (packet->flags & AV_PKT_FLAG_KEY) != 0;
    if (key || groupStartSlot < 0 || slot < groupStartSlot)
        groupStartSlot = slot;
    if (groupCap > 0 && slot - groupStartSlot >= groupCap) {
        // No decodable start within the cap: nothing held is worth its memory.
        sparse = true;
        held.clear();
        heldBytes = 0;
        return true;
    }
    // Nothing before the first key frame can be decoded: it is not worth its memory.
    if (held.empty() && !key)
        return true;
    heldBytes += packetMemory(packet.get());
    held.push_back(BufferedPacket{std::move(packet), slot, timeMicros, key});
    trimToWindow(slot);
    trimToMemory();
    return true;
}

// Keeps the latest key frame at or before the window's first slot, so the window is covered
// and decodable; with every picture a key frame that is exactly the window.
void PreTriggerBuffer::trimToWindow(qint64 newestSlot)
{
    const qint64 windowStart = newestSlot - window + 1;
    for (;;) {
        auto next = held.begin() + 1;
        while (next != held.end() && !next->keyFrame)
            ++next;
        if (next == held.end() || next->slot > windowStart)
            return;
        dropHeadGroup();
    }
}

void PreTriggerBuffer::trimToMemory()
{
    while (heldBytes > maxBytes && !held.empty()) {
        const qint64 before = qint64(held.size());
        dropHeadGroup();
        trimmed += before - qint64(held.size());
    }
}

// Drops the head key frame and the pictures that depend on it; with no later key frame that is
// everything (nothing left could be decoded).
void PreTriggerBuffer::dropHeadGroup()
{
    do {
        heldBytes -= packetMemory(held.front().packet.get());
        held.pop_front();
    } while (!held.empty() && !held.front().keyFrame);
}

void PreTriggerBuffer::setGroupCap(qint64 frameSlots)
{
    std::lock_guard<std::mutex> lock(mutex);
    groupCap = std::max<qint64>(0, frameSlots);
}

bool PreTriggerBuffer::sparseKeyFrames() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return sparse;
}

bool PreTriggerBuffer::holdsKeyFrame() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return !held.empty() && held.front().keyFrame;
}

PreTriggerPackets PreTriggerBuffer::takeForRecording()
{
    std::lock_guard<std::mutex> lock(mutex);
    accepting = false;
    PreTriggerPackets out;
    if (held.empty())
        return out;
    out.firstSlot = held.front().slot;
    out.nextSlot = held.back().slot + 1;
    out.packets.reserve(held.size());
    for (BufferedPacket& p : held)
        out.packets.push_back(std::move(p));
    held.clear();
    heldBytes = 0;
    return out;
}

void PreTriggerBuffer::reopen()
{
    std::lock_guard<std::mutex> lock(mutex);
    held.clear();
    heldBytes = 0;
    accepting = window > 0;
}

bool PreTriggerBuffer::enabled() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return window > 0;
}

bool PreTriggerBuffer::open() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return accepting;
}

int PreTriggerBuffer::packetCount() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return int(held.size());
}

qint64 PreTriggerBuffer::bytes() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return heldBytes;
}

double PreTriggerBuffer::heldSeconds() const
{
    std::lock_guard<std::mutex> lock(mutex);
    if (held.empty())
        return 0;
    return double(held.back().slot - held.front().slot + 1) / rate;
}

qint64 PreTriggerBuffer::trimmedForMemory() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return trimmed;
}

qint64 PreTriggerBuffer::windowSlots() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return window;
}

} // namespace zelvan::capture
