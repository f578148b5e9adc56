#include "catalogue_fixture.h"

#include <gtest/gtest.h>

#include <utility>

namespace wayfarer {
namespace {

using testing::Answer;
using testing::Gate;
using testing::pageJson;

std::vector<std::string> uuidsFrom(int first, int count, const std::string& prefix = "r") {
    std::vector<std::string> uuids;
    for (int i = first; i < first + count; ++i)
        uuids.push_back(prefix + std::to_string(i));
    return uuids;
}

class DataManagerTest : public testing::CatalogueFixture {
protected:
    void SetUp() override {
        CatalogueFixture::SetUp();
        session = std::make_shared<DataManager>(makeTaskManager(), mainLoop);
    }

    // Loads and waits for the completion; returns the failure message, or nothing on success.
    std::optional<std::string> load(std::optional<std::string> text, bool nextPage) {
        // Shared with the completion, which a later wait may still run after this one gave up.
        const auto result = std::make_shared<std::optional<DataManager::Result>>();
        session->loadAttractions(std::move(text), nextPage, [result](DataManager::Result r) { *result = std::move(r); });
        if (!runUntil([&] { return result->has_value(); }))
            return "no completion";  // which no caller expects
        if (const auto* failure = std::get_if<DataManager::Failure>(&**result))
            return failure->message;
        return std::nullopt;
    }

    std::vector<std::string> heldUuids() const {
        std::vector<std::string> uuids;
        for (const auto& record : session->attractions())
            uuids.push_back(record->uuid);
        return uuids;
    }

    std::shared_ptr<DataManager> session;
};

TEST_F(DataManagerTest, MergesWithoutDuplicatesAndDetectsTheEnd) {
    // A count below zero: the answer's "meta" carries none.
    const struct {
        const char* name;
        std::vector<std::string> held;
        long long heldCount;
        std::vector<std::string> answer;
        long long answerCount;
        std::vector<std::string> expected;
        bool didFinishLoading;
    } cases[] = {
        {"first page", {}, 0, uuidsFrom(0, 10), 57, uuidsFrom(0, 10), false},
        {"one new among nine held", uuidsFrom(0, 10), 57, uuidsFrom(1, 10), 57, uuidsFrom(0, 11), false},
        {"all held and the total reached", uuidsFrom(0, 25), 25, uuidsFrom(16, 9), 25, uuidsFrom(0, 25), true},
        {"all held below the total", uuidsFrom(0, 25), 30, uuidsFrom(16, 9), 30, uuidsFrom(0, 25), false},
        {"all held, the total of the page before", uuidsFrom(0, 25), 25, uuidsFrom(16, 9), -1, uuidsFrom(0, 25), true},
        {"all held, a lower total of its own", uuidsFrom(0, 25), 30, uuidsFrom(16, 9), 20, uuidsFrom(0, 25), true},
        {"empty page after the whole total", uuidsFrom(0, 5), 5, {}, 5, uuidsFrom(0, 5), true},
        {"empty page below the total", uuidsFrom(0, 5), 8, {}, 8, uuidsFrom(0, 5), false},
        {"empty page, the total of the page before", uuidsFrom(0, 5), 5, {}, -1, uuidsFrom(0, 5), true},
        {"no match at all", {}, 0, {}, 0, {}, true},
        {"a repeat inside one answer", {}, 0, {"x", "y", "x"}, 9, {"x", "y"}, false},
    };
    // One session throughout: after resetSearch it must behave as a new one.
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        // Pages are numbered, not records: the next page of "rome" is offset 1.
        answerWith([&](const testing::SeenRequest& seen) {
            if (seen.text != "rome" || (seen.offset != "0" && seen.offset != "1"))
                return Answer{500, "<html></html>", "text/html"};
            return Answer{200, seen.offset == "0" ? pageJson(row.held, row.heldCount)
                                                  : pageJson(row.answer, row.answerCount)};
        });
        if (!row.held.empty()) {
            ASSERT_EQ(load("rome", false), std::nullopt);
            session->attractions()[0]->userDidLike = true;
            ASSERT_EQ(load(std::nullopt, true), std::nullopt);
            EXPECT_TRUE(session->attractions()[0]->userDidLike) << "a held record is kept, not replaced";
        } else {
            ASSERT_EQ(load("rome", true), std::nullopt);
        }
        EXPECT_EQ(heldUuids(), row.expected);
        EXPECT_EQ(session->didFinishLoading(), row.didFinishLoading);
        session->resetSearch();
        EXPECT_TRUE(session->attractions().empty());
        EXPECT_FALSE(session->didFinishLoading());
    }
}

TEST_F(DataManagerTest, EveryFailureBecomesAMessageReadyToShow) {
    const std::string refused =
        "We couldn't search for that. Use at least three letters or digits, without punctuation or accents.";
    const struct { const char* name; std::optional<std::string> text; Answer answer; std::string message; } cases[] = {
        {"refused text", "rome!", {}, refused},
        {"HTML", "rome", {200, "<html></html>", "text/html"}, "The data couldn't be read because it isn't in the correct format."},
        {"HTML under 500", "rome", {500, "<html></html>", "text/html"}, "bad server response"},
        {"array", "rome", {200, "[]"}, refused},
    };
    for (const auto& row : cases) {
        answerWith([&](const testing::SeenRequest&) { return row.answer; });
        session->resetSearch();
        EXPECT_EQ(load(row.text, false), row.message) << row.name;
    }
    // A full page, then an overloaded service: its JSON body must not read as the empty page that ends the list.
    answerWith([](const testing::SeenRequest& seen) {
        return seen.offset == "0" ? Answer{200, pageJson(uuidsFrom(0, 10), 10)}
                                  : Answer{503, R"({"message": "overloaded", "meta": {"count": 10}, "data": []})"};
    });
    session->resetSearch();
    ASSERT_EQ(load("rome", false), std::nullopt);
    EXPECT_EQ(load(std::nullopt, true), "bad server response");
    EXPECT_EQ(heldUuids(), uuidsFrom(0, 10));
    EXPECT_FALSE(session->didFinishLoading());
    session->resetSearch();
    bool ranAtOnce = false;
    session->loadAttractions(std::nullopt, true, [&](DataManager::Result result) {
        ranAtOnce = true;
        EXPECT_EQ(std::get<DataManager::Failure>(result).message, "Type what you are looking for first.");
    });
    EXPECT_TRUE(ranAtOnce) << "no text fails before returning";
    EXPECT_EQ(session->offsetPage(), 1) << "the raised offset is not lowered again";
}

TEST_F(DataManagerTest, AnAnswerToAReplacedSearchChangesNeitherTheListNorTheTotal) {
    // "rom" is answered only once "rome" has been, with a total that would end "rome".
    Gate romGate;
    answerWith([romReleased = romGate.opened](const testing::SeenRequest& seen) {
        if (seen.text == "rom") {
            romReleased.wait();
            return Answer{200, pageJson(uuidsFrom(0, 10, "rom-"), 5)};
        }
        return Answer{200, seen.offset == "0" ? pageJson(uuidsFrom(0, 10, "rome-"), 20) : pageJson({}, -1)};
    });
    int romCompletions = 0;
    session->resetSearch();
    session->loadAttractions("rom", false, [&](DataManager::Result) { ++romCompletions; });
    session->resetSearch();
    ASSERT_EQ(load("rome", false), std::nullopt);
    romGate.open();
    ASSERT_TRUE(runUntil([&] { return romCompletions == 1; }));
    EXPECT_EQ(heldUuids(), uuidsFrom(0, 10, "rome-"));
    EXPECT_EQ(session->count(), 20);
    // The empty page of "rome" carries no total: its own first page's total decides.
    ASSERT_EQ(load(std::nullopt, true), std::nullopt);
    EXPECT_FALSE(session->didFinishLoading());
}

TEST_F(DataManagerTest, CancelSearchClearsTheSessionAndTheAnswerReportsTheCancellation) {
    Gate gate;
    answerWith([opened = gate.opened](const testing::SeenRequest& seen) {
        if (seen.text == "held")
            opened.wait();
        return Answer{200, pageJson({"a"}, 1)};
    });
    ASSERT_EQ(load("rome", false), std::nullopt);
    std::optional<DataManager::Result> result;
    session->loadAttractions("held", false, [&](DataManager::Result r) { result = std::move(r); });
    session->cancelSearch();
    EXPECT_TRUE(session->attractions().empty());
    EXPECT_EQ(session->textToSearch(), "");
    session->cancelSearch();
    session.reset();  // the answer still comes, with the session and its transport gone
    ASSERT_TRUE(runUntil([&] { return result.has_value(); }));
    EXPECT_EQ(std::get<DataManager::Failure>(*result).message, "cancelled");
}

}
}
