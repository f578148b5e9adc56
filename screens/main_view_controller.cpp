#include "main_view_controller.h"

#include "results_table_view_controller.h"
#include "shell/image_asset.h"
#include "shell/shared_colors.h"
#include "texts.h"
#include "ui/accessibility.h"
#include "ui/button.h"
#include "ui/image_view.h"
#include "ui/label.h"
#include "ui/navigation_controller.h"

namespace wayfarer {

MainViewController::MainViewController() : ui::ViewController(QStringLiteral("Main")) {}

void MainViewController::declareOutlets(ui::Outlets& outlets) {
    outlets.add("backgroundImageView", backgroundImageView);
    outlets.add("searchButton", searchButton);
    outlets.add("welcomeButton", welcomeButton);
    outlets.add("scopeOfWorkLabel", scopeOfWorkLabel);
}

void MainViewController::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    searchButton->setTitle(localizedText("search_placeholder"), ui::ControlState::normal);
    searchButton->setImageContentMode(ui::ContentMode::scaleAspectFit);
    searchButton->setCornerRadius(2.0);
    searchButton->addTarget(this, &MainViewController::showResults, ui::ControlEvent::touchUpInside);
    searchButton->setAccessibleDescription(localizedText("accessibility_search_hint"));
    // Initial keyboard focus: Return or Space then clicks it.
    searchButton->setFocus(Qt::OtherFocusReason);
    welcomeButton->setTitle(localizedText("welcome"), ui::ControlState::normal);
    welcomeButton->setTintColor(shell::coralColor());
    // A title with no action: QAccessible::Heading rather than a button.
    ui::setAccessibleRole(*welcomeButton, QAccessible::Heading);
    scopeOfWorkLabel->setText(localizedText("scope_of_work"));

    const auto milan = shell::image(shell::ImageAsset::milanGallery);
    const auto rome = shell::image(shell::ImageAsset::romeCathedral);
    const auto archeology = shell::image(shell::ImageAsset::archeology);
    if (!milan || !rome || !archeology)
        return;
    backgroundImageView->setAnimationImages({*milan, *rome, *archeology});
    backgroundImageView->setAnimationDuration(9.0);
    backgroundImageView->startAnimating();
}

void MainViewController::showResults() { presentResults(*this, session_ ? session_ : DataManager::shared()); }

void presentResults(ui::ViewController& presenter, std::shared_ptr<DataManager> session) {
    auto results = std::make_unique<ResultsTableViewController>(std::move(session));
    auto navigation = std::make_unique<ui::NavigationController>();
    navigation->setModalPresentationStyle(ui::ModalPresentationStyle::fullScreen);
    std::vector<std::unique_ptr<ui::ViewController>> stack;
    stack.push_back(std::move(results));
    navigation->setViewControllers(std::move(stack));
    presenter.present(std::move(navigation), true);
}

}
