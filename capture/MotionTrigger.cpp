#include "capture/MotionTrigger.h"

#include <algorithm>
#include <cmath>

namespace zelvan::capture
{

namespace
{

constexpr int kLearnPictures = 8;       // before an armed trigger may fire
constexpr float kAdapt = 0.05f;         // background follows over about 20 pictures
constexpr float kAdaptChanged = 0.005f; // a lasting change is taken in ten times slower
constexpr float kNoiseFactor = 3.0f;    // standard deviations a cell must move
constexpr float kNoiseFloor = 3.0f;     // grey levels any change must exceed
constexpr int kSamplesPerCellSide = 6;  // pixels read along each side of a cell
constexpr int kPicturesAbove = 2;       // one odd picture does not start a pass

} // namespace

MotionTrigger::MotionTrigger(QRect zone, double threshold) : area(zone), limit(threshold) {}

void MotionTrigger::setZone(QRect zone)
{
    area = zone;
    laidOutFor = QSize();
}

void MotionTrigger::arm()
{
    current = State::Armed;
    above = 0;
}

void MotionTrigger::disarm()
{
    current = State::Disarmed;
    above = 0;
}

void MotionTrigger::layOut(QSize picture)
{
    laidOutFor = picture;
    clipped = area.intersected(QRect(QPoint(0, 0), picture));
    columns = std::clamp(clipped.width() / 2, 1, kTriggerGrid);
    rows = std::clamp(clipped.height() / 2, 1, kTriggerGrid);
    const int cellSide = std::max(1, std::min(clipped.width() / columns, clipped.height() / rows));
    sampleStep = std::max(1, cellSide / kSamplesPerCellSide);
    cells.assign(size_t(columns * rows), Cell{});
    means.assign(cells.size(), 0);
    ratios.assign(cells.size(), 0);
    learnt = 0;
    above = 0;
}

template <class Luma> bool MotionTrigger::feedCells(QSize size, Luma luma)
{
    ++seen;
    if (size != laidOutFor)
        layOut(size);
    if (clipped.isEmpty()) {
        lastChange = 0;
        return false;
    }
    for (int r = 0; r < rows; ++r) {
        const int y0 = clipped.top() + r * clipped.height() / rows;
        const int y1 = clipped.top() + (r + 1) * clipped.height() / rows;
        for (int c = 0; c < columns; ++c) {
            const int x0 = clipped.left() + c * clipped.width() / columns;
            const int x1 = clipped.left() + (c + 1) * clipped.width() / columns;
            int sum = 0;
            int count = 0;
            for (int y = y0; y < y1; y += sampleStep)
                for (int x = x0; x < x1; x += sampleStep, ++count)
                    sum += luma(x, y);
            means[size_t(r * columns + c)] = count ? float(sum) / float(count) : 0.0f;
        }
    }
    return judge();
}

// Compares the cells with their background, then lets the background follow.
bool MotionTrigger::judge()
{
    if (learnt == 0) {
        for (size_t i = 0; i < cells.size(); ++i)
            cells[i] = Cell{means[i], kNoiseFloor * kNoiseFloor};
        learnt = 1;
        lastChange = 0;
        return false;
    }
    // The light's common factor: the median ratio, which a skier over a few cells cannot move.
    for (size_t i = 0; i < cells.size(); ++i)
        ratios[i] = means[i] / std::max(1.0f, cells[i].background);
    const auto middle = ratios.begin() + long(ratios.size() / 2);
    std::nth_element(ratios.begin(), middle, ratios.end());
    const float light = *middle;

    int changed = 0;
    // While learning the background takes in quickly what it sees.
    const float adapt = learnt < kLearnPictures ? 1.0f / float(learnt + 1) : kAdapt;
    for (size_t i = 0; i < cells.size(); ++i) {
        Cell& cell = cells[i];
        const float expected = light * cell.background;
        const float diff = means[i] - expected;
        const bool moved = std::fabs(diff) > kNoiseFactor * std::sqrt(cell.noise) + kNoiseFloor;
        changed += moved ? 1 : 0;
        const float rate = moved && current == State::Armed ? kAdaptChanged : adapt;
        cell.background += rate * (means[i] / std::max(light, 0.01f) - cell.background);
        if (!moved || current != State::Armed)
            cell.noise += rate * (diff * diff - cell.noise);
    }
    ++learnt;
    lastChange = double(changed) / double(cells.size());
    if (current != State::Armed || learnt <= kLearnPictures)
        return false;
    above = lastChange >= limit ? above + 1 : 0;
    if (above < kPicturesAbove)
        return false;
    current = State::Triggered;
    return true;
}

bool MotionTrigger::feed(const LumaPlane& plane)
{
    if (!plane.data || plane.size.isEmpty())
        return false;
    return feedCells(plane.size, [&plane](int x, int y) {
        return int(plane.data[ptrdiff_t(y) * plane.stride + ptrdiff_t(x) * plane.step]);
    });
}

bool MotionTrigger::feed(const QImage& picture)
{
    if (picture.isNull())
        return false;
    if (picture.format() == QImage::Format_Grayscale8) {
        const LumaPlane plane{picture.constBits(), int(picture.bytesPerLine()), 1, picture.size()};
        return feed(plane);
    }
    const QImage rgb =
        picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32
            ? picture
            : picture.convertToFormat(QImage::Format_RGB32);
    return feedCells(rgb.size(), [&rgb](int x, int y) {
        const QRgb p = reinterpret_cast<const QRgb*>(rgb.constScanLine(y))[x];
        return (qRed(p) * 77 + qGreen(p) * 150 + qBlue(p) * 29) >> 8;
    });
}

} // namespace zelvan::capture
