#include "results_table_view_controller.h"

#include "catalogue/cover_queue.h"

#include "attraction_table_view_cell.h"
#include "cover_image.h"
#include "detail_view_controller.h"
#include "hearts.h"
#include "shell/cell_nibs.h"
#include "text_field_header_view.h"
#include "texts.h"
#include "ui/activity_indicator_view.h"
#include "ui/alert_controller.h"
#include "ui/button.h"
#include "ui/environment.h"
#include "ui/image_view.h"
#include "ui/label.h"
#include "ui/navigation_controller.h"
#include "ui/text_field.h"
#include "ui/text_size.h"

#include <QGridLayout>
#include <QPointer>

namespace wayfarer {

ResultsTableViewController::ResultsTableViewController(std::shared_ptr<DataManager> session)
    : ui::TableViewController(ui::TableViewStyle::plain), dataManager(std::move(session)) {
    // Rows are 4/5 of the table's width: a capped width keeps two cards in view on a wide window.
    setMaximumTableWidth(ui::readableContentWidth);
}

ResultsTableViewController::~ResultsTableViewController() {
    if (header)
        header->textField->setDelegate(nullptr);
    for (const auto& [cell, url] : coversShown_)
        CoverQueue::shared().hidden(url);
}

void ResultsTableViewController::showCover(const ui::TableViewCell& cell, std::optional<std::string> url) {
    const auto shown = coversShown_.find(&cell);
    if (shown != coversShown_.end() && url == shown->second)
        return;
    if (shown != coversShown_.end()) {
        CoverQueue::shared().hidden(shown->second);
        coversShown_.erase(shown);
    }
    if (url) {
        CoverQueue::shared().shown(*url);
        coversShown_.emplace(&cell, std::move(*url));
    }
}

void ResultsTableViewController::viewDidLoad() {
    ui::TableViewController::viewDidLoad();
    if (ui::NavigationController* navigation = navigationController())
        navigation->setNavigationBarHidden(true);
    ui::TableView& table = *tableView();

    indicator = new ui::ActivityIndicatorView(table.frame());
    messageLabel = new ui::Label;
    messageLabel->setNumberOfLines(0);
    messageLabel->setAlignment(Qt::AlignCenter);
    messageLabel->setMargin(24);
    messageLabel->setTextColor(ui::platformVersion() >= 13 ? ui::Color::secondaryLabel() : ui::Color::gray());
    ui::setScaledPointSize(*messageLabel, 12);
    // The indicator and messageLabel share the backgroundView's one grid cell.
    auto* background = new ui::View;
    auto* stack = new QGridLayout(background);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->addWidget(indicator, 0, 0);
    stack->addWidget(messageLabel, 0, 0);
    table.setBackgroundView(background);
    background->show();

    header = new TextFieldHeaderView(QRect(0, 0, table.frame().width(), static_cast<int>(headerHeight)),
                                     table.viewport());
    header->closeButton->addTarget(this, &ResultsTableViewController::close, ui::ControlEvent::touchUpInside);
    header->textField->setDelegate(this);

    table.setTableFooterView(new ui::View);
    table.tableFooterView()->setGeometry(0, 0, table.frame().width(), 1);
    table.registerNib(shell::attractionTableViewCellNib(), shell::reuseIdentifier);

    // Keyboard focus starts in the text field.
    header->textField->becomeFirstResponder();
    updateMessage();
}

int ResultsTableViewController::numberOfRowsInSection(ui::TableView&, int) {
    return static_cast<int>(dataManager->attractions().size());
}

ui::TableViewCell& ResultsTableViewController::cellForRow(ui::TableView& table, ui::IndexPath indexPath) {
    auto& cell = static_cast<AttractionTableViewCell&>(table.dequeueReusableCell(shell::reuseIdentifier, indexPath));
    cell.likeButton->setTag(indexPath.row);
    cell.likeButton->addTarget(this, &ResultsTableViewController::likeButtonDidTap, ui::ControlEvent::touchUpInside);
    // Every change of the list reloads the table in the same turn; a stale row keeps its card.
    const std::shared_ptr<Attraction> attraction = attractionAt(indexPath.row);
    if (!attraction)
        return cell;
    // A visible cell refilled by reloadData moves its CoverQueue registration to the new cover.
    if (coversShown_.contains(&cell))
        showCover(cell, attraction->coverURL ? std::optional<std::string>(attraction->coverURL->string()) : std::nullopt);
    cell.configure(*attraction);
    if (!attraction->didLoadImage) {
        // Dropped when the cell was reused for another record; the record keeps coverImg.
        attraction->loadCoverImage(
            [cell = QPointer<AttractionTableViewCell>(&cell), attraction] {
                if (cell && cell->isShowing(*attraction))
                    cell->thumbnailView->setImage(coverImage(attraction->coverImg));
            },
            dataManager->taskManager->context());
    } else {
        cell.thumbnailView->setImage(coverImage(attraction->coverImg));
    }
    return cell;
}

double ResultsTableViewController::heightForRow(ui::TableView& table, ui::IndexPath) {
    return table.frame().width() * 4.0 / 5.0;
}

QWidget* ResultsTableViewController::viewForHeaderInSection(ui::TableView&, int) { return header; }

double ResultsTableViewController::heightForHeaderInSection(ui::TableView&, int) { return headerHeight; }

int ResultsTableViewController::triggerRow() const {
    const int count = static_cast<int>(dataManager->attractions().size());
    return count - (count < 3 ? 1 : 2);
}

std::shared_ptr<Attraction> ResultsTableViewController::attractionAt(int row) const {
    const auto& attractions = dataManager->attractions();
    if (row < 0 || static_cast<std::size_t>(row) >= attractions.size())
        return nullptr;
    return attractions[static_cast<std::size_t>(row)];
}

void ResultsTableViewController::willDisplayCell(ui::TableView&, ui::TableViewCell& cell, ui::IndexPath indexPath) {
    if (const auto attraction = attractionAt(indexPath.row); attraction && attraction->coverURL)
        showCover(cell, std::string(attraction->coverURL->string()));
    if (indexPath.row == triggerRow() && !dataManager->didFinishLoading() && !didUploadMoreItems)
        loadResults(std::nullopt, true);
}

void ResultsTableViewController::didEndDisplayingCell(ui::TableView&, ui::TableViewCell& cell, ui::IndexPath indexPath) {
    showCover(cell, std::nullopt);
    didUploadMoreItems = indexPath.row == triggerRow();
}

void ResultsTableViewController::didSelectRow(ui::TableView&, ui::IndexPath indexPath) {
    if (header->textField->isFirstResponder())
        header->textField->resignFirstResponder();
    auto attraction = attractionAt(indexPath.row);
    if (!attraction)
        return;
    auto detail = std::make_unique<DetailViewController>();
    detail->attraction = std::move(attraction);
    if (ui::NavigationController* navigation = navigationController())
        navigation->pushViewController(std::move(detail), true);
}

void ResultsTableViewController::textDidChange(ui::TextField& textField) {
    const QString text = textField.text();
    if (text.isEmpty() || text.size() < 3)
        return updateMessage();
    endSearch();
    dataManager->resetSearch();
    tableView()->reloadData();
    loadResults(text.toStdString(), false);
}

void ResultsTableViewController::endSearch() {
    ++search_;
    nothingFoundFor_.reset();
}

void ResultsTableViewController::updateMessage() {
    std::optional<QString> message;
    if (dataManager->attractions().empty() && !indicator->isAnimating() && !errorShown_) {
        if (header->textField->text().size() < 3)
            message = localizedText("search_hint");
        else if (nothingFoundFor_)
            message = localizedText("no_results", *nothingFoundFor_);
    }
    messageLabel->setText(message);
    messageLabel->setVisible(message.has_value());
}

void ResultsTableViewController::loadResults(std::optional<std::string> text, bool nextPage) {
    indicator->startAnimating();
    updateMessage();
    dataManager->loadAttractions(
        std::move(text), nextPage,
        [screen = QPointer<ResultsTableViewController>(this), search = search_](DataManager::Result result) {
            // Dropped once endSearch ran: the indicator and the list belong to the newer search.
            if (screen && screen->search_ == search)
                screen->handleResult(result);
        });
}

void ResultsTableViewController::handleResult(const DataManager::Result& result) {
    // After close the views may be gone and no alert may show over the welcome screen.
    if (closed_)
        return;
    indicator->stopAnimating();
    // DataManager may have cleared its list for this answer.
    tableView()->reloadData();
    if (const auto* failure = std::get_if<DataManager::Failure>(&result))
        return showError(QString::fromStdString(failure->message));
    if (dataManager->attractions().empty())
        nothingFoundFor_ = QString::fromStdString(dataManager->textToSearch());
    updateMessage();
}

void ResultsTableViewController::showError(const QString& message) {
    auto alert = std::make_unique<ui::AlertController>(localizedText("error_title"), message,
                                                       ui::AlertControllerStyle::alert);
    alert->addAction(ui::AlertAction{QStringLiteral("OK"), ui::AlertActionStyle::defaultStyle,
                                     [screen = QPointer<ResultsTableViewController>(this)] {
                                         if (!screen)
                                             return;
                                         // endSearch first: the load cancelSearch fails is then dropped.
                                         screen->endSearch();
                                         screen->dataManager->cancelSearch();
                                         screen->tableView()->reloadData();
                                         screen->errorShown_ = false;
                                         screen->updateMessage();
                                     }});
    header->textField->resignFirstResponder();
    errorShown_ = true;
    updateMessage();
    present(std::move(alert), true);
}

void ResultsTableViewController::likeButtonDidTap(ui::Button* button) {
    const auto attraction = attractionAt(button->tag());
    if (!attraction)
        return;
    flipLike(*attraction, *button);
}

void ResultsTableViewController::close() {
    closed_ = true;
    endSearch();
    dataManager->cancelSearch();
    // QScroller may still move the table during the dismiss transition: it must count no rows.
    tableView()->reloadData();
    dismiss(true);
}

bool ResultsTableViewController::textFieldShouldReturn(ui::TextField& textField) {
    textField.resignFirstResponder();
    // Keyboard focus moves to the table, where the arrow keys move between cards.
    tableView()->setFocus(Qt::OtherFocusReason);
    return true;
}

void ResultsTableViewController::textFieldDidChangeSelection(ui::TextField& textField) { textDidChange(textField); }

bool ResultsTableViewController::textFieldShouldChangeCharacters(ui::TextField& textField, ui::TextRange,
                                                                 const QString&) {
    if (ui::platformVersion() < 13)
        textDidChange(textField);
    return true;
}

bool ResultsTableViewController::textFieldShouldClear(ui::TextField&) {
    dataManager->cancelSearch();
    tableView()->reloadData();
    nothingFoundFor_.reset();
    updateMessage();
    return true;
}

bool ResultsTableViewController::performEscape() {
    close();
    return true;
}

}
