#include "app/widgets/picture_box.h"

#include <QPainter>

namespace qa::widgets {

PictureBox::PictureBox(QWidget* parent) : QWidget(parent)
{
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setFocusPolicy(Qt::StrongFocus);
}

void PictureBox::setPicture(const QPixmap& picture)
{
    picture_ = picture;
    update();
}

void PictureBox::setScale(double width, double height)
{
    scaleWidth_ = width;
    scaleHeight_ = height;
}

void PictureBox::drawCircle(double x, double y, double radius)
{
    if (drawing_.size() != size()) {
        QImage grown(size(), QImage::Format_ARGB32_Premultiplied);
        grown.fill(Qt::transparent);
        QPainter copy(&grown);
        copy.drawImage(0, 0, drawing_);
        drawing_ = grown;
    }
    const double sx = scaleWidth_ > 0 ? width() / scaleWidth_ : 1.0;
    const double sy = scaleHeight_ > 0 ? height() / scaleHeight_ : 1.0;
    QPainter painter(&drawing_);
    painter.setPen(QPen(palette().color(QPalette::WindowText), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QPointF(x * sx, y * sy), radius * sx, radius * sx);
    ++circles_;
    update();
}

void PictureBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!picture_.isNull())
        painter.drawPixmap(0, 0, picture_);
    if (!drawing_.isNull())
        painter.drawImage(0, 0, drawing_);
}

} // namespace qa::widgets
