#pragma once

#include "catalogue/data_manager.h"
#include "screens/text_field_header_view.h"
#include "ui/activity_indicator_view.h"
#include "ui/table_view_controller.h"
#include "ui/text_field_delegate.h"

#include <QPointer>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

namespace wayfarer {

namespace ui {
class Button;
class Label;
}

// The search screen: the search header over a list of result cards read from the search
// session. Three or more characters search, the end of the list fetches the next page,
// a heart likes, a card opens its detail, every failure shows in one alert.
class ResultsTableViewController final : public ui::TableViewController, public ui::TextFieldDelegate {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ResultsTableViewController)

public:
    explicit ResultsTableViewController(std::shared_ptr<DataManager> session = DataManager::shared());
    ~ResultsTableViewController() override;

    // Observers of views the table owns; they may go before the screen does.
    QPointer<TextFieldHeaderView> header;
    QPointer<ui::ActivityIndicatorView> indicator;
    // Beside the indicator in the table's background: what to type, or that a search
    // found nothing; shown only on an empty list with no request running and no alert up.
    QPointer<ui::Label> messageLabel;
    const std::shared_ptr<DataManager> dataManager;
    static constexpr double headerHeight = 50.0;
    // The last row that left the screen was the paging trigger row.
    bool didUploadMoreItems = false;

    // Starts a new search when the field holds 3 or more characters.
    void textDidChange(ui::TextField& textField);
    void likeButtonDidTap(ui::Button* button);
    void loadResults(std::optional<std::string> text, bool nextPage);
    void handleResult(const DataManager::Result& result);
    void showError(const QString& message);
    void close();

    int numberOfRowsInSection(ui::TableView& table, int section) override;
    ui::TableViewCell& cellForRow(ui::TableView& table, ui::IndexPath indexPath) override;
    double heightForRow(ui::TableView& table, ui::IndexPath indexPath) override;
    QWidget* viewForHeaderInSection(ui::TableView& table, int section) override;
    double heightForHeaderInSection(ui::TableView& table, int section) override;
    void didSelectRow(ui::TableView& table, ui::IndexPath indexPath) override;
    void willDisplayCell(ui::TableView& table, ui::TableViewCell& cell, ui::IndexPath indexPath) override;
    void didEndDisplayingCell(ui::TableView& table, ui::TableViewCell& cell, ui::IndexPath indexPath) override;

    bool textFieldShouldReturn(ui::TextField& textField) override;
    void textFieldDidChangeSelection(ui::TextField& textField) override;
    bool textFieldShouldChangeCharacters(ui::TextField& textField, ui::TextRange range,
                                         const QString& replacement) override;
    bool textFieldShouldClear(ui::TextField& textField) override;

    bool performEscape() override;

protected:
    void viewDidLoad() override;

private:
    // The row whose showing asks for the next page: the last of one or two, else the
    // last but one.
    int triggerRow() const;
    // The record of `row`, or null when the row no longer indexes the list.
    std::shared_ptr<Attraction> attractionAt(int row) const;

    // Answers of the searches before the current one are not shown: a new text, a
    // confirmed alert and close each end the search in flight.
    void endSearch();
    // Sets messageLabel for the state the list, the field and the search are in.
    void updateMessage();

    // Tells the cover queue which addresses `cell` shows now; nothing when it left the screen.
    void showCover(const ui::TableViewCell& cell, std::optional<std::string> url);

    // The cover address of each cell on screen, as the cover queue was told.
    std::unordered_map<const ui::TableViewCell*, std::string> coversShown_;
    // Set by close: answers that arrive later are not shown.
    bool closed_ = false;
    // Raised by endSearch; each load remembers the value it started under.
    std::uint64_t search_ = 0;
    // The text of the current search once it was answered with no records.
    std::optional<QString> nothingFoundFor_;
    // An error alert is up: set by showError, cleared by the alert's button.
    bool errorShown_ = false;
};

}
