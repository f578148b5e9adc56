// A bare Qt Widgets window of the welcome screen's size: startup_bench's reference.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QWidget window;
    window.resize(390, 844);
    window.show();
    return QApplication::exec();
}
