// An answer body of the catalogue service, read by the transport into records and a
// total, as the HTTP client hands it over (with JSON padding) and as a plain string.
// Both readings must agree, and each record must keep the reading rules of the record
// checked here against simdjson's own view of the same bytes.

#include "fuzz_check.h"

#include "catalogue/data_task_manager.h"
#include "platform/json.h"

#include <simdjson.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace wayfarer;

struct Record {
    std::string uuid;
    std::optional<std::string> title, description, coverURL, price, operationalDays;
    bool didLoadImage = false;
    friend bool operator==(const Record&, const Record&) = default;
};

struct Outcome {
    enum class Kind { success, failureWithError, failureWithoutError } kind{};
    std::vector<Record> records;
    std::optional<std::int64_t> count;
    friend bool operator==(const Outcome&, const Outcome&) = default;
};

DataTaskManager& transport() {
    static const auto manager = std::make_shared<DataTaskManager>(DataTaskManager::Configuration{
        .baseURL = "https://catalogue.invalid",
        .context = CatalogueContext{},
        .languageCode = [] { return std::optional<std::string>(); },
    });
    return *manager;
}

Outcome read(std::string body) {
    Outcome outcome;
    int completions = 0;
    transport().parseAttractions(platform::HttpResponse{200, std::move(body)}, [&](DataTaskManager::Result result) {
        ++completions;
        if (const auto* failure = std::get_if<DataTaskManager::Failure>(&result)) {
            outcome.kind = failure->error ? Outcome::Kind::failureWithError : Outcome::Kind::failureWithoutError;
            if (failure->error)
                FUZZ_CHECK(failure->error->code == platform::ErrorCode::cannotParse);
            return;
        }
        auto& success = std::get<DataTaskManager::Success>(result);
        FUZZ_CHECK(success.attractions.has_value());
        outcome.kind = Outcome::Kind::success;
        outcome.count = success.count;
        for (const auto& attraction : *success.attractions) {
            FUZZ_CHECK(attraction != nullptr);
            FUZZ_CHECK(!attraction->uuid.empty());
            FUZZ_CHECK(!attraction->userDidLike && attraction->coverImg == nullptr);
            // A cover address that parsed is one still to fetch.
            FUZZ_CHECK(!attraction->coverURL || !attraction->didLoadImage);
            const auto text = [](const auto& field) -> std::optional<std::string> {
                return field ? std::optional<std::string>(std::string(*field)) : std::nullopt;
            };
            outcome.records.push_back({std::string(attraction->uuid), text(attraction->title),
                                       text(attraction->description),
                                       attraction->coverURL ? std::optional(std::string(attraction->coverURL->string()))
                                                            : std::nullopt,
                                       text(attraction->price), text(attraction->operationalDays),
                                       attraction->didLoadImage});
        }
    });
    FUZZ_CHECK(completions == 1);
    if (outcome.count)
        FUZZ_CHECK(transport().count() == *outcome.count);
    return outcome;
}

std::optional<std::string> stringAt(simdjson::dom::element object, std::string_view key) {
    std::string_view text;
    if (object.at_key(key).get_string().get(text) != simdjson::SUCCESS)
        return std::nullopt;
    return std::string(text);
}

// What the rules of the record and of the answer give for a document simdjson reads.
void checkAgainstDocument(simdjson::dom::element root, const Outcome& outcome) {
    // The reader takes no bare values at the top; an array is JSON but no answer.
    if (!root.is_object()) {
        FUZZ_CHECK(outcome.kind == (root.is_array() ? Outcome::Kind::failureWithoutError
                                                    : Outcome::Kind::failureWithError));
        return;
    }
    FUZZ_CHECK(outcome.kind == Outcome::Kind::success);
    simdjson::dom::element reported;
    if (root.at_key("meta").at_key("count").get(reported) == simdjson::SUCCESS) {
        if (reported.is_int64())
            FUZZ_CHECK(outcome.count == reported.get_int64().value_unsafe());
        else if (!reported.is_number())
            FUZZ_CHECK(!outcome.count);
    } else {
        FUZZ_CHECK(!outcome.count);
    }
    simdjson::dom::array data;
    if (root.at_key("data").get_array().get(data) != simdjson::SUCCESS) {
        FUZZ_CHECK(outcome.records.empty());
        return;
    }
    std::vector<Record> expected;
    for (simdjson::dom::element element : data) {
        simdjson::dom::object object;
        if (element.get_object().get(object) != simdjson::SUCCESS) {
            FUZZ_CHECK(outcome.records.empty());
            return;
        }
        const auto uuid = stringAt(element, "uuid");
        if (object.size() == 0 || !uuid || uuid->empty())
            continue;
        Record record{*uuid, stringAt(element, "title"), stringAt(element, "description"), std::nullopt,
                      std::nullopt, stringAt(element, "operational_days"), true};
        if (stringAt(element, "cover_image_url"))
            record.didLoadImage = false;
        simdjson::dom::element retailPrice;
        if (element.at_key("retail_price").get(retailPrice) == simdjson::SUCCESS && retailPrice.is_object())
            record.price = stringAt(retailPrice, "formatted_value");
        expected.push_back(std::move(record));
    }
    FUZZ_CHECK(expected.size() == outcome.records.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        // How strictly a cover address parses is the URL parser's business.
        expected[i].coverURL = outcome.records[i].coverURL;
        FUZZ_CHECK(expected[i] == outcome.records[i]);
    }
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    std::string padded = platform::makeJsonBuffer(size);
    padded.append(bytes);
    FUZZ_CHECK(platform::hasJsonPadding(padded));
    const Outcome inPlace = read(std::move(padded));

    std::string plain(bytes);
    plain.shrink_to_fit();
    if (!platform::hasJsonPadding(plain))
        FUZZ_CHECK(read(std::move(plain)) == inPlace);

    simdjson::dom::parser parser;
    simdjson::dom::element root;
    // A document simdjson refuses may still be JSON (an integer beyond 64 bits), which the
    // transport is free to read.
    if (parser.parse(bytes.data(), bytes.size()).get(root) == simdjson::SUCCESS)
        checkAgainstDocument(root, inPlace);
    return 0;
}
