#pragma once
#include <QImage>
#include <QPixmap>
#include <QWidget>

namespace qa::widgets {

// A white picture box: a picture it holds (none at first) and, over it, what
// has been drawn on it in its own drawing scale.
class PictureBox final : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    const QPixmap& picture() const { return picture_; }
    void setPicture(const QPixmap& picture);

    void setScale(double width, double height);
    double scaleWidth() const { return scaleWidth_; }
    double scaleHeight() const { return scaleHeight_; }

    // A circle outline centred at (x, y), radius in horizontal scale units.
    void drawCircle(double x, double y, double radius);
    const QImage& drawing() const { return drawing_; }
    int circleCount() const { return circles_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap picture_;
    QImage drawing_;
    double scaleWidth_ = 0;
    double scaleHeight_ = 0;
    int circles_ = 0;
};

} // namespace qa::widgets
