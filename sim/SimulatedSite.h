#pragma once
// A synthetic jump site: a shore camera above a textured water plane, four corner buoys and a
// check buoy at surveyed positions, the jump ramp and a skier who lands at a known point in a
// known frame with a visible splash. Everything follows from SiteOptions, so a seed gives the
// same pictures and the same site description byte for byte.
#include "sim/PinholeCamera.h"

#include <QImage>
#include <QJsonObject>
#include <QPointF>
#include <QSize>
#include <QtGlobal>
#include <vector>

class QPainter;

namespace zelvan::sim
{

struct SiteOptions {
    quint32 seed = 1;
    QSize pictureSize{640, 480};
    double frameRate = 30;
    bool skier = true;        // false: the same site with nobody on the water
    bool movingWater = false; // swell that travels, light that changes (passing clouds)
};

// The site with water, waves and changing light but no skier: nothing there should start a
// recording.
SiteOptions skierFreeSite(quint32 seed, QSize pictureSize = {640, 480}, double frameRate = 30);

// Surveyed points of the site. The corner order is the station's buoy numbering.
enum class SitePoint { UpperRight, LowerRight, UpperLeft, LowerLeft, Check, Jump, Landing };

// Where the skier's feet are in one frame (meters, survey frame; z above the water).
struct SkierState {
    Vec3 feet;
    bool airborne = false;
    bool visible = false; // in front of the camera (it may still be outside the picture)
};

class SimulatedSite
{
public:
    explicit SimulatedSite(const SiteOptions& options = {});

    QSize frameSize() const;
    double frameRate() const;
    int frameCount() const;
    QImage renderFrame(int n) const; // the jump pass, frame n (0-based); RGB32
    // The device's picture number `index` (0-based since it started): the pass repeats every
    // frameCount() pictures while the water goes on moving. RGB32.
    QImage renderFrameAt(qint64 index) const;
    // The part `region` (picture pixels) of renderFrameAt(index), pixel for pixel, at the
    // cost of that part alone.
    QImage renderRegionAt(qint64 index, const QRect& region) const;
    QImage renderSetup() const; // still picture for the grid set-up (no skier); RGB32
    int landingFrame() const;   // first frame with the skis on the water
    QJsonObject siteJson() const;

    const SiteOptions& options() const { return opts; }
    const PinholeCamera& camera() const { return cam; }
    QPointF survey(SitePoint point) const;
    // Picture position in twips (15 per pixel, origin top left, y down) of a surveyed point.
    // Buoys, check buoy and landing point lie on whole pixels (whole multiples of 15 twips),
    // their survey values on whole millimetres, as an operator's pick and a surveyor's file.
    QPointF screenTwips(SitePoint point) const;
    double trueDistance() const; // landing point to jump point, meters
    SkierState skierAt(int frame) const;
    // Picture pixels the skier changes in pass frame `frame` (figure and shadow); empty when
    // no skier is drawn.
    QRectF skierBounds(int frame) const;
    // First pass frame in which the skier reaches into `zone` (picture pixels); -1 if never.
    int skierEntryFrame(const QRectF& zone) const;

private:
    void buildScene();
    void snapPointsToPixels();
    void renderBackground();
    QRgb beyondShorePixel(int i, int j, double farShoreY) const;
    QRgb waterPixel(QPointF water, double footprint) const;
    double pixelsPerMeter(const Vec3& at) const;
    void drawRamp(QPainter& p) const;
    void drawBuoy(QPainter& p, SitePoint which) const;
    struct Figure;
    Figure figureAt(int frame) const;
    void drawSkier(QPainter& p, const Figure& f) const;
    struct Swell;
    Swell swellAt(QPointF water, double footprint) const;
    void moveWater(QImage& img, QPoint origin, qint64 index) const;
    QImage compose(qint64 waterIndex, int passFrame, const QRect& region) const;
    void drawSplash(QPainter& p, int frame) const;

    SiteOptions opts;
    PinholeCamera cam;
    QPointF points[7];
    int landing = 0;
    int frames = 0;
    double flightSeconds = 1;
    double launchHeight = 0;
    double launchVz = 0;
    double runOutSpeed = 0;
    QImage background;
    QPoint pixels[7]; // whole pixel of each snapped point
    bool snapped[7] = {};
    // Per picture pixel of open water: the swell's phase there and how strongly it shows.
    struct Swell {
        float phase = 0;
        float weight = 0;
    };
    std::vector<Swell> swell;
};

} // namespace zelvan::sim
