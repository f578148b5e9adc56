#include "catalogue_fixture.h"

#include <gtest/gtest.h>


namespace wayfarer {
namespace {

using namespace std::chrono_literals;
using testing::Answer;
using testing::recordJson;

struct Outcome {
    bool success = false;
    std::vector<std::string> uuids;
    std::optional<platform::ErrorCode> error;
};

class DataTaskManagerTest : public testing::CatalogueFixture {
protected:
    Outcome search(DataTaskManager& manager, std::string_view text = "rome",
                   Attraction::Currency currency = Attraction::Currency::USD) {
        const auto result = testing::searchOnce(manager, mainLoop, text, currency);
        Outcome outcome;
        if (const auto* success = std::get_if<DataTaskManager::Success>(&result)) {
            outcome.success = true;
            EXPECT_TRUE(success->attractions) << "the transport always delivers a list";
            for (const auto& record : success->attractions.value_or(std::vector<std::shared_ptr<Attraction>>{}))
                outcome.uuids.push_back(record->uuid);
        } else if (const auto& error = std::get<DataTaskManager::Failure>(result).error) {
            outcome.error = error->code;
        }
        return outcome;
    }
};

TEST_F(DataTaskManagerTest, ReadsEveryShapeOfAnswer) {
    const std::string r1 = recordJson("a"), r2 = recordJson("b"), r3 = recordJson("c");
    const std::string wide = "123456789012345678901234567890";
    const struct {
        const char* name;
        Answer answer;
        bool success;
        std::vector<std::string> uuids;
        std::optional<platform::ErrorCode> error;
        long long count;
    } cases[] = {
        {"three records", {200, R"({"meta": {"count": 57}, "data": [)" + r1 + "," + r2 + "," + r3 + "]}"},
         true, {"a", "b", "c"}, {}, 57},
        {"empty object", {200, "{}"}, true, {}, {}, 5},
        {"count as text", {200, R"({"meta": {"count": "57"}, "data": [)" + r1 + "]}"}, true, {"a"}, {}, 5},
        {"meta not an object", {200, R"({"meta": [57], "data": [)" + r1 + "]}"}, true, {"a"}, {}, 5},
        {"count not whole", {200, R"({"meta": {"count": 2.5}})"}, true, {}, {}, 5},
        {"a record without uuid is skipped",
         {200, R"({"data": [)" + r1 + R"(, {"uuid": "", "title": "x"}, )" + r3 + "]}"}, true, {"a", "c"}, {}, 5},
        {"a null element empties the list", {200, R"({"data": [)" + r1 + "," + r2 + ", null]}"}, true, {}, {}, 5},
        {"data not an array", {200, R"({"data": {"uuid": "a"}})"}, true, {}, {}, 5},
        {"repeated uuids are kept", {200, R"({"data": [)" + r1 + "," + r1 + "]}"}, true, {"a", "a"}, {}, 5},
        {"203 is still a page", {203, R"({"meta": {"count": 9}, "data": [)" + r1 + "]}"}, true, {"a"}, {}, 9},
        {"404 with a JSON error", {404, R"({"error": "not found"})"}, false, {}, platform::ErrorCode::badServerResponse, 5},
        {"503 with a page-shaped body",
         {503, R"({"message": "overloaded", "meta": {"count": 99}, "data": [)" + r1 + "]}"},
         false, {}, platform::ErrorCode::badServerResponse, 5},
        {"300 is no page", {300, R"({"data": [)" + r1 + "]}"}, false, {}, platform::ErrorCode::badServerResponse, 5},
        {"top-level array", {200, "[" + r1 + "]"}, false, {}, {}, 5},
        {"HTML error page", {500, "<html><body>Oops</body></html>", "text/html"}, false, {}, platform::ErrorCode::badServerResponse, 5},
        {"HTML under 200", {200, "<html><body>Oops</body></html>", "text/html"}, false, {}, platform::ErrorCode::cannotParse, 5},
        {"truncated JSON", {200, R"({"data": [)" + r1}, false, {}, platform::ErrorCode::cannotParse, 5},
        {"invalid UTF-8", {200, "{\"data\": [], \"x\": \"\xC3\x28\"}"}, false, {}, platform::ErrorCode::cannotParse, 5},
        {"wide integers in members never read",
         {200, R"({"meta": {"count": 12, "request_id": )" + wide + R"(}, "data": [{"uuid": "a", "legacy_id": )" + wide +
                   R"(}, )" + r2 + "]}"},
         true, {"a", "b"}, {}, 12},
        {"over the cap", {200, "[\"" + std::string(DataTaskManager::maxAnswerSize, 'x') + "\"]"},
         false, {}, platform::ErrorCode::tooLarge, 5},
    };
    for (const auto& row : cases) {
        auto manager = makeTaskManager();
        answerWith([](const testing::SeenRequest&) { return Answer{200, R"({"meta": {"count": 5}})"}; });
        search(*manager);
        ASSERT_EQ(manager->count(), 5);
        answerWith([&](const testing::SeenRequest&) { return row.answer; });
        const auto outcome = search(*manager);
        EXPECT_EQ(std::tuple(outcome.success, outcome.uuids, outcome.error, manager->count()),
                  std::tuple(row.success, row.uuids, row.error, std::int64_t{row.count})) << row.name;
    }
}

TEST_F(DataTaskManagerTest, SendsTheThreeHeadersAndNothingForARefusedText) {
    auto manager = makeTaskManager();
    bool refusedAtOnce = false;
    manager->fetchAttractions("ab", Attraction::Currency::USD, 0, [&](DataTaskManager::Result result) {
        const auto* failure = std::get_if<DataTaskManager::Failure>(&result);
        refusedAtOnce = failure && !failure->error;
    });
    EXPECT_TRUE(refusedAtOnce) << "a refused text fails without an error, before fetchAttractions returns";
    EXPECT_EQ(manager->dataTask(), nullptr);
    language = "it";
    search(*manager, "rome", Attraction::Currency::EUR);
    language = std::nullopt;
    search(*manager, "st peter", Attraction::Currency::USD);
    EXPECT_EQ(seenRequests(), (std::vector<testing::SeenRequest>{{"rome", "0", "it", "EUR", "application/json"},
                                                                 {"st peter", "0", "en-US", "USD", "application/json"}}));
}

TEST_F(DataTaskManagerTest, TransportFailuresCarryThePlatformError) {
    // Answered after 1.5 s, within the client's own default: only the configured timeout ends it.
    answerWith([](const testing::SeenRequest&) { return Answer{200, "{}", "application/json", 1500ms}; });
    EXPECT_EQ(search(*makeTaskManager(300ms)).error, platform::ErrorCode::timedOut);
}

}
}
