// larkspur-demo-photos: draws the small portraits of the demo people (a head and shoulders in
// flat colours, no photograph of anyone) and writes them as an LDIF change file that adds each
// one as the person's jpegPhoto. Run at build time; the demo and the tests load its output.
#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>

namespace {

struct Portrait {
    const char* dn;
    QColor background;
    QColor clothes;
    QColor skin;
    QColor hair;
};

const int width = 96;
const int height = 120;

QByteArray Drawn(const Portrait& portrait) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(portrait.background);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(portrait.clothes);
    painter.drawEllipse(QRectF(8, 84, 80, 72));
    painter.setBrush(portrait.skin);
    painter.drawRect(QRectF(40, 66, 16, 22));
    painter.drawEllipse(QRectF(26, 22, 44, 52));
    painter.setBrush(portrait.hair);
    painter.drawChord(QRectF(24, 16, 48, 40), 0, 180 * 16);
    painter.end();
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 85);
    return jpeg;
}

// The change record, with the picture's base64 folded onto lines of at most 76 characters.
QByteArray Change(const Portrait& portrait) {
    QByteArray record =
        QByteArray("dn: ") + portrait.dn + "\nchangetype: modify\nreplace: jpegPhoto\njpegPhoto::";
    const QByteArray encoded = Drawn(portrait).toBase64();
    record += ' ' + encoded.left(63);
    for (qsizetype at = 63; at < encoded.size(); at += 75) {
        record += "\n " + encoded.mid(at, 75);
    }
    return record + "\n-\n\n";
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: larkspur-demo-photos <output.ldif>\n");
        return 2;
    }
    QGuiApplication application(argc, argv);
    const Portrait portraits[] = {
        {"cn=Francis Rahman,ou=Chemistry,o=Calder Institute,dc=calder,dc=example",
         QColor(0x9c, 0xc3, 0xd5), QColor(0x2e, 0x4a, 0x62), QColor(0xc6, 0x8e, 0x6a),
         QColor(0x1f, 0x1a, 0x17)},
        {"cn=Una Rowe,ou=Physics,o=Calder Institute,dc=calder,dc=example", QColor(0xe8, 0xd8, 0xa8),
         QColor(0x7a, 0x2e, 0x3b), QColor(0xf1, 0xc9, 0xa5), QColor(0xa0, 0x52, 0x2d)},
        {"cn=Imogen Bennett,ou=Physics,o=Calder Institute,dc=calder,dc=example",
         QColor(0xb8, 0xd8, 0xb0), QColor(0x35, 0x5e, 0x3b), QColor(0xe0, 0xac, 0x8a),
         QColor(0x3b, 0x2a, 0x20)},
        {"cn=Fiona Fairbairn,ou=Research,o=Fenwick Laboratories,dc=fenwick,dc=example",
         QColor(0xd5, 0xc4, 0xe1), QColor(0x4b, 0x3f, 0x72), QColor(0xf3, 0xd3, 0xb8),
         QColor(0xd9, 0xb3, 0x6c)},
    };
    QByteArray ldif = "# Written by larkspur-demo-photos: drawn portraits, not photographs.\n\n";
    for (const Portrait& portrait : portraits) {
        ldif += Change(portrait);
    }
    QFile out(QString::fromLocal8Bit(argv[1]));
    if (!out.open(QIODevice::WriteOnly) || out.write(ldif) != ldif.size()) {
        std::fprintf(stderr, "larkspur-demo-photos: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
