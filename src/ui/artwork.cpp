#include "ui/artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace quillory::ui {

namespace {

// A quill over an envelope: the program writes letters and sends them.
void drawQuill(QPainter& p, const QRectF& r) {
    p.save();
    p.translate(r.topLeft());
    p.scale(r.width() / 100.0, r.height() / 100.0);
    p.setRenderHint(QPainter::Antialiasing);
    // Envelope.
    p.setPen(QPen(QColor(40, 70, 120), 2.5));
    p.setBrush(QColor(255, 255, 255));
    p.drawRoundedRect(QRectF(8, 42, 70, 46), 4, 4);
    QPainterPath flap;
    flap.moveTo(8, 44);
    flap.lineTo(43, 70);
    flap.lineTo(78, 44);
    p.setBrush(Qt::NoBrush);
    p.drawPath(flap);
    // Feather.
    QPainterPath feather;
    feather.moveTo(92, 6);
    feather.cubicTo(70, 14, 50, 36, 44, 62);
    feather.cubicTo(60, 50, 82, 36, 92, 6);
    QLinearGradient g(44, 62, 92, 6);
    g.setColorAt(0, QColor(0, 120, 200));
    g.setColorAt(1, QColor(120, 200, 255));
    p.setBrush(g);
    p.setPen(QPen(QColor(20, 60, 110), 1.5));
    p.drawPath(feather);
    p.drawLine(QPointF(44, 62), QPointF(86, 14));
    p.restore();
}

} // namespace

QPixmap splashPicture() {
    QPixmap pm(650, 413);
    QPainter p(&pm);
    QLinearGradient bg(0, 0, 0, 413);
    bg.setColorAt(0, QColor(245, 250, 255));
    bg.setColorAt(1, QColor(205, 225, 245));
    p.fillRect(pm.rect(), bg);
    p.fillRect(QRect(0, 0, 650, 6), QColor(0, 120, 200));
    drawQuill(p, QRectF(380, 60, 240, 240));
    p.setRenderHint(QPainter::TextAntialiasing);
    QFont title(QStringLiteral("Arial"));
    title.setPixelSize(64);
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor(20, 60, 110));
    p.drawText(QRect(50, 120, 360, 90), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Quillory"));
    QFont sub(QStringLiteral("Arial"));
    sub.setPixelSize(20);
    p.setFont(sub);
    p.setPen(QColor(60, 90, 130));
    p.drawText(QRect(54, 200, 360, 40), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("mail merge and bulk e-mail"));
    p.end();
    return pm;
}

QPixmap logoPicture() {
    QPixmap pm(100, 39);
    pm.fill(Qt::white);
    QPainter p(&pm);
    drawQuill(p, QRectF(0, 0, 39, 39));
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(18);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(20, 60, 110));
    p.drawText(QRect(38, 0, 62, 39), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("Quillory"));
    p.end();
    return pm;
}

QPixmap quillPicture(int w, int h) {
    QPixmap pm(w, h);
    pm.fill(Qt::white);
    QPainter p(&pm);
    drawQuill(p, QRectF(0, 0, w, h));
    p.end();
    return pm;
}

} // namespace quillory::ui
