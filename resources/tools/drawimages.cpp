// Draws every image of the two bundles (and Dravix's loose image files) into
// a folder. The PNGs under resources/Images are its output, committed so the
// programs build without running it; run it again after changing a drawing:
//
//   cmake --build <build> --target draw_images
//   <build>/bin/draw_images resources/Images

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>
#include <QtMath>

#include <functional>

namespace
{

// One palette for every picture, so the icons read as one set.
const QColor blueDark(0x17, 0x44, 0x7a);
const QColor blue(0x2a, 0x6f, 0xc4);
const QColor blueLight(0xd9, 0xe7, 0xf7);
const QColor orange(0xf0, 0x8a, 0x24);
const QColor green(0x2f, 0x9e, 0x55);
const QColor red(0xd4, 0x45, 0x3f);
const QColor slate(0x4a, 0x55, 0x63);
const QColor slateLight(0xc9, 0xd0, 0xd8);
const QColor paper(0xfb, 0xfc, 0xfe);

const QString fontFamily = QStringLiteral("DejaVu Sans");

QFont font(qreal pixelSize, int weight = QFont::Normal)
{
    QFont f(fontFamily);
    f.setPixelSize(qRound(pixelSize));
    f.setWeight(weight);
    return f;
}

// Pixels a drawing's unit is drawn with: 2 for the pictures a desktop scaled
// above 100 % shows (name@2x.png beside name.png; Qt takes the one that suits
// the screen). The drawings keep their coordinates.
qreal drawScale = 1;

QImage canvas(int w, int h, const QColor& fill = Qt::transparent)
{
    QImage img(qRound(w * drawScale), qRound(h * drawScale), QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(drawScale);
    img.fill(fill);
    return img;
}

void antialias(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
}

// A soft drop shadow under a round shape keeps the flat icons from looking
// pasted on the tool bar.
void shadowEllipse(QPainter& p, const QRectF& r)
{
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 40));
    p.drawEllipse(r.translated(0, r.height() * 0.04));
    p.restore();
}

void shadowRoundedRect(QPainter& p, const QRectF& r, qreal radius)
{
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 40));
    p.drawRoundedRect(r.translated(0, r.height() * 0.04), radius, radius);
    p.restore();
}

QLinearGradient vertical(const QRectF& r, const QColor& top, const QColor& bottom)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    return g;
}

// The Orvane mark: a ring crossed by one period of a sine wave.
void drawMark(QPainter& p, const QRectF& box, const QColor& ring, const QColor& wave, qreal ringWidth)
{
    const QRectF r = box.adjusted(ringWidth / 2, ringWidth / 2, -ringWidth / 2, -ringWidth / 2);
    p.save();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(ring, ringWidth, Qt::SolidLine, Qt::RoundCap));
    p.drawEllipse(r);

    QPainterPath path;
    const int steps = 120;
    const qreal x0 = box.left() + box.width() * 0.17;
    const qreal x1 = box.right() - box.width() * 0.17;
    const qreal amp = box.height() * 0.19;
    for (int i = 0; i <= steps; ++i) {
        const qreal t = qreal(i) / steps;
        const QPointF pt(x0 + (x1 - x0) * t, box.center().y() - amp * qSin(2 * M_PI * t));
        if (i == 0)
            path.moveTo(pt);
        else
            path.lineTo(pt);
    }
    p.setPen(QPen(wave, ringWidth * 0.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
    p.restore();
}

QImage logoIcon()
{
    QImage img = canvas(256, 256);
    QPainter p(&img);
    antialias(p);
    const QRectF r(12, 12, 232, 232);
    shadowRoundedRect(p, r, 48);
    p.setPen(Qt::NoPen);
    p.setBrush(vertical(r, blue, blueDark));
    p.drawRoundedRect(r, 48, 48);
    drawMark(p, r.adjusted(44, 44, -44, -44), Qt::white, orange, 18);
    return img;
}

QImage wordmark()
{
    // 295 x 89 on screen; drawn at twice that for sharp scaling.
    QImage img = canvas(590, 178);
    QPainter p(&img);
    antialias(p);
    drawMark(p, QRectF(14, 21, 136, 136), blueDark, orange, 14);

    p.setPen(blueDark);
    p.setFont(font(96, QFont::Bold));
    p.drawText(QRectF(170, 8, 410, 124), Qt::AlignLeft | Qt::AlignBottom, QStringLiteral("Orvane"));

    p.setPen(QPen(orange, 4));
    p.drawLine(QPointF(176, 138), QPointF(572, 138));
    p.setPen(slate);
    QFont small = font(20, QFont::DemiBold);
    small.setLetterSpacing(QFont::AbsoluteSpacing, 3);
    p.setFont(small);
    p.drawText(QRectF(176, 142, 410, 32), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("POWER  \u00b7  MEASUREMENT"));
    return img;
}

QImage roundButton(const QColor& colour, const std::function<void(QPainter&, const QRectF&)>& glyph)
{
    QImage img = canvas(128, 128);
    QPainter p(&img);
    antialias(p);
    const QRectF r(8, 8, 112, 112);
    shadowEllipse(p, r);
    p.setPen(QPen(colour.darker(125), 3));
    p.setBrush(vertical(r, colour.lighter(118), colour));
    p.drawEllipse(r);
    glyph(p, r);
    return img;
}

QImage playIcon()
{
    return roundButton(green, [](QPainter& p, const QRectF& r) {
        const QPointF c = r.center();
        QPolygonF tri;
        tri << QPointF(c.x() - 18, c.y() - 28) << QPointF(c.x() + 30, c.y())
            << QPointF(c.x() - 18, c.y() + 28);
        p.setPen(QPen(Qt::white, 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::white);
        p.drawPolygon(tri);
    });
}

QImage stopIcon()
{
    return roundButton(red, [](QPainter& p, const QRectF& r) {
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(r.center() - QPointF(24, 24), QSizeF(48, 48)), 6, 6);
    });
}

QImage ethernetIcon()
{
    QImage img = canvas(128, 128);
    QPainter p(&img);
    antialias(p);
    // An RJ45 socket seen from the front: body, latch notch and eight contacts.
    const QRectF body(10, 18, 108, 92);
    shadowRoundedRect(p, body, 14);
    p.setPen(QPen(blueDark, 3));
    p.setBrush(vertical(body, blue.lighter(115), blueDark));
    p.drawRoundedRect(body, 14, 14);

    QPainterPath hole;
    hole.moveTo(28, 36);
    hole.lineTo(100, 36);
    hole.lineTo(100, 80);
    hole.lineTo(80, 80);
    hole.lineTo(80, 94);
    hole.lineTo(48, 94);
    hole.lineTo(48, 80);
    hole.lineTo(28, 80);
    hole.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x12, 0x1a, 0x24));
    p.drawPath(hole);

    p.setBrush(QColor(0xf3, 0xc2, 0x4b));
    for (int i = 0; i < 8; ++i)
        p.drawRect(QRectF(33 + i * 8, 38, 4.5, 16));
    return img;
}

// A gear: `teeth` rounded teeth around a ring with a hole.
QPainterPath gearPath(const QPointF& c, qreal outer, qreal inner, int teeth)
{
    QPainterPath path;
    const qreal step = 2 * M_PI / teeth;
    for (int i = 0; i < teeth; ++i) {
        const qreal a = i * step;
        const qreal pts[4][2] = {{a - step * 0.30, inner},
                                 {a - step * 0.17, outer},
                                 {a + step * 0.17, outer},
                                 {a + step * 0.30, inner}};
        for (int k = 0; k < 4; ++k) {
            const QPointF pt(c.x() + pts[k][1] * qCos(pts[k][0]), c.y() + pts[k][1] * qSin(pts[k][0]));
            if (i == 0 && k == 0)
                path.moveTo(pt);
            else
                path.lineTo(pt);
        }
    }
    path.closeSubpath();
    QPainterPath hole;
    hole.addEllipse(c, inner * 0.42, inner * 0.42);
    return path.subtracted(hole);
}

QImage configureIcon()
{
    QImage img = canvas(128, 128);
    QPainter p(&img);
    antialias(p);
    const QPainterPath big = gearPath(QPointF(54, 60), 46, 36, 10);
    const QPainterPath small = gearPath(QPointF(96, 96), 26, 19, 8);
    p.setPen(QPen(slate.darker(130), 2.5));
    p.setBrush(vertical(QRectF(8, 14, 92, 92), slateLight, slate));
    p.drawPath(big);
    p.setPen(QPen(orange.darker(130), 2.5));
    p.setBrush(vertical(QRectF(70, 70, 52, 52), orange.lighter(120), orange.darker(110)));
    p.drawPath(small);
    return img;
}

QImage upgradeIcon()
{
    QImage img = canvas(128, 128);
    QPainter p(&img);
    antialias(p);
    // A chip with its pins, and an arrow rising out of it.
    const QRectF chip(22, 52, 84, 64);
    p.setPen(Qt::NoPen);
    p.setBrush(slate);
    for (int i = 0; i < 5; ++i) {
        p.drawRect(QRectF(30 + i * 15.5, 116, 7, 9));
        p.drawRect(QRectF(12, 60 + i * 11.5, 10, 6));
        p.drawRect(QRectF(106, 60 + i * 11.5, 10, 6));
    }
    shadowRoundedRect(p, chip, 8);
    p.setPen(QPen(QColor(0x20, 0x26, 0x2e), 2));
    p.setBrush(vertical(chip, QColor(0x56, 0x61, 0x6e), QColor(0x2b, 0x32, 0x3b)));
    p.drawRoundedRect(chip, 8, 8);

    QPolygonF arrow;
    arrow << QPointF(64, 4) << QPointF(100, 42) << QPointF(78, 42) << QPointF(78, 96) << QPointF(50, 96)
          << QPointF(50, 42) << QPointF(28, 42);
    p.setPen(QPen(orange.darker(135), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(vertical(QRectF(28, 4, 72, 92), orange.lighter(125), orange));
    p.drawPolygon(arrow);
    return img;
}

QImage consoleIcon()
{
    QImage img = canvas(128, 128);
    QPainter p(&img);
    antialias(p);
    const QRectF win(8, 16, 112, 96);
    shadowRoundedRect(p, win, 12);
    p.setPen(QPen(QColor(0x1b, 0x22, 0x2b), 3));
    p.setBrush(QColor(0x24, 0x2c, 0x37));
    p.drawRoundedRect(win, 12, 12);
    // Title bar.
    QPainterPath bar;
    bar.addRoundedRect(win, 12, 12);
    QPainterPath cut;
    cut.addRect(QRectF(win.left(), win.top() + 22, win.width(), win.height()));
    p.setPen(Qt::NoPen);
    p.setBrush(blue);
    p.drawPath(bar.subtracted(cut));
    p.setBrush(Qt::white);
    for (int i = 0; i < 3; ++i)
        p.drawEllipse(QPointF(24 + i * 13, 27), 4, 4);

    p.setPen(QPen(QColor(0x6f, 0xdc, 0x8c), 9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF() << QPointF(28, 58) << QPointF(48, 74) << QPointF(28, 90));
    p.drawLine(QPointF(58, 92), QPointF(92, 92));
    return img;
}

QImage clearIcon()
{
    QImage img = canvas(128, 128);
    QPainter p(&img);
    antialias(p);
    // An eraser wiping a line away.
    p.setPen(QPen(slateLight, 6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(14, 112), QPointF(114, 112));
    p.save();
    p.translate(66, 62);
    p.rotate(-35);
    const QRectF whole(-46, -22, 92, 44);
    shadowRoundedRect(p, whole, 8);
    QPainterPath shape;
    shape.addRoundedRect(whole, 8, 8);
    QPainterPath left;
    left.addRect(QRectF(-46, -22, 38, 44));
    p.setPen(Qt::NoPen);
    p.setBrush(vertical(whole, orange.lighter(125), orange.darker(105)));
    p.drawPath(shape.subtracted(left));
    p.setBrush(vertical(whole, Qt::white, blueLight));
    p.drawPath(shape.intersected(left));
    p.setPen(QPen(slate, 3));
    p.setBrush(Qt::NoBrush);
    p.drawPath(shape);
    p.drawLine(QPointF(-8, -22), QPointF(-8, 22));
    p.restore();
    return img;
}

QImage signalGeneratorIcon()
{
    QImage img = canvas(200, 200);
    QPainter p(&img);
    antialias(p);
    const QRectF body(10, 24, 180, 152);
    shadowRoundedRect(p, body, 18);
    p.setPen(QPen(slate.darker(120), 3));
    p.setBrush(vertical(body, slateLight.lighter(110), slateLight.darker(112)));
    p.drawRoundedRect(body, 18, 18);

    const QRectF screen(26, 40, 148, 92);
    p.setPen(QPen(QColor(0x1b, 0x22, 0x2b), 2));
    p.setBrush(QColor(0x1f, 0x27, 0x31));
    p.drawRoundedRect(screen, 8, 8);
    p.setPen(QPen(QColor(0x3a, 0x46, 0x54), 1));
    for (int i = 1; i < 4; ++i)
        p.drawLine(QPointF(screen.left() + i * 37, screen.top() + 4),
                   QPointF(screen.left() + i * 37, screen.bottom() - 4));
    p.drawLine(QPointF(screen.left() + 4, screen.center().y()),
               QPointF(screen.right() - 4, screen.center().y()));

    // A sine and a square wave on the screen.
    QPainterPath sine;
    for (int i = 0; i <= 100; ++i) {
        const qreal t = i / 100.0;
        const QPointF pt(screen.left() + 8 + t * (screen.width() - 16),
                         screen.center().y() - 28 * qSin(2 * 2 * M_PI * t));
        if (i == 0)
            sine.moveTo(pt);
        else
            sine.lineTo(pt);
    }
    p.setPen(QPen(QColor(0x6f, 0xdc, 0x8c), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(sine);
    QPolygonF square;
    const qreal w = (screen.width() - 16) / 4;
    qreal x = screen.left() + 8;
    const qreal hi = screen.center().y() - 18, lo = screen.center().y() + 18;
    square << QPointF(x, lo);
    for (int i = 0; i < 4; ++i) {
        const qreal y = (i % 2 == 0) ? hi : lo;
        const qreal prev = (i % 2 == 0) ? lo : hi;
        square << QPointF(x, prev) << QPointF(x, y) << QPointF(x + w, y);
        x += w;
    }
    p.setPen(QPen(orange, 3.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(square);

    // Knobs and an output socket.
    for (int i = 0; i < 3; ++i) {
        const QPointF c(44 + i * 34, 154);
        p.setPen(QPen(slate.darker(130), 2));
        p.setBrush(vertical(QRectF(c.x() - 11, c.y() - 11, 22, 22), Qt::white, slate));
        p.drawEllipse(c, 11, 11);
        p.setPen(QPen(Qt::white, 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(c, c + QPointF(6 * qCos(-1.0 - i * 0.8), 6 * qSin(-1.0 - i * 0.8)));
    }
    p.setPen(QPen(orange.darker(140), 2));
    p.setBrush(orange);
    p.drawEllipse(QPointF(156, 154), 12, 12);
    p.setBrush(QColor(0x20, 0x26, 0x2e));
    p.drawEllipse(QPointF(156, 154), 5, 5);
    return img;
}

// Block diagrams of the supply's control loops.
class Diagram
{
public:
    explicit Diagram(QPainter& painter) : p(painter) {}

    void block(const QRectF& r, const QString& title, const QString& sub, const QColor& fill)
    {
        p.save();
        shadowRoundedRect(p, r, 10);
        p.setPen(QPen(fill.darker(150), 2.5));
        p.setBrush(vertical(r, fill.lighter(112), fill));
        p.drawRoundedRect(r, 10, 10);
        p.setPen(QColor(0x14, 0x1c, 0x26));
        if (sub.isEmpty()) {
            p.setFont(font(24, QFont::Bold));
            p.drawText(r, Qt::AlignCenter, title);
        } else {
            p.setFont(font(24, QFont::Bold));
            p.drawText(QRectF(r.left(), r.top() + 8, r.width(), r.height() / 2),
                       Qt::AlignHCenter | Qt::AlignBottom, title);
            p.setFont(font(17));
            p.drawText(QRectF(r.left(), r.center().y() + 4, r.width(), r.height() / 2 - 8),
                       Qt::AlignHCenter | Qt::AlignTop, sub);
        }
        p.restore();
    }

    void junction(const QPointF& c, qreal radius = 20)
    {
        p.save();
        p.setPen(QPen(blueDark, 2.5));
        p.setBrush(Qt::white);
        p.drawEllipse(c, radius, radius);
        p.setFont(font(24, QFont::Bold));
        p.setPen(blueDark);
        p.drawText(QRectF(c.x() - radius, c.y() - radius, 2 * radius, 2 * radius), Qt::AlignCenter,
                   QStringLiteral("\u03a3"));
        p.restore();
    }

    void arrow(const QVector<QPointF>& pts, const QColor& colour = QColor(0x2b, 0x32, 0x3b))
    {
        p.save();
        p.setPen(QPen(colour, 3, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
        p.setBrush(Qt::NoBrush);
        const QPointF tip = pts.last();
        const QPointF from = pts.at(pts.size() - 2);
        const qreal angle = qAtan2(tip.y() - from.y(), tip.x() - from.x());
        QPolygonF line(pts);
        line.last() = tip - QPointF(12 * qCos(angle), 12 * qSin(angle));
        p.drawPolyline(line);
        QPolygonF head;
        head << tip << tip - QPointF(16 * qCos(angle - 0.38), 16 * qSin(angle - 0.38))
             << tip - QPointF(16 * qCos(angle + 0.38), 16 * qSin(angle + 0.38));
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawPolygon(head);
        p.restore();
    }

    void dot(const QPointF& c)
    {
        p.save();
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x2b, 0x32, 0x3b));
        p.drawEllipse(c, 6, 6);
        p.restore();
    }

    void label(const QPointF& at, const QString& text, int flags, qreal size = 22,
               const QColor& colour = slate)
    {
        p.save();
        p.setFont(font(size, QFont::DemiBold));
        p.setPen(colour);
        QRectF r(at.x() - 200, at.y() - 40, 400, 80);
        if (flags & Qt::AlignLeft)
            r.moveLeft(at.x());
        if (flags & Qt::AlignRight)
            r.moveRight(at.x());
        if (flags & Qt::AlignTop)
            r.moveTop(at.y());
        if (flags & Qt::AlignBottom)
            r.moveBottom(at.y());
        p.drawText(r, flags, text);
        p.restore();
    }

private:
    QPainter& p;
};

QImage pidDiagram(bool current, bool fast)
{
    QImage img = canvas(1188, 450, paper);
    QPainter p(&img);
    antialias(p);
    Diagram d(p);

    const QString outer = current ? QStringLiteral("I") : QStringLiteral("V");
    const QString inner = current ? QStringLiteral("V") : QStringLiteral("I");
    const QString loopName =
        current ? QStringLiteral("Constant current (CC) loop") : QStringLiteral("Constant voltage (CV) loop");

    p.setPen(blueDark);
    p.setFont(font(30, QFont::Bold));
    p.drawText(QRectF(32, 18, 1000, 44), Qt::AlignLeft | Qt::AlignVCenter, loopName);
    p.setFont(font(20));
    p.setPen(slate);
    p.drawText(QRectF(32, 58, 1100, 30), Qt::AlignLeft | Qt::AlignVCenter,
               fast ? QStringLiteral("Double loop: outer PID on %1, fast inner PI on %2").arg(outer, inner)
                    : QStringLiteral("Single loop: PID on the output %1")
                          .arg(current ? QStringLiteral("current") : QStringLiteral("voltage")));
    p.setPen(QPen(slateLight, 2));
    p.drawLine(QPointF(32, 96), QPointF(1156, 96));

    const qreal y = 200;                    // signal path
    const QColor pidFill(0xcf, 0xe2, 0xf8); // controllers
    const QColor stageFill(0xfd, 0xde, 0xbd);
    const QColor sensorFill(0xe1, 0xe6, 0xec);
    const qreal h = 96;

    d.label(QPointF(40, y - 8), outer + QStringLiteral(" ref"), Qt::AlignLeft | Qt::AlignBottom, 24,
            blueDark);
    d.arrow({QPointF(40, y), QPointF(128, y)});
    d.junction(QPointF(150, y));
    d.label(QPointF(136, y + 26), QStringLiteral("\u2212"), Qt::AlignRight | Qt::AlignTop, 28, red);
    d.label(QPointF(132, y - 16), QStringLiteral("+"), Qt::AlignRight | Qt::AlignBottom, 24, green);

    if (!fast) {
        d.arrow({QPointF(170, y), QPointF(250, y)});
        d.block(QRectF(250, y - h / 2, 230, h), QStringLiteral("PID"), QStringLiteral("Kp  Ki  Kd"), pidFill);
        d.arrow({QPointF(480, y), QPointF(580, y)});
        d.block(QRectF(580, y - h / 2, 250, h), QStringLiteral("Power stage"), QStringLiteral("PWM bridge"),
                stageFill);
        d.arrow({QPointF(830, y), QPointF(1100, y)});
        d.label(QPointF(1100, y - 8), outer + QStringLiteral(" out"), Qt::AlignRight | Qt::AlignBottom, 24,
                blueDark);
        d.dot(QPointF(960, y));
        const QRectF sensor(580, 300, 250, 84);
        d.block(sensor, current ? QStringLiteral("DCCT") : QStringLiteral("Voltage sense"),
                current ? QStringLiteral("current transducer") : QStringLiteral("divider + ADC"), sensorFill);
        d.arrow({QPointF(960, y), QPointF(960, 342), QPointF(830, 342)});
        d.arrow({QPointF(580, 342), QPointF(150, 342), QPointF(150, y + 20)});
        d.label(QPointF(300, 348), outer + QStringLiteral(" meas"), Qt::AlignLeft | Qt::AlignTop, 20);
        return img;
    }

    // Outer (slow) loop, then the fast inner loop around the power stage.
    d.arrow({QPointF(170, y), QPointF(210, y)});
    d.block(QRectF(210, y - h / 2, 190, h), QStringLiteral("PID"), QStringLiteral("outer, ") + outer,
            pidFill);
    d.arrow({QPointF(400, y), QPointF(468, y)});
    d.label(QPointF(427, y - 8), inner + QStringLiteral(" ref"), Qt::AlignHCenter | Qt::AlignBottom, 16);
    d.junction(QPointF(490, y));
    d.label(QPointF(484, y + 26), QStringLiteral("\u2212"), Qt::AlignRight | Qt::AlignTop, 28, red);
    d.arrow({QPointF(510, y), QPointF(550, y)});
    d.block(QRectF(550, y - h / 2, 180, h), QStringLiteral("PI fast"), QStringLiteral("inner, ") + inner,
            pidFill);
    d.arrow({QPointF(730, y), QPointF(790, y)});
    d.block(QRectF(790, y - h / 2, 200, h), QStringLiteral("Power stage"), QStringLiteral("PWM bridge"),
            stageFill);
    d.arrow({QPointF(990, y), QPointF(1150, y)});
    d.label(QPointF(1150, y - 8), outer + QStringLiteral(" out"), Qt::AlignRight | Qt::AlignBottom, 24,
            blueDark);

    // Inner feedback: a fast sense taken at the stage output.
    d.dot(QPointF(1030, y));
    p.setPen(QPen(orange, 2, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(454, 112, 616, 180), 14, 14);
    d.label(QPointF(1064, 118), QStringLiteral("fast loop"), Qt::AlignRight | Qt::AlignTop, 18,
            orange.darker(120));
    d.arrow({QPointF(1030, y), QPointF(1030, 262), QPointF(490, 262), QPointF(490, y + 20)});
    // Below its line, clear of the block above it.
    d.label(QPointF(600, 266), inner + QStringLiteral(" meas"), Qt::AlignLeft | Qt::AlignTop, 18);

    // Outer feedback through the precision sensor.
    d.dot(QPointF(1100, y));
    const QRectF sensor(640, 318, 250, 84);
    d.block(sensor, current ? QStringLiteral("DCCT") : QStringLiteral("Voltage sense"),
            current ? QStringLiteral("current transducer") : QStringLiteral("divider + ADC"), sensorFill);
    d.arrow({QPointF(1100, y), QPointF(1100, 360), QPointF(890, 360)});
    d.arrow({QPointF(640, 360), QPointF(150, 360), QPointF(150, y + 20)});
    d.label(QPointF(300, 366), outer + QStringLiteral(" meas"), Qt::AlignLeft | Qt::AlignTop, 20);
    return img;
}

QImage dcctHead()
{
    QImage img = canvas(256, 256);
    QPainter p(&img);
    antialias(p);
    // A toroidal current transducer seen along its axis: the ring with its
    // label band, the bus bar's cross-section in the window and the head's
    // connector below.
    const QPointF c(128, 118);
    const QRectF connector(104, 206, 48, 40);
    p.setPen(QPen(QColor(0x20, 0x26, 0x2e), 2.5));
    p.setBrush(vertical(connector, slate, QColor(0x2b, 0x32, 0x3b)));
    p.drawRoundedRect(connector, 6, 6);

    shadowEllipse(p, QRectF(c.x() - 108, c.y() - 108, 216, 216));
    QRadialGradient g(c, 108);
    g.setColorAt(0.42, slate.darker(125));
    g.setColorAt(0.70, slateLight.lighter(108));
    g.setColorAt(1.0, slate);
    QPainterPath ring;
    ring.addEllipse(c, 108, 108);
    QPainterPath window;
    window.addEllipse(c, 50, 50);
    p.setPen(QPen(QColor(0x2b, 0x32, 0x3b), 3));
    p.setBrush(g);
    p.drawPath(ring.subtracted(window));

    QPainterPath band;
    band.addEllipse(c, 92, 92);
    QPainterPath bandInner;
    bandInner.addEllipse(c, 70, 70);
    p.setPen(Qt::NoPen);
    p.setBrush(vertical(QRectF(c.x() - 92, c.y() - 92, 184, 184), blue.lighter(115), blueDark));
    p.drawPath(band.subtracted(bandInner));

    p.setBrush(QColor(0xf4, 0xf6, 0xf9));
    p.setPen(QPen(QColor(0x2b, 0x32, 0x3b), 2));
    p.drawEllipse(c, 50, 50);
    const QRectF bar(c.x() - 30, c.y() - 18, 60, 36);
    p.setPen(QPen(orange.darker(150), 2.5));
    p.setBrush(vertical(bar, QColor(0xf6, 0xb2, 0x6b), QColor(0xc8, 0x6a, 0x1c)));
    p.drawRoundedRect(bar, 5, 5);
    return img;
}

QImage connectIcon()
{
    QImage img = canvas(128, 128);
    QPainter p(&img);
    antialias(p);
    // A plug meeting its socket.
    const QRectF plug(14, 44, 40, 40);
    const QRectF socket(74, 40, 44, 48);
    p.setPen(QPen(slate, 6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(2, 64), QPointF(14, 64));
    p.drawLine(QPointF(118, 64), QPointF(126, 64));
    p.setPen(QPen(slate.darker(130), 3, Qt::SolidLine, Qt::SquareCap));
    p.drawLine(QPointF(54, 54), QPointF(74, 54));
    p.drawLine(QPointF(54, 74), QPointF(74, 74));
    p.setPen(QPen(blueDark, 2.5));
    p.setBrush(vertical(plug, blue.lighter(125), blueDark));
    p.drawRoundedRect(plug, 8, 8);
    p.setBrush(vertical(socket, orange.lighter(120), orange.darker(115)));
    p.setPen(QPen(orange.darker(150), 2.5));
    p.drawRoundedRect(socket, 10, 10);
    return img;
}

bool save(const QImage& img, const QDir& dir, const QString& name)
{
    const QString path = dir.filePath(name);
    if (!img.save(path, "PNG")) {
        QTextStream(stderr) << "cannot write " << path << '\n';
        return false;
    }
    QTextStream(stdout) << path << '\n';
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        QTextStream(stderr) << "usage: draw_images <output folder>\n";
        return 2;
    }
    QDir dir(args.at(1));
    if (!dir.mkpath(QStringLiteral("."))) {
        QTextStream(stderr) << "cannot create " << args.at(1) << '\n';
        return 1;
    }

    bool ok = true;
    ok &= save(logoIcon(), dir, QStringLiteral("Logo_Orvane.png"));
    ok &= save(wordmark(), dir, QStringLiteral("Orvane.png"));
    ok &= save(ethernetIcon(), dir, QStringLiteral("Ethernet.png"));
    ok &= save(playIcon(), dir, QStringLiteral("play.png"));
    ok &= save(stopIcon(), dir, QStringLiteral("Stop.png"));
    ok &= save(configureIcon(), dir, QStringLiteral("Configure_2.png"));
    ok &= save(upgradeIcon(), dir, QStringLiteral("upgrade.png"));
    ok &= save(consoleIcon(), dir, QStringLiteral("console.png"));
    ok &= save(clearIcon(), dir, QStringLiteral("clear.png"));
    ok &= save(signalGeneratorIcon(), dir, QStringLiteral("SignalGenerator.png"));
    ok &= save(pidDiagram(true, false), dir, QStringLiteral("PIDControllerCC.png"));
    ok &= save(pidDiagram(true, true), dir, QStringLiteral("PIDControllerCCFast.png"));
    ok &= save(pidDiagram(false, false), dir, QStringLiteral("PIDControllerCV.png"));
    ok &= save(pidDiagram(false, true), dir, QStringLiteral("PIDControllerCVFast.png"));
    ok &= save(dcctHead(), dir, QStringLiteral("VANTO-600.png"));
    ok &= save(connectIcon(), dir, QStringLiteral("connect.png"));
    // The PID pictures fill a window at their own size; at 200 % they are
    // drawn from twice as many pixels. The icons and the logo are drawn large
    // enough already.
    drawScale = 2;
    ok &= save(pidDiagram(true, false), dir, QStringLiteral("PIDControllerCC@2x.png"));
    ok &= save(pidDiagram(true, true), dir, QStringLiteral("PIDControllerCCFast@2x.png"));
    ok &= save(pidDiagram(false, false), dir, QStringLiteral("PIDControllerCV@2x.png"));
    ok &= save(pidDiagram(false, true), dir, QStringLiteral("PIDControllerCVFast@2x.png"));
    return ok ? 0 : 1;
}
