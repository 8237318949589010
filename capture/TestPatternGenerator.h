#pragma once
// The moving test card, exposed for tests and benchmarks: frame n in YUVJ420P, with a bar
// that moves one step a frame and the frame number written as 16 bit blocks along the bottom
// edge.
#include "capture/Source.h"

#include <QSize>
#include <memory>

class QImage;

namespace zelvan::capture
{

class TestPatternGenerator
{
public:
    TestPatternGenerator(QSize size, int input);
    ~TestPatternGenerator();
    FramePtr render(qint64 n);
    // Reads the frame number back from a picture of the card (RGB); -1 if unreadable.
    static int decodeFrameNumber(const QImage& picture);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace zelvan::capture
