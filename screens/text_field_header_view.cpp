#include "text_field_header_view.h"

#include "shell/shared_colors.h"
#include "texts.h"
#include "ui/button.h"
#include "ui/environment.h"
#include "ui/nib.h"
#include "ui/text_field.h"

namespace wayfarer {

TextFieldHeaderView::TextFieldHeaderView(const QRect& frame, QWidget* parent) : ui::View(parent) {
    setFrame(frame);
    setupView();
}

TextFieldHeaderView::TextFieldHeaderView(QWidget* parent) : ui::View(parent) { setupView(); }

void TextFieldHeaderView::declareOutlets(ui::Outlets& outlets) {
    outlets.add("contentView", contentView);
    outlets.add("offsetView", offsetView);
    outlets.add("textField", textField);
    outlets.add("closeButton", closeButton);
}

void TextFieldHeaderView::setupView() {
    static const auto nib = ui::Nib::named(QStringLiteral("TextFieldHeaderView"));
    // The file's root widget is contentView.
    addSubview(*ui::instantiateOrDie(*nib, this).release());
    contentView->setFrame(bounds());
    contentView->setAutoresizingMask(ui::Autoresizing::flexibleWidth | ui::Autoresizing::flexibleHeight);
    contentView->setBackgroundColor(ui::platformVersion() >= 13 ? ui::Color::systemBackground() : ui::Color::white());
    offsetView->setBackgroundColor(shell::coralColor());
    textField->setPlaceholder(localizedText("search_results_placeholder"));
    textField->setAutocapitalizationType(ui::AutocapitalizationType::words);
    textField->setAccessibleLabel(localizedText("accessibility_search_field"));
    textField->clearButton().setAccessibleName(localizedText("accessibility_clear_search"));
    closeButton->setAccessibleName(localizedText("accessibility_close_search"));
}

}
