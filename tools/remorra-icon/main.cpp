// Draws the program's icon (a remote control sending infra-red) from one
// description into an SVG and PNGs of the usual icon sizes, so that every
// rendering agrees. Usage: remorra-icon OUTPUT_DIR, or remorra-icon --ico FILE
// for the Windows icon resource.
#include <QBuffer>
#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QString>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Circle { double cx, cy, r; const char* fill; };
struct Box { double x, y, w, h, rx; const char* fill; const char* stroke; double strokeWidth; };
struct Wave { double cx, cy, r; const char* stroke; double width; };

// 256 × 256 canvas.
const Box kBody{72, 44, 112, 204, 34, "#2f3a48", "#161b22", 6};
const Box kEmitter{108, 52, 40, 10, 5, "#8e1c24", nullptr, 0};
const Wave kWaves[] = {{128, 44, 16, "#42a5f5", 7}, {128, 44, 30, "#42a5f5", 7}};
const std::vector<Circle> kButtons = [] {
    std::vector<Circle> c{{128, 90, 13, "#e53935"}, {128, 146, 32, "#5c6b7d"}, {128, 146, 12, "#dfe6ee"}};
    for (double y : {196.0, 214.0, 232.0})
        for (double x : {102.0, 128.0, 154.0})
            c.push_back({x, y, 7, "#b0bec5"});
    return c;
}();

constexpr double kPi = 3.14159265358979323846;

std::string svg()
{
    std::string s = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" viewBox=\"0 0 256 256\">\n";
    char line[256];
    for (const Wave& w : kWaves) {
        const double dx = w.r * std::cos(kPi / 4), dy = w.r * std::sin(kPi / 4);
        std::snprintf(line, sizeof line,
                      "  <path d=\"M %.2f %.2f A %.0f %.0f 0 0 0 %.2f %.2f\" fill=\"none\" stroke=\"%s\" "
                      "stroke-width=\"%.0f\" stroke-linecap=\"round\"/>\n",
                      w.cx + dx, w.cy - dy, w.r, w.r, w.cx - dx, w.cy - dy, w.stroke, w.width);
        s += line;
    }
    for (const Box* b : {&kBody, &kEmitter}) {
        std::snprintf(line, sizeof line, "  <rect x=\"%.0f\" y=\"%.0f\" width=\"%.0f\" height=\"%.0f\" rx=\"%.0f\" fill=\"%s\"",
                      b->x, b->y, b->w, b->h, b->rx, b->fill);
        s += line;
        if (b->stroke) {
            std::snprintf(line, sizeof line, " stroke=\"%s\" stroke-width=\"%.0f\"", b->stroke, b->strokeWidth);
            s += line;
        }
        s += "/>\n";
    }
    for (const Circle& c : kButtons) {
        std::snprintf(line, sizeof line, "  <circle cx=\"%.0f\" cy=\"%.0f\" r=\"%.0f\" fill=\"%s\"/>\n", c.cx, c.cy, c.r,
                      c.fill);
        s += line;
    }
    return s + "</svg>\n";
}

QImage render(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 256.0, size / 256.0);
    for (const Wave& w : kWaves) {
        QPen pen{QColor(w.stroke), w.width, Qt::SolidLine, Qt::RoundCap};
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(w.cx - w.r, w.cy - w.r, 2 * w.r, 2 * w.r), 45 * 16, 90 * 16);
    }
    for (const Box* b : {&kBody, &kEmitter}) {
        p.setPen(b->stroke ? QPen(QColor(b->stroke), b->strokeWidth) : QPen(Qt::NoPen));
        p.setBrush(QColor(b->fill));
        p.drawRoundedRect(QRectF(b->x, b->y, b->w, b->h), b->rx, b->rx);
    }
    p.setPen(Qt::NoPen);
    for (const Circle& c : kButtons) {
        p.setBrush(QColor(c.fill));
        p.drawEllipse(QPointF(c.cx, c.cy), c.r, c.r);
    }
    return image;
}

void put16(std::string& out, unsigned v) { out.push_back(char(v & 0xFF)); out.push_back(char((v >> 8) & 0xFF)); }
void put32(std::string& out, unsigned v) { put16(out, v & 0xFFFF); put16(out, v >> 16); }

// A classic icon image: BITMAPINFOHEADER with the doubled height, 32-bit
// BGRA rows bottom-up, then the 1-bit AND mask (rows padded to 32 bits),
// which older readers use where they ignore the alpha channel.
std::string dibImage(const QImage& source)
{
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const int n = image.width();
    std::string out;
    put32(out, 40);
    put32(out, unsigned(n));
    put32(out, unsigned(2 * n));
    put16(out, 1);
    put16(out, 32);
    for (int i = 0; i < 6; ++i) put32(out, 0);
    for (int y = n - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < n; ++x) put32(out, row[x]);
    }
    const int maskStride = ((n + 31) / 32) * 4;
    for (int y = n - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        std::string mask(std::size_t(maskStride), '\0');
        for (int x = 0; x < n; ++x)
            if (qAlpha(row[x]) == 0) mask[std::size_t(x / 8)] = char(mask[std::size_t(x / 8)] | (0x80 >> (x % 8)));
        out += mask;
    }
    return out;
}

// Small sizes as bitmaps, 256 px as PNG (the form the system takes at that size).
bool writeIco(const std::string& path)
{
    const int sizes[] = {16, 24, 32, 48, 256};
    std::vector<std::string> images;
    for (int size : sizes) {
        if (size < 256) {
            images.push_back(dibImage(render(size)));
            continue;
        }
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!render(size).save(&buffer, "PNG")) return false;
        images.emplace_back(png.constData(), std::size_t(png.size()));
    }
    std::string out;
    put16(out, 0);
    put16(out, 1);
    put16(out, unsigned(images.size()));
    unsigned offset = unsigned(6 + 16 * images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        out.push_back(char(sizes[i] & 0xFF)); // 0 stands for 256
        out.push_back(char(sizes[i] & 0xFF));
        out.push_back(0);
        out.push_back(0);
        put16(out, 1);
        put16(out, 32);
        put32(out, unsigned(images[i].size()));
        put32(out, offset);
        offset += unsigned(images[i].size());
    }
    for (const std::string& image : images) out += image;
    std::ofstream file(path, std::ios::binary);
    file.write(out.data(), std::streamsize(out.size()));
    return bool(file);
}

} // namespace

int main(int argc, char** argv)
{
    const bool ico = argc == 3 && std::string(argv[1]) == "--ico";
    if (argc != 2 && !ico) {
        std::fprintf(stderr, "usage: remorra-icon OUTPUT_DIR | remorra-icon --ico FILE\n");
        return 2;
    }
    QGuiApplication app(argc, argv);
    if (ico) {
        if (writeIco(argv[2])) return 0;
        std::fprintf(stderr, "remorra-icon: cannot write %s\n", argv[2]);
        return 1;
    }
    const std::string dir = argv[1];
    std::ofstream(dir + "/remorra.svg") << svg();
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString name = QString::fromStdString(dir) + QStringLiteral("/remorra-%1.png").arg(size);
        if (!render(size).save(name)) {
            std::fprintf(stderr, "remorra-icon: cannot write %s\n", qPrintable(name));
            return 1;
        }
    }
    return 0;
}
