#pragma once

#include "catalogue/data_manager.h"
#include "ui/view_controller.h"

#include <memory>

namespace wayfarer {

namespace ui {
class Button;
class ImageView;
class Label;
}

// The root of the "Main" interface file: texts over the cycling backgroundImageView, and
// the searchButton that presents the results.
class MainViewController final : public ui::ViewController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainViewController)

public:
    MainViewController();

    ui::StatusBarStyle preferredStatusBarStyle() const override { return ui::StatusBarStyle::lightContent; }
    // The search session the results screens use; the process's unless set.
    void setSession(std::shared_ptr<DataManager> session) { session_ = std::move(session); }

protected:
    void viewDidLoad() override;

private:
    void declareOutlets(ui::Outlets& outlets) override;
    // The searchButton's action.
    void showResults();

    ui::ImageView* backgroundImageView = nullptr;
    ui::Button* searchButton = nullptr;
    ui::Button* welcomeButton = nullptr;
    ui::Label* scopeOfWorkLabel = nullptr;
    std::shared_ptr<DataManager> session_;
};

// Presents a full-screen NavigationController whose root is a new ResultsTableViewController.
void presentResults(ui::ViewController& presenter, std::shared_ptr<DataManager> session = DataManager::shared());

}
