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

// The welcome screen of the main interface file: the welcome title and the scope text
// over three cycling city pictures, and the search button that opens the results.
class MainViewController final : public ui::ViewController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainViewController)

public:
    MainViewController();

    // Outlets, connected by the main interface file.
    ui::ImageView* backgroundImageView = nullptr;
    ui::Button* searchButton = nullptr;
    ui::Button* welcomeButton = nullptr;
    ui::Label* scopeOfWorkLabel = nullptr;

    void declareOutlets(ui::Outlets& outlets) override;
    ui::StatusBarStyle preferredStatusBarStyle() const override { return ui::StatusBarStyle::lightContent; }

    void showResults();

    // The search session the results screens use; the process's unless set.
    void setSession(std::shared_ptr<DataManager> session) { session_ = std::move(session); }

protected:
    void viewDidLoad() override;

private:
    std::shared_ptr<DataManager> session_;
};

// Opens a new results screen on `session` (the process's by default) over `presenter`,
// full screen, as the root of a navigation stack of its own.
void presentResults(ui::ViewController& presenter, std::shared_ptr<DataManager> session = DataManager::shared());

}
