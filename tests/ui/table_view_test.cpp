#include "qt_test_support.h"
#include "ui/label.h"
#include "ui/table_view.h"
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

// A cell made from "TestCell.ui" that counts its reuses.
struct TestCell final : TableViewCell {
    using TableViewCell::TableViewCell;
    void declareOutlets(Outlets& outlets) override { outlets.add("label", label); }
    void prepareForReuse() override { ++reuses; }
    Label* label = nullptr;
    int reuses = 0;
};

// Rows of TestCells labelled with their rows, that write down every event the table sends, as
// "will 3", "end 0", "cell 3" (the data source was asked for row 3's cell) and "select 2".
class RecordingList : public TableViewDataSource, public TableViewDelegate {
public:
    explicit RecordingList(int rowCount, TableViewCellSelectionStyle style = TableViewCellSelectionStyle::defaultStyle)
        : rows(rowCount), selectionStyle(style) {
        registerWidgetClass<TestCell>(QStringLiteral("TestCell"));
        table.registerNib(Nib::named(QStringLiteral("TestCell")), identifier);
        table.setDataSource(this);
        table.setDelegate(this);
        table.resize(390, visibleHeight);
        table.show();
    }

    int numberOfRowsInSection(TableView&, int) override { return rows; }
    TableViewCell& cellForRow(TableView& view, IndexPath indexPath) override {
        EXPECT_LT(indexPath.row, view.numberOfRows()) << "asked for a row past the count";
        note("cell", indexPath);
        auto& cell = static_cast<TestCell&>(view.dequeueReusableCell(identifier, indexPath));
        cell.label->setText(QStringLiteral("Row %1").arg(indexPath.row));
        cell.setSelectionStyle(selectionStyle);
        return cell;
    }
    double heightForRow(TableView&, IndexPath) override { return rowHeight; }
    QWidget* viewForHeaderInSection(TableView&, int) override { return header; }
    double heightForHeaderInSection(TableView&, int) override { return header ? 50 : 0; }
    void willDisplayCell(TableView&, TableViewCell&, IndexPath indexPath) override {
        note("will", indexPath);
        if (onWillDisplay)
            onWillDisplay();
    }
    void didEndDisplayingCell(TableView&, TableViewCell&, IndexPath indexPath) override { note("end", indexPath); }
    void didSelectRow(TableView&, IndexPath indexPath) override { note("select", indexPath); }

    std::string take() { return std::exchange(events, {}); }
    std::vector<int> visibleRows() const {
        std::vector<int> visible;
        std::ranges::transform(table.indexPathsForVisibleRows(), std::back_inserter(visible), &IndexPath::row);
        return visible;
    }
    TestCell* cell(int row) { return static_cast<TestCell*>(table.cellForRow({0, row})); }

    int rows;
    std::string events;
    std::function<void()> onWillDisplay;
    View* header = nullptr;
    TableViewCellSelectionStyle selectionStyle;
    TableView table;

private:
    void note(const char* event, IndexPath indexPath) {
        events += (events.empty() ? "" : ", ") + (event + (" " + std::to_string(indexPath.row)));
    }
};

using Change = std::function<void(RecordingList&)>;

Change scrollTo(int y) { return [y](RecordingList& list) { list.table.setContentOffset(y); }; }

Change reloadWith(int rows) {
    return [rows](RecordingList& list) {
        list.rows = rows;
        list.table.reloadData();
    };
}

TEST(TableView, LayoutsSendEventsOnlyForRowsWhoseVisibilityChanged) {
    RecordingList shown(20);
    EXPECT_EQ(shown.take(), "cell 0, will 0, cell 1, will 1, cell 2, will 2, cell 3, will 3") << "the first show";
    const Change resize = [](RecordingList& list) { list.table.resize(390, 2 * visibleHeight); };
    // The first willDisplayCell asks for a reload to one row: it runs after the current layout.
    const Change reloadOnDisplay = [](RecordingList& list) {
        list.onWillDisplay = [&list, first = true]() mutable {
            if (std::exchange(first, false))
                reloadWith(1)(list);
        };
        list.table.setContentOffset(200);
    };
    // The last ones unset the data source first, as a controller going does while its table still counts rows.
    const struct { const char* name; int rows; int offset; Change change; const char* events; std::vector<int> visible;
                   bool withoutDataSource = false; } cases[] = {
        {"half a row down", 20, 0, scrollTo(50), "cell 4, will 4", {0, 1, 2, 3, 4}},
        {"row 0 leaves exactly at its bottom", 20, 50, scrollTo(100), "end 0", {1, 2, 3, 4}},
        {"a screen down", 20, 0, scrollTo(400),
         "end 0, end 1, end 2, end 3, cell 4, will 4, cell 5, will 5, cell 6, will 6, cell 7, will 7", {4, 5, 6, 7}},
        {"back up a little", 20, 150, scrollTo(90), "end 5, cell 0, will 0", {0, 1, 2, 3, 4}},
        {"to the end, clamped", 20, 0, scrollTo(5000),
         "end 0, end 1, end 2, end 3, cell 16, will 16, cell 17, will 17, cell 18, will 18, cell 19, will 19",
         {16, 17, 18, 19}},
        {"nowhere", 20, 300, scrollTo(300), "", {3, 4, 5, 6}},
        {"same rows", 20, 0, reloadWith(20), "cell 0, cell 1, cell 2, cell 3", {0, 1, 2, 3}},
        {"emptied", 20, 0, reloadWith(0), "end 0, end 1, end 2, end 3", {}},
        {"shrunk to two", 20, 0, reloadWith(2), "end 2, end 3, cell 0, cell 1", {0, 1}},
        {"grown from two", 2, 0, reloadWith(12), "cell 0, cell 1, cell 2, will 2, cell 3, will 3", {0, 1, 2, 3}},
        {"filled from empty", 0, 0, reloadWith(3), "cell 0, will 0, cell 1, will 1, cell 2, will 2", {0, 1, 2}},
        {"grown below the screen", 10, 600, reloadWith(20), "cell 6, cell 7, cell 8, cell 9", {6, 7, 8, 9}},
        {"shrunk under the scrolled screen", 20, 1600, reloadWith(10),
         "end 16, end 17, end 18, end 19, cell 6, will 6, cell 7, will 7, cell 8, will 8, cell 9, will 9",
         {6, 7, 8, 9}},
        {"reloads asked for while rows enter", 6, 0, reloadOnDisplay,
         "end 0, end 1, cell 4, will 4, cell 5, will 5, end 2, end 3, end 4, end 5, cell 0, will 0", {0}},
        {"no data source, scrolled", 20, 0, scrollTo(200), "end 0, end 1, end 2, end 3", {}, true},
        {"no data source, resized", 20, 0, resize, "end 0, end 1, end 2, end 3", {}, true},
        {"no data source, reloaded", 20, 0, reloadWith(20), "end 0, end 1, end 2, end 3", {}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingList list(c.rows);
        list.table.setContentOffset(c.offset);
        list.take();
        if (c.withoutDataSource)
            list.table.setDataSource(nullptr);
        c.change(list);
        EXPECT_EQ(list.take(), c.events);
        EXPECT_EQ(list.visibleRows(), c.visible);
    }
}

TEST(TableView, TenThousandRowsScrollOnAScreenfulOfCellsMadeOnceFromTheirFileAndPreparedForEachReuse) {
    RecordingList list(10000);
    EXPECT_EQ(list.cell(0)->label->parentWidget(), &list.cell(0)->contentView()) << "the file's parts";
    for (int offset = 0; offset <= 10000 * rowHeight; offset += visibleHeight / 3)
        list.table.setContentOffset(offset);
    EXPECT_LE(list.table.cellsCreated(), visibleHeight / rowHeight + 1);
    EXPECT_EQ(list.table.cellCount(), list.table.cellsCreated());
    list.table.setContentOffset(150);
    for (auto* cell : list.table.viewport()->findChildren<TestCell*>())
        EXPECT_GE(cell->reuses, 1);
    // Row 1 shows its lower half at the top, then rows 2 to 5 follow, 100 points each.
    for (const int row : {1, 2, 5}) {
        EXPECT_EQ(list.cell(row)->label->text(), QStringLiteral("Row %1").arg(row));
        EXPECT_TRUE(list.cell(row)->isVisible());
        EXPECT_EQ(list.cell(row)->geometry(), QRect(0, row * rowHeight - 150, 390, rowHeight));
    }
}

TEST(TableView, TappingARowSelectsItButADragDoesNot) {
    for (const auto style : {TableViewCellSelectionStyle::defaultStyle, TableViewCellSelectionStyle::none}) {
        RecordingList list(40, style);
        list.take();
        const bool highlights = style != TableViewCellSelectionStyle::none;
        QTest::mousePress(list.cell(2), Qt::LeftButton, {}, QPoint(200, 50));
        EXPECT_EQ(list.cell(2)->showsSelectionHighlight(), highlights) << "pressed";
        QTest::mouseRelease(list.cell(2), Qt::LeftButton, {}, QPoint(200, 50));
        EXPECT_EQ(list.take(), "select 2");
        for (const int y : {1000, 0})
            list.table.setContentOffset(y);
        EXPECT_EQ(list.cell(2)->showsSelectionHighlight(), highlights) << "selected, scrolled away and back";

        TestCell* dragged = list.cell(3);
        QTest::mousePress(dragged, Qt::LeftButton, {}, QPoint(200, 95));
        for (int y = 85; y >= 5; y -= 10)
            QTest::mouseMove(dragged, QPoint(200, y), 10);
        EXPECT_FALSE(dragged->showsSelectionHighlight()) << "a drag takes the highlight away";
        QTest::mouseRelease(dragged, Qt::LeftButton, {}, QPoint(200, 5), 10);
        // The scroller moves the list on the wall clock: it is sent at once to where the fling rests.
        QScroller* scroller = QScroller::scroller(list.table.viewport());
        ASSERT_EQ(scroller->state(), QScroller::Scrolling) << "the drag flings the list";
        const QPointF rest = scroller->finalPosition();
        scroller->stop();
        scroller->scrollTo(rest, 0);
        EXPECT_GE(list.table.contentOffset(), 200) << "the drag scrolls";
        EXPECT_EQ(list.take().find("select"), std::string::npos);
    }
}

// The results screen's tests drive Page Down, the arrows, Tab and Return through the list.
TEST(TableView, EndScrollsAndTheRowMarkedByTheArrowsIsScrolledIntoView) {
    RecordingList list(40);
    QTest::keyClick(&list.table, Qt::Key_End);
    EXPECT_EQ(list.table.contentOffset(), 40 * rowHeight - visibleHeight);
    list.table.setContentOffset(0);
    for (int i = 0; i < 7; ++i)
        QTest::keyClick(&list.table, Qt::Key_Down);
    EXPECT_EQ(list.table.keyboardRow().value_or(IndexPath{0, -1}).row, 6) << "from row 0, the first in view";
    EXPECT_EQ(list.table.contentOffset(), 3 * rowHeight) << "the marked row is scrolled just into view";
}

TEST(TableView, SectionHeaderStaysAtTheTopWhileRowsScrollUnderIt) {
    RecordingList list(20);
    View header;
    list.header = &header;
    auto* background = new View;
    list.table.setBackgroundView(background);
    auto* tableHeader = new View;
    tableHeader->resize(390, 80);
    list.table.setTableHeaderView(tableHeader);
    list.table.setTableFooterView(new View);
    list.table.tableFooterView()->resize(390, 1);
    list.table.reloadData();
    EXPECT_EQ(background->geometry(), list.table.viewport()->rect());
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
