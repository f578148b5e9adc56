// wayfarer-search: DataManager driven from the command line.
#include "catalogue_choice.h"
#include "search_output.h"

#include "catalogue/activities_url.h"
#include "catalogue/data_manager.h"
#include "platform/localized.h"
#include "platform/run_loop.h"

#include <charconv>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace wayfarer;

constexpr const char* helpText =
    "Usage: wayfarer-search [OPTION]... TEXT\n"
    "  or:  wayfarer-search [--catalogue URL] --url TEXT\n"
    "Search the activity catalogue for TEXT and print the records found, as a table or as JSON.\n"
    "Without --catalogue (or WAYFARER_CATALOGUE_URL) it searches the demo catalogue, served\n"
    "inside this process.\n"
    "\n"
    "Options:\n"
    "  --catalogue URL     search the catalogue at URL: https://, or http:// on this machine\n"
    "  --ca-file PEM       trust the certificate authorities in the file PEM as well\n"
    "  --currency USD|EUR  the currency of the prices (default USD)\n"
    "  --pages N           load N pages of results, from 1 to 1000 (default 1)\n"
    "  --covers            fetch every record's cover image after the pages\n"
    "  --json              print one JSON document instead of a table\n"
    "  --url               print the request address for TEXT and exit, sending nothing\n"
    "  -h, --help          show this help and exit\n"
    "  --version           show the version and exit\n"
    "\n"
    "Exit status:\n"
    "  0  the search succeeded\n"
    "  1  the search failed\n"
    "  2  a usage error\n"
    "\n"
    "Environment:\n"
    "  WAYFARER_CATALOGUE_URL     the catalogue to search when --catalogue is not given\n"
    "  LC_ALL, LC_MESSAGES, LANG  the language of messages and prices (the first set, not empty)\n";

enum class Request { search, help, version };

struct Options {
    Request request = Request::search;
    tools::CatalogueChoice catalogue;
    Attraction::Currency currency = Attraction::Currency::USD;
    int pages = 1;
    bool covers = false;
    bool json = false;
    bool urlOnly = false;
    std::optional<std::string> text;
};

platform::Error usageError(std::string message) {
    return {platform::ErrorCode::unknown, std::move(message)};
}

platform::Result<Options> parseOptions(int argc, char** argv) {
    Options options;
    std::vector<std::string> arguments(argv + 1, argv + argc);
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= arguments.size())
                return std::nullopt;
            return arguments[++i];
        };
        if (argument == "--catalogue" || argument == "--ca-file" || argument == "--currency" || argument == "--pages") {
            const auto given = value();
            if (!given)
                return usageError(argument + " needs a value");
            if (argument == "--catalogue") {
                options.catalogue.catalogue = *given;
            } else if (argument == "--ca-file") {
                options.catalogue.caFile = *given;
            } else if (argument == "--currency") {
                const auto currency = Attraction::currencyFromRawValue(*given);
                if (!currency)
                    return usageError("--currency must be USD or EUR, not '" + *given + "'");
                options.currency = *currency;
            } else {
                int pages = 0;
                const auto [end, error] = std::from_chars(given->data(), given->data() + given->size(), pages);
                if (error != std::errc() || end != given->data() + given->size() || pages < 1 || pages > 1000)
                    return usageError("--pages must be a whole number from 1 to 1000, not '" + *given + "'");
                options.pages = pages;
            }
        } else if (argument == "--covers") {
            options.covers = true;
        } else if (argument == "--json") {
            options.json = true;
        } else if (argument == "--url") {
            options.urlOnly = true;
        } else if (argument == "--help" || argument == "-h") {
            options.request = Request::help;
            return options;
        } else if (argument == "--version") {
            options.request = Request::version;
            return options;
        } else if (argument == "--") {
            if (i + 2 != arguments.size())
                return usageError("give exactly one search text");
            options.text = arguments[i + 1];
            break;
        } else if (argument.size() > 1 && argument.front() == '-') {
            return usageError("unknown option '" + argument + "'");
        } else if (options.text) {
            return usageError("give exactly one search text (quote a text with spaces)");
        } else {
            options.text = argument;
        }
    }
    if (!options.text)
        return usageError("no search text given");
    if (const auto checked = tools::completeCatalogueChoice(options.catalogue); !checked)
        return checked.error();
    return options;
}

int fail(const Options& options, const std::string& message) {
    std::cerr << "wayfarer-search: " << message << "\n";
    if (options.json)
        std::cout << "{\"error\": " << tools::jsonString(message) << "}\n";
    return 1;
}

}

int main(int argc, char** argv) {
    const auto parsed = parseOptions(argc, argv);
    if (!parsed) {
        std::cerr << "wayfarer-search: " << parsed.error().detail << "\nTry 'wayfarer-search --help' for more information.\n";
        return 2;
    }
    const Options& options = *parsed;
    if (options.request != Request::search) {
        std::cout << (options.request == Request::help ? helpText : "wayfarer-search (Wayfarer) " WAYFARER_VERSION "\n");
        return 0;
    }

    const auto catalogue = tools::connectCatalogue(options.catalogue);
    if (!catalogue)
        return fail(options, catalogue.error().detail);
    const std::string& baseURL = catalogue->baseURL;

    if (options.urlOnly) {
        const auto url = activitiesURL(baseURL, *options.text, 0);
        if (!url)
            return fail(options, localized("error_message"));
        std::cout << url->string() << "\n";
        return 0;
    }

    auto loop = std::make_shared<platform::RunLoop>();
    platform::setMainQueue(loop);
    if (const auto used = tools::useCatalogue(*catalogue); !used)
        return fail(options, used.error().detail);
    const auto session = DataManager::shared();
    session->setCurrency(options.currency);

    std::optional<std::string> failure;
    const auto step = [&](std::optional<std::string> text, bool nextPage) {
        bool done = false;
        session->loadAttractions(std::move(text), nextPage, [&](DataManager::Result result) {
            if (const auto* failed = std::get_if<DataManager::Failure>(&result))
                failure = failed->message;
            done = true;
        });
        // Each request's resourceTimeout is far shorter; a session that never completes is a
        // failure, not an empty list.
        if (!loop->runUntil([&] { return done; }, std::chrono::minutes(1)))
            failure = localized("error_message");
        return !failure;
    };
    session->resetSearch();
    if (!step(*options.text, false))
        return fail(options, *failure);
    // As the results screen: no request after didFinishLoading().
    for (int page = 1; page < options.pages && !session->didFinishLoading(); ++page)
        if (!step(std::nullopt, true))
            return fail(options, *failure);

    if (options.covers) {
        std::size_t pending = session->attractions().size();
        for (const auto& record : session->attractions())
            record->loadCoverImage([&] { --pending; });
        // Covers still pending after this print as not loaded, as the list would show them.
        static_cast<void>(loop->runUntil([&] { return pending == 0; }, std::chrono::minutes(2)));
    }

    if (options.json)
        tools::writeJson(std::cout, *session);
    else
        tools::writeTable(std::cout, *session);
    return 0;
}
