// What a window looks like, read back from Qt: pictures of windows and the colour a dialog paints.
#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

#include "ui/qt/backend.h"
#include "ui/testing.h"

namespace ui::testing {

namespace {

// Saves a top-level widget as it looks on screen, with a plain title bar, to a PNG file.
bool saveWindowImage(QWidget* w, const QString& path) {
    const QPixmap client = w->grab();
    // A plain title bar, so the caption can be judged as well.
    constexpr int kTitle = 26;
    constexpr int kBorder = 1;
    QImage image(client.width() + 2 * kBorder, client.height() + kTitle + kBorder,
                 QImage::Format_RGB32);
    image.fill(QColor(0x60, 0x6a, 0x78));
    QPainter painter(&image);
    painter.fillRect(QRect(kBorder, kBorder, client.width(), kTitle - kBorder),
                     QColor(0xe4, 0xe8, 0xee));
    int textLeft = kBorder + 6;
    const QIcon icon = w->windowIcon();
    if (!icon.availableSizes().isEmpty()) {
        painter.drawPixmap(kBorder + 5, kBorder + 4, icon.pixmap(16, 16));
        textLeft += 22;
    }
    QFont font = w->font();
    font.setPointSize(9);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRect(textLeft, kBorder, client.width() - textLeft - 30, kTitle - kBorder),
                     Qt::AlignVCenter | Qt::AlignLeft, w->windowTitle());
    painter.drawText(QRect(client.width() - 24, kBorder, 20, kTitle - kBorder), Qt::AlignCenter,
                     QStringLiteral("×"));
    painter.drawPixmap(kBorder, kTitle, client);
    painter.end();
    return image.save(path, "PNG");
}

}  // namespace

bool saveActiveModal(const std::string& path) {
    QWidget* w = QApplication::activeModalWidget();
    return w != nullptr && saveWindowImage(w, QString::fromStdString(path));
}

COLORREF backgroundColor(HWND window) {
    QWidget* w = widgetOf(window);
    if (w == nullptr) {
        return 0;
    }
    const QImage image = w->grab(QRect(0, 0, 2, 2)).toImage();
    const QColor c = image.pixelColor(1, 1);
    return rgb(c.red(), c.green(), c.blue());
}

bool saveScreenshot(HWND window, const std::string& path) {
    QWidget* w = widgetOf(window);
    return w != nullptr && saveWindowImage(w, QString::fromStdString(path));
}

}  // namespace ui::testing
