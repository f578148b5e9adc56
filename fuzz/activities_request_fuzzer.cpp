// Any activities request to the local catalogue, without a socket: the first line of
// the input is the query string as it travels (percent-encoded), the second the
// "x-lorvanta-currency" header, the third "accept-language". The query is decoded by the
// server library's own parser, then handled as the server handles it. The answer is a
// 200 with a page of the demo catalogue that the client reads back record for record, or
// a 4xx with a JSON error body; never anything else.

#include "fuzz_check.h"

#include "catalogue/data_task_manager.h"
#include "service/activities_answer.h"
#include "service/activity_catalogue.h"
#include "service/search_index.h"

#include <httplib.h>
#include <simdjson.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace {

using namespace wayfarer;

constexpr std::string_view baseURL = "https://127.0.0.1:8443";

const service::SearchIndex& demoIndex() {
    static const service::SearchIndex index(service::embeddedCatalogue());
    return index;
}

DataTaskManager& transport() {
    static const auto manager = std::make_shared<DataTaskManager>(DataTaskManager::Configuration{
        .baseURL = std::string(baseURL),
        .context = CatalogueContext{},
        .languageCode = [] { return std::optional<std::string>(); },
    });
    return *manager;
}

std::string_view nextLine(std::string_view& input) {
    const std::size_t newline = input.find('\n');
    const std::string_view line = input.substr(0, newline);
    input = newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1);
    return line;
}

bool isString(simdjson::dom::element object, std::string_view key) {
    return object.at_key(key).is_string();
}

void checkRefusal(int status, simdjson::dom::element root) {
    FUZZ_CHECK(status >= 400 && status < 500);
    std::int64_t reported = 0;
    FUZZ_CHECK(root.at_key("error").at_key("status").get_int64().get(reported) == simdjson::SUCCESS);
    FUZZ_CHECK(reported == status);
    FUZZ_CHECK(root.at_key("error").at_key("message").is_string());
}

void checkPage(const std::string& body, simdjson::dom::element root) {
    std::uint64_t count = 0, offset = 0, limit = 0;
    FUZZ_CHECK(root.at_key("meta").at_key("count").get_uint64().get(count) == simdjson::SUCCESS);
    FUZZ_CHECK(root.at_key("meta").at_key("offset").get_uint64().get(offset) == simdjson::SUCCESS);
    FUZZ_CHECK(root.at_key("meta").at_key("limit").get_uint64().get(limit) == simdjson::SUCCESS);
    simdjson::dom::array data;
    FUZZ_CHECK(root.at_key("data").get_array().get(data) == simdjson::SUCCESS);
    FUZZ_CHECK(limit >= 1 && limit <= 100 && count <= service::embeddedCatalogue().activities.size());

    // Page `offset` holds records offset × limit to offset × limit + limit − 1.
    const std::uint64_t first = offset > count / limit ? count : std::min(count, offset * limit);
    FUZZ_CHECK(data.size() == std::min<std::uint64_t>(limit, count - first));
    for (simdjson::dom::element record : data) {
        for (const char* key : {"uuid", "title", "city", "country", "category"})
            FUZZ_CHECK(isString(record, key));
        simdjson::dom::element price;
        if (record.at_key("retail_price").get(price) == simdjson::SUCCESS)
            FUZZ_CHECK(isString(price, "formatted_value") && isString(price, "currency"));
        std::string_view cover;
        if (record.at_key("cover_image_url").get_string().get(cover) == simdjson::SUCCESS)
            FUZZ_CHECK(cover.starts_with(std::string(baseURL) + "/covers/") && platform::URL::parse(cover));
    }

    // The client reads every record of the page and the total.
    std::string received = platform::makeJsonBuffer(body.size());
    received.append(body);
    int completions = 0;
    transport().parseAttractions(platform::HttpResponse{200, std::move(received)}, [&](DataTaskManager::Result result) {
        ++completions;
        const auto* success = std::get_if<DataTaskManager::Success>(&result);
        FUZZ_CHECK(success && success->attractions && success->attractions->size() == data.size());
        FUZZ_CHECK(success->count == static_cast<std::int64_t>(count));
        for (const auto& attraction : *success->attractions)
            FUZZ_CHECK(attraction->title && attraction->coverURL.has_value() != attraction->didLoadImage);
    });
    FUZZ_CHECK(completions == 1);
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string query(nextLine(input));
    const std::string_view currency = nextLine(input);
    const std::string_view language = nextLine(input);

    service::QueryItems items;
    httplib::detail::parse_query_text(query, items);
    const auto answer = service::answerActivitiesRequest(service::embeddedCatalogue(), demoIndex(), items, currency,
                                                         language, baseURL);

    simdjson::dom::parser parser;
    simdjson::dom::element root;
    FUZZ_CHECK(parser.parse(answer.body).get(root) == simdjson::SUCCESS && root.is_object());
    if (answer.status == 200)
        checkPage(answer.body, root);
    else
        checkRefusal(answer.status, root);
    return 0;
}
