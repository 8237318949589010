#pragma once
// The still-frame player of the frame selection screen: one decoded frame of a recorded pass
// with its number and time, and a position slider. It never plays on by itself: the picture
// changes only when a step, the slider or setPosition asks for another frame, and what it
// shows is always the frame reader's own picture of that frame.
//
// Positions are frame numbers counted from 0 in decoding order, the same numbers the frame
// grab takes, so the picture written for measuring is the picture on screen.
#include "base/Result.h"
#include "review/FrameReader.h"

#include <QImage>
#include <QString>
#include <QWidget>

class QLabel;
class QPainter;
class QSlider;

namespace zelvan::widgets
{

class FramePlayer : public QWidget
{
    Q_OBJECT

public:
    explicit FramePlayer(QWidget* parent = nullptr);
    ~FramePlayer() override;

    // Opens the video and rests on its first frame. A failure keeps nothing open.
    Status open(const QString& path);
    // Releases the file (a video policy may then delete it) and blanks the picture.
    void close();
    bool isOpen() const { return reader_.isOpen(); }
    // The open video's path; empty when none is open.
    QString fileName() const;

    qint64 position() const { return reader_.current(); } // -1 when nothing is shown
    qint64 frameCount() const { return reader_.frameCount(); }
    double frameRate() const { return reader_.frameRate(); }
    QImage currentImage() const { return reader_.currentImage(); }
    review::FrameReader& reader() { return reader_; }

    // Shows frame n, kept within the video (the last frame for anything beyond it, the first
    // for anything before it). Fails when nothing is open or the frame cannot be decoded; the
    // shown frame then stays.
    Status setPosition(qint64 n);
    Status stepForward();
    Status stepBack();

    // Draws the current frame into `target`, scaled to fit with its aspect kept, as the
    // picture area's paint does (black around it).
    void paintFrame(QPainter& painter, const QRect& target) const;
    // Caption under the picture: "Frame 75 of 150   2.500 s", the time being the frame's own
    // timestamp from the start of the video; empty without a video.
    QString positionText() const;

signals:
    void positionChanged(qint64 frame);
    // Numeric keypad 4 (-1) and 6 (+1) pressed while the player has the focus.
    void keypadStep(int direction);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void showCurrent();

    review::FrameReader reader_;
    QImage shown_; // the current frame converted once for drawing
    QWidget* view_ = nullptr;
    QSlider* slider_ = nullptr;
    QLabel* label_ = nullptr;
};

} // namespace zelvan::widgets
