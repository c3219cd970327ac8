// Renders the window into a PNG without a display, for checking its look.
#include <cstdio>

#include <QApplication>
#include <QPixmap>

#include "dialogs.h"
#include "main_window.h"

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    QtWindowDialogs dialogs;
    TfrmMain window(dialogs);
    window.show();
    QApplication::processEvents();
    if (!window.grab().save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
