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

// The search screen: a TextFieldHeaderView section header over one AttractionTableViewCell
// per record of its DataManager; failures show in one AlertController.
class ResultsTableViewController final : public ui::TableViewController, public ui::TextFieldDelegate {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ResultsTableViewController)

public:
    explicit ResultsTableViewController(std::shared_ptr<DataManager> session = DataManager::shared());
    ~ResultsTableViewController() override;

    static constexpr double headerHeight = 50.0;

    // Shows the indicator and asks the session for the first page of `text`, or the next page.
    void loadResults(std::optional<std::string> text, bool nextPage);

protected:
    void viewDidLoad() override;

private:
    // Starts a new search when the field holds 3 or more characters.
    void textDidChange(ui::TextField& textField);
    void likeButtonDidTap(ui::Button* button);
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

    // The last of one or two rows, else the last but one.
    int triggerRow() const;
    // Null when `row` no longer indexes dataManager->attractions().
    std::shared_ptr<Attraction> attractionAt(int row) const;

    // Bumps search_ so that answers of earlier loads are dropped.
    void endSearch();
    // messageLabel shows only on an empty list with no load running and no alert up.
    void updateMessage();

    // Tells CoverQueue which cover `cell` shows now; nullopt once it left the viewport.
    void showCover(const ui::TableViewCell& cell, std::optional<std::string> url);

    // Owned by the table: the section header, and the indicator and message in its backgroundView.
    QPointer<TextFieldHeaderView> header;
    QPointer<ui::ActivityIndicatorView> indicator;
    QPointer<ui::Label> messageLabel;
    const std::shared_ptr<DataManager> dataManager;
    // The last cell to leave the viewport was triggerRow().
    bool didUploadMoreItems = false;

    // The cover URL each visible cell registered with CoverQueue.
    std::unordered_map<const ui::TableViewCell*, std::string> coversShown_;
    // Set by close: handleResult then ignores late answers.
    bool closed_ = false;
    std::uint64_t search_ = 0;
    // The text of the current search once it was answered with no records.
    std::optional<QString> nothingFoundFor_;
    // Set by showError, cleared by the alert's button.
    bool errorShown_ = false;
};

}
