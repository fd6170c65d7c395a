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

namespace {

const QColor kInk(40, 60, 90);
const QColor kAccent(0, 120, 200);

void folder(QPainter& p) {
    QPainterPath f;
    f.moveTo(2, 6);
    f.lineTo(8, 6);
    f.lineTo(10, 8);
    f.lineTo(20, 8);
    f.lineTo(20, 19);
    f.lineTo(2, 19);
    f.closeSubpath();
    p.setBrush(QColor(250, 220, 140));
    p.drawPath(f);
}

void grid(QPainter& p, QRectF r) {
    p.setBrush(Qt::white);
    p.drawRect(r);
    p.drawLine(QPointF(r.left(), r.center().y()), QPointF(r.right(), r.center().y()));
    p.drawLine(QPointF(r.left() + r.width() / 3, r.top()), QPointF(r.left() + r.width() / 3, r.bottom()));
    p.drawLine(QPointF(r.left() + 2 * r.width() / 3, r.top()), QPointF(r.left() + 2 * r.width() / 3, r.bottom()));
}

void page(QPainter& p, QRectF r, int lines) {
    p.setBrush(Qt::white);
    p.drawRect(r);
    for (int i = 0; i < lines; ++i) {
        const qreal y = r.top() + 3 + i * 3;
        if (y < r.bottom() - 1) p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2, y));
    }
}

void clipboard(QPainter& p) {
    p.setBrush(QColor(200, 170, 120));
    p.drawRoundedRect(QRectF(3, 4, 14, 17), 2, 2);
    p.setBrush(QColor(150, 150, 150));
    p.drawRect(QRectF(7, 2.5, 6, 3));
}

void paperclip(QPainter& p) {
    QPainterPath c;
    c.moveTo(14, 6);
    c.lineTo(14, 16);
    c.arcTo(QRectF(8, 13, 6, 6), 0, -180);
    c.lineTo(8, 5);
    c.arcTo(QRectF(8, 2, 9, 6), 180, -180);
    c.lineTo(17, 17);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kInk, 1.8, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(c);
}

void draw(QPainter& p, const QString& name) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kInk, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    if (name == QLatin1String("openFile")) {
        folder(p);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(12, 11, 9, 11));
        p.setPen(QPen(kAccent, 1.6));
        p.drawLine(QPointF(14, 15), QPointF(19, 15));
        p.drawLine(QPointF(14, 18), QPointF(19, 18));
    } else if (name == QLatin1String("openGrid")) {
        folder(p);
        grid(p, QRectF(10, 12, 12, 9));
    } else if (name == QLatin1String("openTemplate")) {
        folder(p);
        page(p, QRectF(12, 10, 10, 12), 3);
    } else if (name == QLatin1String("saveFile")) {
        p.setBrush(QColor(90, 130, 190));
        p.drawRoundedRect(QRectF(3, 3, 18, 18), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(7, 3, 10, 7));
        p.drawRect(QRectF(6, 13, 12, 8));
    } else if (name == QLatin1String("copyGrid")) {
        grid(p, QRectF(2, 3, 13, 10));
        grid(p, QRectF(9, 11, 13, 10));
    } else if (name == QLatin1String("pasteGrid")) {
        clipboard(p);
        grid(p, QRectF(9, 11, 13, 10));
    } else if (name == QLatin1String("copyTemplate")) {
        page(p, QRectF(3, 2, 11, 14), 4);
        page(p, QRectF(10, 8, 11, 14), 4);
    } else if (name == QLatin1String("pasteTemplate")) {
        clipboard(p);
        page(p, QRectF(10, 9, 11, 13), 3);
    } else if (name == QLatin1String("test")) {
        QPainterPath tube;
        tube.moveTo(9, 3);
        tube.lineTo(9, 10);
        tube.lineTo(4, 20);
        tube.lineTo(20, 20);
        tube.lineTo(15, 10);
        tube.lineTo(15, 3);
        p.setBrush(Qt::white);
        p.drawPath(tube);
        QPainterPath liquid;
        liquid.moveTo(6.5, 15);
        liquid.lineTo(17.5, 15);
        liquid.lineTo(20, 20);
        liquid.lineTo(4, 20);
        liquid.closeSubpath();
        p.setBrush(QColor(120, 200, 120));
        p.drawPath(liquid);
    } else if (name == QLatin1String("attach")) {
        paperclip(p);
    } else if (name == QLatin1String("removeAttachment")) {
        paperclip(p);
        p.setPen(QPen(QColor(200, 40, 40), 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(15, 15), QPointF(21, 21));
        p.drawLine(QPointF(21, 15), QPointF(15, 21));
    } else if (name == QLatin1String("send")) {
        QPainterPath plane;
        plane.moveTo(2, 11);
        plane.lineTo(22, 3);
        plane.lineTo(16, 21);
        plane.lineTo(11, 14);
        plane.closeSubpath();
        p.setBrush(QColor(120, 190, 240));
        p.drawPath(plane);
        p.drawLine(QPointF(11, 14), QPointF(22, 3));
    } else if (name == QLatin1String("autoGridResize")) {
        grid(p, QRectF(2, 6, 20, 12));
        p.setPen(QPen(kAccent, 1.8, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(5, 12), QPointF(19, 12));
        p.drawLine(QPointF(5, 12), QPointF(8, 9.5));
        p.drawLine(QPointF(5, 12), QPointF(8, 14.5));
        p.drawLine(QPointF(19, 12), QPointF(16, 9.5));
        p.drawLine(QPointF(19, 12), QPointF(16, 14.5));
    } else if (name == QLatin1String("viewLog")) {
        page(p, QRectF(3, 2, 13, 18), 5);
        p.setBrush(QColor(220, 235, 250));
        p.drawEllipse(QRectF(11, 11, 8, 8));
        p.setPen(QPen(kInk, 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(18, 18), QPointF(22, 22));
    } else if (name == QLatin1String("run")) {
        QPainterPath t;
        t.moveTo(7, 4);
        t.lineTo(19, 12);
        t.lineTo(7, 20);
        t.closeSubpath();
        p.setBrush(QColor(60, 170, 80));
        p.drawPath(t);
    } else if (name == QLatin1String("pause")) {
        p.setBrush(QColor(220, 160, 40));
        p.drawRect(QRectF(6, 4, 4, 16));
        p.drawRect(QRectF(14, 4, 4, 16));
    } else if (name == QLatin1String("stop")) {
        p.setBrush(QColor(200, 50, 50));
        p.drawRoundedRect(QRectF(5, 5, 14, 14), 2, 2);
    }
}

} // namespace

QIcon commandIcon(const QString& name) {
    QIcon icon;
    for (int size : {24, 48}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.scale(size / 24.0, size / 24.0);
        draw(p, name);
        p.end();
        QPixmap disabled(size, size);
        disabled.fill(Qt::transparent);
        {
            QPainter q(&disabled);
            q.setOpacity(0.35);
            q.drawPixmap(0, 0, pm);
        }
        icon.addPixmap(pm, QIcon::Normal);
        icon.addPixmap(disabled, QIcon::Disabled);
    }
    return icon;
}

} // namespace quillory::ui
