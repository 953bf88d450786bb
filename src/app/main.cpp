// verdane: the editor.
#include "AppInfo.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(verdane::CaptionFor(verdane::kNewFileName));
    window.show();
    return app.exec();
}
