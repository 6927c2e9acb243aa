// Writes the program's own icon picture as the 48x48 PNG that desktops look up by name.
#include <QGuiApplication>
#include <QImage>
#include <cstdio>

#include "app_icon.xpm"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: qv410_icon_png OUTPUT.png\n");
        return 2;
    }
    const QImage icon(app_icon_xpm);
    if (icon.isNull() || icon.width() != 48 || icon.height() != 48 || !icon.save(argv[1], "PNG")) {
        std::fprintf(stderr, "qv410_icon_png: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
