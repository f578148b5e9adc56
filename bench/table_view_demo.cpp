// Shows the table of 10,000 result cards in a phone-sized window, for a person to scroll
// with the wheel, the keys or a touch screen, and prints how many cells it made and holds
// when closed. With --screenshot FILE it scrolls half way, saves the window and exits.
#include "cards.h"

#include <QApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    wayfarer::bench::Cards cards;
    cards.table.setWindowTitle(QStringLiteral("Wayfarer: 10,000 rows"));
    cards.table.setFocus();

    const QStringList arguments = QApplication::arguments();
    const qsizetype option = arguments.indexOf(QStringLiteral("--screenshot"));
    int status = 0;
    if (option >= 0 && option + 1 < arguments.size()) {
        cards.table.scrollToRow({0, wayfarer::bench::rowCount / 2}, wayfarer::ui::ScrollPosition::top, false);
        if (!cards.table.grab().save(arguments[option + 1])) {
            std::fprintf(stderr, "table_view_demo: cannot write %s\n", qPrintable(arguments[option + 1]));
            status = 1;
        }
    } else {
        status = QApplication::exec();
    }
    std::printf("cells made: %d, cells held: %d\n", cards.table.cellsCreated(), cards.table.cellCount());
    return status;
}
