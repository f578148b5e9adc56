// The bare window with the welcome screen's three texts in plain QLabels, in the same fonts
// and wrapping: startup_bench's floor for a first frame that draws this text.
#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

namespace {

QLabel* label(const char* text, int pointSize, bool bold, QWidget* parent) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    QFont font = label->font();
    font.setPointSize(pointSize);
    font.setBold(bold);
    label->setFont(font);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    return label;
}

}

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QWidget window;
    window.resize(390, 844);
    auto* column = new QVBoxLayout(&window);
    column->setContentsMargins(24, 96, 24, 44);
    column->addWidget(label("Welcome", 22, true, &window));
    column->addWidget(label("Find tours, tickets and experiences at the world's great sights.", 14, false, &window));
    column->addStretch();
    column->addWidget(label("Search attractions", 16, false, &window));
    window.show();
    return QApplication::exec();
}
