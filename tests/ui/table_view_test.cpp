#include "qt_test_support.h"
#include "ui/button.h"
#include "ui/label.h"
#include "ui/outlets.h"
#include "ui/table_view.h"
#include "ui/table_view_cell.h"
#include "ui/widget_classes.h"

#include <QScroller>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace wayfarer::ui {
namespace {

constexpr int rowHeight = 100;
constexpr int visibleHeight = 400;
const QString identifier = QStringLiteral("reuseIdentifier");
using Events = std::vector<std::string>;

// A list of rows that writes down every event the table sends, as "will 3", "end 0",
// "cell 3" (the data source was asked for row 3's cell) and "select 2".
class RecordingList : public TableViewDataSource, public TableViewDelegate {
public:
    explicit RecordingList(int rowCount) : rows(rowCount) {
        table.setDataSource(this);
        table.setDelegate(this);
        table.registerNib(Nib::fromData(QStringLiteral("PlainCell"), R"(<ui version="4.0"><widget class="wayfarer::ui::TableViewCell" name="cell"/></ui>)"), identifier);
        table.resize(390, visibleHeight);
        table.show();
    }

    int numberOfRowsInSection(TableView&, int) override { return rows; }
    TableViewCell& cellForRow(TableView& view, IndexPath indexPath) override {
        EXPECT_LT(indexPath.row, view.numberOfRows()) << "asked for a row past the count";
        note("cell", indexPath);
        return view.dequeueReusableCell(identifier, indexPath);
    }
    double heightForRow(TableView&, IndexPath) override { return rowHeight; }
    QWidget* viewForHeaderInSection(TableView&, int) override { return header; }
    double heightForHeaderInSection(TableView&, int) override { return header ? 50 : 0; }
    void willDisplayCell(TableView&, TableViewCell&, IndexPath indexPath) override {
        note("will", indexPath);
        if (onWillDisplay)
            onWillDisplay(indexPath.row);
    }
    void didEndDisplayingCell(TableView&, TableViewCell&, IndexPath indexPath) override { note("end", indexPath); }
    void didSelectRow(TableView&, IndexPath indexPath) override { note("select", indexPath); }

    Events take() { return std::exchange(events, {}); }
    std::vector<int> visibleRows() const {
        std::vector<int> result;
        for (const auto& indexPath : table.indexPathsForVisibleRows())
            result.push_back(indexPath.row);
        return result;
    }

    int rows;
    Events events;
    std::function<void(int)> onWillDisplay;
    View* header = nullptr;
    TableView table;

private:
    void note(const char* event, IndexPath indexPath) { events.push_back(event + (" " + std::to_string(indexPath.row))); }
};

TEST(TableView, ScrollingSendsEventsOnlyForRowsThatEnterOrLeave) {
    RecordingList shown(20);
    EXPECT_EQ(shown.take(), (Events{"cell 0", "will 0", "cell 1", "will 1", "cell 2", "will 2", "cell 3", "will 3"}))
        << "the first show asks for the visible rows only";
    const struct { const char* name; int from; int to; Events events; } cases[] = {
        {"half a row down", 0, 50, {"cell 4", "will 4"}},
        {"row 0 leaves exactly at its bottom", 50, 100, {"end 0"}},
        {"a screen down", 0, 400, {"end 0", "end 1", "end 2", "end 3", "cell 4", "will 4", "cell 5", "will 5",
                                   "cell 6", "will 6", "cell 7", "will 7"}},
        {"back up a little", 150, 90, {"end 5", "cell 0", "will 0"}},
        {"to the end, clamped", 0, 5000, {"end 0", "end 1", "end 2", "end 3", "cell 16", "will 16", "cell 17",
                                          "will 17", "cell 18", "will 18", "cell 19", "will 19"}},
        {"nowhere", 300, 300, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingList list(20);
        list.table.setContentOffset(c.from);
        list.take();
        list.table.setContentOffset(c.to);
        EXPECT_EQ(list.take(), c.events);
    }
}

TEST(TableView, ReloadRefillsVisibleRowsAndReportsOnlyChangesOfVisibility) {
    const struct {
        const char* name;
        int rowsBefore;
        int offset;
        int rowsAfter;
        Events events;
        std::vector<int> visible;
    } cases[] = {
        {"same rows", 20, 0, 20, {"cell 0", "cell 1", "cell 2", "cell 3"}, {0, 1, 2, 3}},
        {"emptied", 20, 0, 0, {"end 0", "end 1", "end 2", "end 3"}, {}},
        {"shrunk to two", 20, 0, 2, {"end 2", "end 3", "cell 0", "cell 1"}, {0, 1}},
        {"grown from two", 2, 0, 12, {"cell 0", "cell 1", "cell 2", "will 2", "cell 3", "will 3"}, {0, 1, 2, 3}},
        {"filled from empty", 0, 0, 3, {"cell 0", "will 0", "cell 1", "will 1", "cell 2", "will 2"}, {0, 1, 2}},
        {"grown below the screen at the end", 10, 600, 20, {"cell 6", "cell 7", "cell 8", "cell 9"}, {6, 7, 8, 9}},
        {"shrunk under the scrolled screen", 20, 1600, 10,
         {"end 16", "end 17", "end 18", "end 19", "cell 6", "will 6", "cell 7", "will 7", "cell 8", "will 8",
          "cell 9", "will 9"},
         {6, 7, 8, 9}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingList list(c.rowsBefore);
        list.table.setContentOffset(c.offset);
        list.take();
        list.rows = c.rowsAfter;
        list.table.reloadData();
        EXPECT_EQ(list.take(), c.events);
        EXPECT_EQ(list.visibleRows(), c.visible);
    }
}

TEST(TableView, ReloadAskedForFromAnEventRunsAfterTheCurrentLayout) {
    RecordingList list(6);
    bool reloaded = false;
    list.onWillDisplay = [&](int) {
        if (!std::exchange(reloaded, true)) {
            list.rows = 1;
            list.table.reloadData();
        }
    };
    list.table.setContentOffset(200);  // rows 4 and 5 enter; the first asks for a reload to one row
    EXPECT_EQ(list.visibleRows(), (std::vector<int>{0}));
    EXPECT_EQ(list.table.numberOfRows(), 1);
}

// A controller going unsets itself as the data source while its table still counts its rows.
TEST(TableView, ATableWhoseDataSourceIsGoneLaysOutNoRowsWhateverMovesIt) {
    const std::pair<const char*, std::function<void(TableView&)>> moves[] = {
        {"scrolled", [](TableView& table) { table.setContentOffset(200); }},
        {"resized", [](TableView& table) { table.resize(390, 2 * visibleHeight); }},
        {"reloaded", [](TableView& table) { table.reloadData(); }},
    };
    for (const auto& [name, move] : moves) {
        SCOPED_TRACE(name);
        RecordingList list(20);
        list.take();
        list.table.setDataSource(nullptr);
        move(list.table);
        EXPECT_EQ(list.take(), (Events{"end 0", "end 1", "end 2", "end 3"}));
        EXPECT_EQ(list.table.numberOfRows(), 0);
        EXPECT_TRUE(list.visibleRows().empty());
    }
}

TEST(TableView, ScrollingTenThousandRowsReusesAScreenfulOfCells) {
    RecordingList list(10000);
    for (int offset = 0; offset <= 10000 * rowHeight; offset += visibleHeight / 3)
        list.table.setContentOffset(offset);
    EXPECT_EQ(list.visibleRows().back(), 9999);
    EXPECT_LE(list.table.cellsCreated(), visibleHeight / rowHeight + 1);
    EXPECT_EQ(list.table.cellCount(), list.table.cellsCreated());
}

// A cell made from "TestCell.ui" (a label and a button) that counts its wake-ups and reuses.
class TestCell final : public TableViewCell {
    Q_OBJECT

public:
    using TableViewCell::TableViewCell;
    void declareOutlets(Outlets& outlets) override {
        outlets.add("label", label);
        outlets.add("button", button);
    }
    void awakeFromNib() override {
        ++awakenings;
        setSelectionStyle(TableViewCellSelectionStyle::none);
    }
    void prepareForReuse() override {
        ++reuses;
        label->setText(std::nullopt);
    }
    Label* label = nullptr;
    Button* button = nullptr;
    int awakenings = 0;
    int reuses = 0;
};

// Rows of cells made from "TestCell.ui", each labelled with its row.
class NibList : public RecordingList {
public:
    explicit NibList(int rowCount) : RecordingList(0) {
        registerWidgetClass<TestCell>(QStringLiteral("TestCell"));
        table.registerNib(Nib::named(QStringLiteral("TestCell")), identifier);
        rows = rowCount;
        table.reloadData();
        take();
    }
    TableViewCell& cellForRow(TableView& view, IndexPath indexPath) override {
        auto& cell = static_cast<TestCell&>(view.dequeueReusableCell(identifier, indexPath));
        cell.label->setText(QStringLiteral("Row %1").arg(indexPath.row));
        return cell;
    }
    TestCell* cell(int row) { return static_cast<TestCell*>(table.cellForRow({0, row})); }
};

TEST(TableView, CellsFromAnInterfaceFileWakeOnceArePreparedBeforeEachReuseAndShowWhereTheyAreScrolled) {
    NibList list(50);
    ASSERT_NE(list.cell(0)->label, nullptr);
    EXPECT_EQ(list.cell(0)->label->parentWidget(), &list.cell(0)->contentView()) << "the file's parts go on the content";
    list.table.setContentOffset(2000);
    list.table.setContentOffset(0);
    for (auto* cell : list.table.viewport()->findChildren<TestCell*>()) {
        EXPECT_EQ(cell->awakenings, 1);
        EXPECT_GE(cell->reuses, 1);
    }
    EXPECT_EQ(list.cell(2)->label->text(), QStringLiteral("Row 2"));
    list.table.setContentOffset(150);
    const auto shade = [](int row) { return QColor(0, 10 * row, 255 - 10 * row); };
    for (const auto& indexPath : list.table.indexPathsForVisibleRows())
        list.table.cellForRow(indexPath)->contentView().setBackgroundColor(Color(shade(indexPath.row)));
    const QImage shot = testing::saveScreenshot(list.table, QStringLiteral("table_view"));
    // Row 1 shows its lower half at the top, then rows 2 to 5 follow, 100 points each.
    for (const auto& [y, row] : std::vector<std::pair<int, int>>{{10, 1}, {60, 2}, {240, 3}, {390, 5}})
        EXPECT_EQ(shot.pixelColor(QPoint(5, y) * shot.devicePixelRatio()), shade(row)) << "at y " << y;
}

TEST(TableView, TappingARowSelectsItButADragDoesNot) {
    NibList list(5);  // its cells have no selection style
    QTest::mouseClick(list.cell(1), Qt::LeftButton, {}, QPoint(200, 50));
    EXPECT_EQ(list.take(), (Events{"select 1"}));
    EXPECT_FALSE(list.cell(1)->showsSelectionHighlight());

    RecordingList plain(40);
    TableViewCell* highlighted = plain.table.cellForRow({0, 2});
    QTest::mousePress(highlighted, Qt::LeftButton, {}, QPoint(200, 50));
    EXPECT_TRUE(highlighted->showsSelectionHighlight());
    QTest::mouseRelease(highlighted, Qt::LeftButton, {}, QPoint(200, 50));
    EXPECT_EQ(plain.table.indexPathForSelectedRow(), (IndexPath{0, 2}));

    TableViewCell* dragged = plain.table.cellForRow({0, 3});
    plain.take();
    // Released over the row: QScroller moves the list on its own timer, not during the drag.
    QTest::mousePress(dragged, Qt::LeftButton, {}, QPoint(200, 95));
    for (int y = 85; y >= 5; y -= 10)
        QTest::mouseMove(dragged, QPoint(200, y), 10);
    EXPECT_FALSE(dragged->showsSelectionHighlight()) << "a drag takes the highlight away";
    QTest::mouseRelease(dragged, Qt::LeftButton, {}, QPoint(200, 5), 10);
    // The scroller moves the list on the wall clock: it is sent at once to where the fling rests.
    QScroller* scroller = QScroller::scroller(plain.table.viewport());
    ASSERT_EQ(scroller->state(), QScroller::Scrolling) << "the drag flings the list";
    const QPointF rest = scroller->finalPosition();
    scroller->stop();
    scroller->scrollTo(rest, 0);
    EXPECT_GE(plain.table.contentOffset(), 200) << "the drag scrolls";
    EXPECT_EQ(std::ranges::count(plain.take(), std::string("select 3")), 0);
}

// The results screen's tests drive Page Down, the arrows and Return through the list.
TEST(TableView, EndScrollsAndTheRowMarkedByTheArrowsIsScrolledIntoView) {
    RecordingList list(40);
    QTest::keyClick(&list.table, Qt::Key_End);
    EXPECT_EQ(list.table.contentOffset(), 40 * rowHeight - visibleHeight);
    list.table.setContentOffset(0);
    list.table.setFocus();
    const int rowsInView = visibleHeight / rowHeight;
    for (int i = 0; i <= rowsInView + 2; ++i)
        QTest::keyClick(&list.table, Qt::Key_Down);
    EXPECT_EQ(list.table.keyboardRow().value_or(IndexPath{0, -1}).row, rowsInView + 2);
    EXPECT_EQ(list.table.contentOffset(), 3 * rowHeight) << "the marked row is scrolled just into view";
}

TEST(TableView, SectionHeaderShowsOnAnEmptyListAndStaysAtTheTopWhileRowsScrollUnderIt) {
    RecordingList list(0);
    View header;
    list.header = &header;
    auto* background = new View;
    list.table.setBackgroundView(background);
    auto* tableHeader = new View;
    tableHeader->resize(390, 80);
    list.table.setTableHeaderView(tableHeader);
    auto* footer = new View;
    footer->resize(390, 1);
    list.table.setTableFooterView(footer);
    list.table.reloadData();
    EXPECT_TRUE(header.isVisible());
    EXPECT_EQ(background->geometry(), list.table.viewport()->rect());

    list.rows = 20;
    list.table.reloadData();
    EXPECT_EQ(header.geometry(), QRect(0, 80, 390, 50));
    EXPECT_EQ(list.table.rectForRow({0, 0}).top(), 130);
    EXPECT_EQ(list.table.contentHeight(), 80 + 50 + 2000 + 1);
    list.table.setContentOffset(500);
    EXPECT_EQ(header.geometry(), QRect(0, 0, 390, 50));
    EXPECT_EQ(tableHeader->geometry().top(), -500);
    EXPECT_EQ(list.visibleRows().front(), 3);  // rows under the header are still displayed
}

}
}

#include "table_view_test.moc"
