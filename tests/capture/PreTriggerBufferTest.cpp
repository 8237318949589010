// The seconds kept before Start: what is handed over, in which order, from which key frame,
// numbered how, within which memory, and what happens to packets pushed around the hand-over.
#include "capture/PreTriggerBuffer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

extern "C" {
#include <libavcodec/packet.h>
}

using namespace zelvan::capture;

namespace
{

// A packet whose payload starts with `tag` (so order and content can be checked) and has
// `bytes` bytes in all.
PacketPtr makePacket(qint64 tag, bool key, int bytes = 64)
{
    PacketPtr p(av_packet_alloc());
    EXPECT_EQ(av_new_packet(p.get(), std::max<int>(bytes, sizeof tag)), 0);
    std::memset(p->data, 0xAB, size_t(p->size));
    std::memcpy(p->data, &tag, sizeof tag);
    if (key)
        p->flags |= AV_PKT_FLAG_KEY;
    return p;
}

qint64 tagOf(const BufferedPacket& b)
{
    qint64 tag = 0;
    std::memcpy(&tag, b.packet->data, sizeof tag);
    return tag;
}

// Pushes slots [from, to) with a key frame every `gop` slots; the tag is the slot.
void pushSlots(PreTriggerBuffer& buffer, qint64 from, qint64 to, int gop = 1, int bytes = 64)
{
    for (qint64 s = from; s < to; ++s)
        ASSERT_TRUE(buffer.push(makePacket(s, s % gop == 0, bytes), s, s * 1000));
}

} // namespace

TEST(PreTriggerBuffer, KeepsTheLastSecondsInOrderNumberedFromTheFilesFirstFrame)
{
    PreTriggerBuffer buffer;
    ASSERT_TRUE(buffer.configure(2, 30));
    EXPECT_EQ(buffer.windowSlots(), 60);
    pushSlots(buffer, 0, 500);
    EXPECT_EQ(buffer.packetCount(), 60);
    EXPECT_DOUBLE_EQ(buffer.heldSeconds(), 2.0);

    const PreTriggerPackets taken = buffer.takeForRecording();
    ASSERT_EQ(taken.packets.size(), 60u);
    EXPECT_EQ(taken.firstSlot, 440);
    EXPECT_EQ(taken.nextSlot, 500); // the first live packet is slot 500, file frame 60
    EXPECT_EQ(taken.frames(), 60);
    for (size_t i = 0; i < taken.packets.size(); ++i) {
        const BufferedPacket& p = taken.packets[i];
        EXPECT_EQ(tagOf(p), 440 + qint64(i));
        EXPECT_EQ(taken.fileFrameOf(p.slot), qint64(i));
        EXPECT_EQ(p.timeMicros, p.slot * 1000);
        EXPECT_EQ(p.packet->size, 64);
        EXPECT_TRUE(p.keyFrame);
    }
    EXPECT_EQ(taken.fileFrameOf(taken.nextSlot), 60);
    EXPECT_EQ(buffer.packetCount(), 0);
    EXPECT_EQ(buffer.bytes(), 0);
}

TEST(PreTriggerBuffer, DeviceGapsKeepTheirPlaceInTheNumbering)
{
    PreTriggerBuffer buffer;
    ASSERT_TRUE(buffer.configure(1, 10));
    for (qint64 s : {0, 1, 2, 4, 5, 8, 9, 10, 11, 13})
        ASSERT_TRUE(buffer.push(makePacket(s, true), s, 0));
    const PreTriggerPackets taken = buffer.takeForRecording();
    // Slots 4..13 are the last second; slots 6, 7 and 12 had no picture.
    ASSERT_EQ(taken.packets.size(), 7u);
    EXPECT_EQ(taken.firstSlot, 4);
    EXPECT_EQ(taken.frames(), 10);
    std::vector<qint64> frames;
    for (const BufferedPacket& p : taken.packets)
        frames.push_back(taken.fileFrameOf(p.slot));
    EXPECT_EQ(frames, (std::vector<qint64>{0, 1, 4, 5, 6, 7, 9}));
}

TEST(PreTriggerBuffer, LongGroupsStartAtTheKeyFrameBeforeTheWindow)
{
    PreTriggerBuffer buffer;
    ASSERT_TRUE(buffer.configure(1, 30)); // 30 slots
    pushSlots(buffer, 0, 107, 12);        // key frames at 0, 12, ..., 96
    const PreTriggerPackets taken = buffer.takeForRecording();
    // The window is slots 77..106; the key frame at or before 77 is 72.
    ASSERT_FALSE(taken.packets.empty());
    EXPECT_TRUE(taken.packets.front().keyFrame);
    EXPECT_EQ(taken.firstSlot, 72);
    EXPECT_EQ(tagOf(taken.packets.front()), 72);
    EXPECT_EQ(taken.packets.size(), 35u);
    EXPECT_EQ(taken.nextSlot, 107);
}

TEST(PreTriggerBuffer, PacketsBeforeTheFirstKeyFrameAreNotKept)
{
    PreTriggerBuffer buffer;
    ASSERT_TRUE(buffer.configure(2, 30));
    for (qint64 s = 5; s < 12; ++s)
        ASSERT_TRUE(buffer.push(makePacket(s, s == 9), s, 0));
    const PreTriggerPackets taken = buffer.takeForRecording();
    ASSERT_EQ(taken.packets.size(), 3u);
    EXPECT_EQ(taken.firstSlot, 9);
    EXPECT_TRUE(taken.packets.front().keyFrame);
}

TEST(PreTriggerBuffer, MemoryCapDropsTheOldestGroupsAndKeepsAKeyFrameAtTheHead)
{
    PreTriggerBuffer buffer;
    const qint64 cap = 100 * 1024;
    ASSERT_TRUE(buffer.configure(5, 60, cap));
    pushSlots(buffer, 0, 300, 1, 4000);
    EXPECT_LE(buffer.bytes(), cap);
    EXPECT_GT(buffer.bytes(), cap - 2 * packetMemory(makePacket(0, true, 4000).get()));
    const int kept = buffer.packetCount();
    EXPECT_LT(kept, 300);
    EXPECT_EQ(buffer.trimmedForMemory(), 300 - kept);
    EXPECT_NEAR(buffer.heldSeconds(), kept / 60.0, 1e-9);
    PreTriggerPackets taken = buffer.takeForRecording();
    EXPECT_EQ(taken.packets.back().slot, 299); // the newest are kept
    EXPECT_EQ(taken.nextSlot, 300);

    // Groups of ten: whole groups go, the head stays a key frame.
    ASSERT_TRUE(buffer.configure(5, 60, cap));
    pushSlots(buffer, 0, 305, 10, 4000);
    EXPECT_LE(buffer.bytes(), cap);
    taken = buffer.takeForRecording();
    ASSERT_FALSE(taken.packets.empty());
    EXPECT_TRUE(taken.packets.front().keyFrame);
    EXPECT_EQ(taken.firstSlot % 10, 0);
    EXPECT_EQ(taken.packets.back().slot, 304);

    // One group larger than the cap cannot be kept decodable: nothing is kept until the next
    // key frame.
    ASSERT_TRUE(buffer.configure(5, 60, cap));
    pushSlots(buffer, 0, 40, 1000, 4000);
    EXPECT_LE(buffer.bytes(), cap);
    EXPECT_EQ(buffer.packetCount(), 0);
    ASSERT_TRUE(buffer.push(makePacket(1000, true, 4000), 1000, 0));
    EXPECT_EQ(buffer.packetCount(), 1);
}

TEST(PreTriggerBuffer, OffOrHandedOverRefusesPacketsForTheLiveRecording)
{
    PreTriggerBuffer buffer;
    EXPECT_FALSE(buffer.push(makePacket(0, true), 0, 0)); // never configured
    ASSERT_TRUE(buffer.configure(0, 60));
    EXPECT_FALSE(buffer.enabled());
    EXPECT_FALSE(buffer.push(makePacket(0, true), 0, 0));
    EXPECT_TRUE(buffer.takeForRecording().packets.empty());

    ASSERT_TRUE(buffer.configure(2, 60));
    pushSlots(buffer, 0, 10);
    EXPECT_EQ(buffer.takeForRecording().packets.size(), 10u);
    EXPECT_FALSE(buffer.open());
    EXPECT_FALSE(buffer.push(makePacket(10, true), 10, 0));
    EXPECT_EQ(buffer.takeForRecording().packets.size(), 0u);
    buffer.reopen();
    EXPECT_TRUE(buffer.push(makePacket(11, true), 11, 0));
    EXPECT_EQ(buffer.packetCount(), 1);
}

TEST(PreTriggerBuffer, BadSettingsAreRefusedWithTheirReason)
{
    PreTriggerBuffer buffer;
    EXPECT_EQ(buffer.configure(6, 30).error(),
              "The seconds kept before Start must be from 0 to 5, not 6");
    EXPECT_EQ(buffer.configure(-1, 30).error(),
              "The seconds kept before Start must be from 0 to 5, not -1");
    EXPECT_FALSE(buffer.configure(std::nan(""), 30));
    EXPECT_EQ(buffer.configure(2, 0).error(), "Unsupported frame rate 0");
    EXPECT_FALSE(buffer.configure(2, 30, 0));
    EXPECT_FALSE(buffer.open());
}

TEST(PreTriggerBuffer, ARestartedDeviceBeginsANewStretch)
{
    PreTriggerBuffer buffer;
    ASSERT_TRUE(buffer.configure(2, 30));
    pushSlots(buffer, 0, 40);
    pushSlots(buffer, 0, 5);
    const PreTriggerPackets taken = buffer.takeForRecording();
    ASSERT_EQ(taken.packets.size(), 5u);
    EXPECT_EQ(taken.firstSlot, 0);
}

// The capture thread keeps pushing while Start takes the buffer: every slot ends up either in
// what was taken or refused for the live recording, never both and never neither.
TEST(PreTriggerBuffer, HandOverWhilePushingLosesAndRepeatsNothing)
{
    for (int round = 0; round < 20; ++round) {
        PreTriggerBuffer buffer;
        ASSERT_TRUE(buffer.configure(5, 1000));
        std::atomic<bool> go{false};
        qint64 firstRefused = -1;
        std::thread producer([&] {
            while (!go.load())
                std::this_thread::yield();
            for (qint64 s = 0; s < 20000; ++s) {
                if (!buffer.push(makePacket(s, true, 16), s, 0)) {
                    firstRefused = s;
                    return;
                }
            }
        });
        go = true;
        std::this_thread::sleep_for(std::chrono::microseconds(200 * (round + 1)));
        const PreTriggerPackets taken = buffer.takeForRecording();
        producer.join();
        if (firstRefused < 0)
            continue; // the producer finished first; nothing to hand over
        EXPECT_EQ(taken.packets.empty() ? 0 : taken.nextSlot, firstRefused);
        for (size_t i = 1; i < taken.packets.size(); ++i)
            EXPECT_EQ(taken.packets[i].slot, taken.packets[i - 1].slot + 1);
    }
}
