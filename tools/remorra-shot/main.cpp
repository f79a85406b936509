// Saves a picture of an X window (or of the whole screen) as PNG, for the
// README's run and the end-to-end tests: remorra-shot FILE.png [WINDOW_ID]
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: remorra-shot FILE.png [WINDOW_ID]\n");
        return 2;
    }
    QGuiApplication app(argc, argv);
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        std::fprintf(stderr, "remorra-shot: no screen\n");
        return 1;
    }
    const WId window = argc == 3 ? static_cast<WId>(std::strtoull(argv[2], nullptr, 0)) : 0;
    const QPixmap shot = screen->grabWindow(window);
    if (shot.isNull() || !shot.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "remorra-shot: cannot capture or write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
