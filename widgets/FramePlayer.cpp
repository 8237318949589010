#include "widgets/FramePlayer.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>

namespace zelvan::widgets
{

namespace
{

// The picture area: it only paints what the player holds.
class FrameView : public QWidget
{
public:
    explicit FrameView(const FramePlayer& player, QWidget* parent)
        : QWidget(parent), player_(player)
    {
        setObjectName(QStringLiteral("playerPicture"));
        setMinimumSize(320, 180);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        player_.paintFrame(painter, rect());
    }

private:
    const FramePlayer& player_;
};

} // namespace

FramePlayer::FramePlayer(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("MediaPlayer1"));
    setFocusPolicy(Qt::StrongFocus);
    view_ = new FrameView(*this, this);
    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setObjectName(QStringLiteral("sldPosition"));
    slider_->setAccessibleName(QStringLiteral("Position"));
    // The arrow keys step through the screen's held-key poll; a focused slider would step
    // a second time for the same key.
    slider_->setFocusPolicy(Qt::NoFocus);
    slider_->setEnabled(false);
    label_ = new QLabel(this);
    label_->setObjectName(QStringLiteral("lblPlayerPosition"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_, 1);
    layout->addWidget(slider_);
    layout->addWidget(label_);
    connect(slider_, &QSlider::valueChanged, this, [this](int value) {
        if (value != position())
            (void)setPosition(value);
    });
}

FramePlayer::~FramePlayer() = default;

Status FramePlayer::open(const QString& path)
{
    close();
    if (auto opened = reader_.open(path); !opened)
        return opened;
    if (auto first = reader_.frame(0); !first) {
        reader_.close();
        return fail(first.error());
    }
    showCurrent();
    return {};
}

void FramePlayer::close()
{
    reader_.close();
    shown_ = QImage();
    showCurrent();
}

QString FramePlayer::fileName() const
{
    return reader_.isOpen() ? reader_.path() : QString();
}

Status FramePlayer::setPosition(qint64 n)
{
    if (!reader_.isOpen())
        return fail(QStringLiteral("No video is open."));
    const qint64 last = std::max<qint64>(0, reader_.frameCount() - 1);
    n = std::clamp<qint64>(n, 0, last);
    if (n == reader_.current())
        return {};
    auto picture = reader_.frame(n);
    if (!picture)
        return fail(picture.error());
    showCurrent();
    return {};
}

Status FramePlayer::stepForward()
{
    return setPosition(position() + 1);
}

Status FramePlayer::stepBack()
{
    return setPosition(position() - 1);
}

void FramePlayer::paintFrame(QPainter& painter, const QRect& target) const
{
    painter.fillRect(target, Qt::black);
    if (shown_.isNull())
        return;
    const QSize fitted = shown_.size().scaled(target.size(), Qt::KeepAspectRatio);
    QRect where(QPoint(0, 0), fitted);
    where.moveCenter(target.center());
    painter.drawImage(where, shown_);
}

QString FramePlayer::positionText() const
{
    if (!reader_.isOpen() || position() < 0)
        return QString();
    // The frame's own time: with a variable rate (a phone) number / rate would be wrong.
    return QStringLiteral("Frame %1 of %2   %3 s")
        .arg(position())
        .arg(frameCount())
        .arg(reader_.currentSeconds(), 0, 'f', 3);
}

void FramePlayer::keyPressEvent(QKeyEvent* event)
{
    if (event->modifiers().testFlag(Qt::KeypadModifier) &&
        (event->key() == Qt::Key_4 || event->key() == Qt::Key_6)) {
        emit keypadStep(event->key() == Qt::Key_6 ? 1 : -1);
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void FramePlayer::showCurrent()
{
    const QImage& frame = reader_.currentImage();
    shown_ = reader_.isOpen() ? frame : QImage();
    {
        const QSignalBlocker quiet(slider_);
        slider_->setEnabled(reader_.isOpen());
        slider_->setRange(0, int(std::max<qint64>(0, frameCount() - 1)));
        slider_->setValue(int(std::max<qint64>(0, position())));
    }
    label_->setText(positionText());
    view_->update();
    emit positionChanged(position());
}

} // namespace zelvan::widgets
