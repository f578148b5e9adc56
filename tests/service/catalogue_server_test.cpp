#include "service/catalogue_server.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <simdjson.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <set>

namespace wayfarer::service {
namespace {

using namespace std::chrono_literals;

std::unique_ptr<CatalogueServer> startServer(ServerOptions options) {
    auto server = CatalogueServer::start(std::move(options));
    EXPECT_TRUE(server.ok()) << server.error().detail;
    return server ? std::move(*server) : nullptr;
}

ServerOptions plain(std::chrono::milliseconds latency = {}) {
    ServerOptions options;
    options.plainHttp = true;
    options.latency = latency;
    return options;
}

// The path and query of the address the application sends for a text and an offset.
std::string activitiesPath(const std::string& text, int offset, int limit = 10) {
    return "/api/v3/activities?text=" + text +
           "&text_operator=AND&extend_other_languages=YES&extend_content_fields=AUTO&fuzziness_level=AUTO"
           "&zero_terms_query=NONE&sort_by=relevance&limit=" + std::to_string(limit) + "&offset=" + std::to_string(offset);
}

httplib::Headers headers(const char* currency = "USD", const char* language = "en") {
    return {{"accept", "application/json"}, {"accept-language", language}, {"x-lorvanta-currency", currency}};
}

// The records of an answer body; a failed test when it has none.
simdjson::dom::array records(simdjson::dom::parser& parser, const std::string& body) {
    simdjson::dom::array data;
    EXPECT_EQ(parser.parse(body)["data"].get_array().get(data), simdjson::SUCCESS) << body;
    return data;
}

std::vector<std::string> uuids(const std::string& body) {
    simdjson::dom::parser parser;
    std::vector<std::string> result;
    for (simdjson::dom::element record : records(parser, body))
        result.emplace_back(std::string_view(record["uuid"].get_string().value()));
    return result;
}

// A plain-HTTP catalogue with a client of its own.
class CatalogueServerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server); }
    std::unique_ptr<CatalogueServer> server = startServer(plain());
    httplib::Client client{server ? server->baseURL() : "http://127.0.0.1:9"};
};

TEST(CatalogueServer, TlsClientsGetThroughOnlyWhenTheyTrustTheCertificate) {
    auto server = startServer({});
    auto other = startServer({});
    ASSERT_TRUE(server && other);
    ASSERT_EQ(server->baseURL().rfind("https://127.0.0.1:", 0), 0u);
    char path[] = "/tmp/wayfarer-cert-XXXXXX";
    close(mkstemp(path));
    // Whether a client trusting only the certificate `pem` reads an answer.
    const auto getsThrough = [&](const std::string& pem) {
        std::ofstream(path) << pem;
        httplib::Client client(server->baseURL());
        client.set_ca_cert_path(path);
        client.enable_server_certificate_verification(true);
        const auto answer = client.Get(activitiesPath("rome", 0), headers());
        return answer && answer->status == 200 && uuids(answer->body).size() == 10;
    };
    EXPECT_TRUE(getsThrough(server->certificatePem()));
    EXPECT_FALSE(getsThrough(other->certificatePem())) << "another server's certificate does not open this one";
    std::remove(path);
}

TEST_F(CatalogueServerTest, AnswersWithRecordsInTheClientsShapeAndStableJpegCovers) {
    auto other = startServer(plain());
    ASSERT_TRUE(other);
    // The Louvre ticket of the demo catalogue costs 17 euros.
    const struct { const char* currency; const char* language; const char* price; } cases[] = {
        {"USD", "en", "$18.36"}, {"EUR", "it", "17,00\u00A0€"}, {"USD", "de-DE", "18,36\u00A0$"}, {"EUR", "fr", "17,00\u202F€"},
    };
    std::string path;
    for (const auto& row : cases) {
        SCOPED_TRACE(row.language);
        const auto answer = client.Get(activitiesPath("louvre%20museum", 0, 1), headers(row.currency, row.language));
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->get_header_value("Content-Type"), "application/json");
        simdjson::dom::parser parser;
        const auto louvre = records(parser, answer->body).at(0);
        for (const char* key : {"uuid", "title", "description", "operational_days", "city", "country", "category"})
            EXPECT_TRUE(louvre[key].is_string()) << key;
        EXPECT_TRUE(louvre["retail_price"]["value"].is_number());
        EXPECT_EQ(std::string_view(louvre["retail_price"]["currency"]), row.currency);
        EXPECT_EQ(std::string_view(louvre["retail_price"]["formatted_value"]), row.price);
        const std::string_view url = louvre["cover_image_url"];
        ASSERT_TRUE(url.starts_with(server->baseURL() + "/covers/")) << url;
        path = url.substr(server->baseURL().size());
    }
    const auto cover = client.Get(path);
    ASSERT_TRUE(cover);
    EXPECT_EQ(cover->status, 200);
    EXPECT_EQ(cover->get_header_value("Content-Type"), "image/jpeg");
    EXPECT_NE(cover->get_header_value("Cache-Control").find("max-age"), std::string::npos);
    EXPECT_GT(cover->body.size(), 10'000u) << "a blank picture compresses to almost nothing";
    const std::string etag = cover->get_header_value("ETag");
    EXPECT_FALSE(etag.empty());
    const auto again = httplib::Client(other->baseURL()).Get(path);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->body, cover->body) << "another server renders the very same bytes";
    EXPECT_EQ(again->get_header_value("ETag"), etag);
    const auto unchanged = client.Get(path, {{"If-None-Match", etag}});
    ASSERT_TRUE(unchanged);
    EXPECT_EQ(unchanged->status, 304);
    const auto head = client.Head(path);
    ASSERT_TRUE(head);
    EXPECT_EQ(head->status, 200);
}

TEST_F(CatalogueServerTest, CompressesAnswersForClientsThatAskAndLeavesCoversAsTheyAre) {
    const auto asking = [&](const std::string& path, const char* encoding) {
        auto with = headers();
        with.emplace("Accept-Encoding", encoding);
        return client.Get(path, with);
    };
    const auto whole = asking(activitiesPath("rome", 0), "identity");
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->get_header_value("Content-Encoding"), "");
    ASSERT_EQ(uuids(whole->body).size(), 10u);
    const std::string cover = "/covers/" + uuids(whole->body).front() + ".jpg";
    for (const char* encoding : {"gzip", "br", "deflate, gzip, br, zstd"}) {
        SCOPED_TRACE(encoding);
        const auto answer = asking(activitiesPath("rome", 0), encoding);
        ASSERT_TRUE(answer);
        EXPECT_NE(std::string(encoding).find(answer->get_header_value("Content-Encoding")), std::string::npos);
        EXPECT_NE(answer->get_header_value("Vary").find("Accept-Encoding"), std::string::npos);
        EXPECT_LT(std::stoul(answer->get_header_value("Content-Length")), whole->body.size() / 2);
        EXPECT_EQ(uuids(answer->body), uuids(whole->body)) << "the same answer, decoded";
        const auto picture = asking(cover, encoding);
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->get_header_value("Content-Encoding"), "") << "a JPEG gains nothing from it";
    }
}

TEST(CatalogueServer, CoverAddressesNameThePublicAddressOrATrustedFrontsForwardedOne) {
    const auto withPublic = [](std::string url, bool trust) {
        ServerOptions options = plain();
        options.publicURL = std::move(url);
        options.trustForwardedHeaders = trust;
        return options;
    };
    const httplib::Headers forwarded{{"X-Forwarded-Proto", "https"}, {"X-Forwarded-Host", "front.example:8443, inner"}};
    const httplib::Headers hostile{{"X-Forwarded-Proto", "https"}, {"X-Forwarded-Host", "evil.example/x?"}};
    const struct {
        const char* name;
        ServerOptions options;
        httplib::Headers sent;
        std::string base;  // empty: the server's own base address
    } cases[] = {
        {"own address", plain(), forwarded, ""},
        {"public address", withPublic("https://front.example/catalogue/", false), forwarded,
         "https://front.example/catalogue"},
        {"forwarded, trusted", withPublic("", true), forwarded, "https://front.example:8443"},
        {"forwarded, trusted, over the public address", withPublic("https://public.example", true), forwarded,
         "https://front.example:8443"},
        {"trusted, nothing forwarded", withPublic("https://public.example", true), {}, "https://public.example"},
        {"trusted, a host that is no host", withPublic("", true), hostile, ""},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        auto server = startServer(row.options);
        ASSERT_TRUE(server);
        auto sent = headers();
        sent.insert(row.sent.begin(), row.sent.end());
        const auto answer = httplib::Client(server->baseURL()).Get(activitiesPath("colosseum", 0, 1), sent);
        ASSERT_TRUE(answer);
        simdjson::dom::parser parser;
        const std::string_view url = records(parser, answer->body).at(0)["cover_image_url"];
        const std::string base = row.base.empty() ? server->baseURL() : row.base;
        EXPECT_EQ(url.substr(0, url.rfind("/covers/")), base);
    }
    EXPECT_FALSE(CatalogueServer::start(withPublic("ftp://front.example", false)).ok());
}

TEST_F(CatalogueServerTest, ListensWithABacklogForAFrontsBurstOfConnections) {
    // A front's burst of connections overflowing the backlog drops SYNs, a second each. ss
    // reports a listener's backlog as its Send-Q.
    const std::string command = "ss -Hltn 'sport = :" + std::to_string(server->port()) + "'";
    FILE* ss = popen(command.c_str(), "r");
    ASSERT_NE(ss, nullptr);
    char state[32] = {};
    unsigned receiveQueue = 0, backlog = 0;
    const int read = std::fscanf(ss, "%31s %u %u", state, &receiveQueue, &backlog);
    pclose(ss);
    ASSERT_EQ(read, 3) << command;
    EXPECT_GE(backlog, 128u);
}

TEST_F(CatalogueServerTest, NumbersPagesNotRecords) {
    const auto whole = client.Get(activitiesPath("paris", 0, 12), headers());
    ASSERT_TRUE(whole);
    const auto ranked = uuids(whole->body);
    ASSERT_EQ(ranked.size(), 12u);
    // Page k of limit 4 holds records 4k to 4k + 3 of the ranked list.
    for (int page = 0; page < 3; ++page) {
        const auto answer = client.Get(activitiesPath("paris", page, 4), headers());
        ASSERT_TRUE(answer);
        EXPECT_EQ(uuids(answer->body), std::vector(ranked.begin() + 4 * page, ranked.begin() + 4 * page + 4)) << page;
    }
    // Past the end, also where offset × limit would not fit a machine word: no records.
    for (const char* offset : {"1000", "999999999999999999"}) {
        const auto answer = client.Get("/api/v3/activities?text=paris&limit=100&offset=" + std::string(offset), headers());
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->status, 200) << offset;
        EXPECT_TRUE(uuids(answer->body).empty()) << offset;
    }
}

TEST(CatalogueServer, RefusesBadRequestsWithJsonErrorsAfterTheLatency) {
    const auto latency = 20ms;
    auto server = startServer(plain(latency));
    ASSERT_TRUE(server);
    httplib::Client client(server->baseURL());
    std::string withoutCover;
    for (const auto& activity : embeddedCatalogue().activities)
        if (!activity.hasCover && withoutCover.empty())
            withoutCover = activity.uuid;
    ASSERT_FALSE(withoutCover.empty());
    const auto before = std::chrono::steady_clock::now();
    const struct {
        std::string what;
        httplib::Result answer;
        int status;
    } cases[] = {
        {"/nowhere", client.Get("/nowhere", headers()), 404},
        {"extra segment", client.Get("/api/v3/activities/extra", headers()), 404},
        {"unknown cover", client.Get("/covers/no-such-record.jpg"), 404},
        {"record without cover", client.Get("/covers/" + withoutCover + ".jpg"), 404},
        {"limit 0", client.Get(activitiesPath("rome", 0, 0), headers()), 400},
        {"offset two", client.Get("/api/v3/activities?text=rome&offset=two", headers()), 400},
        {"GBP", client.Get(activitiesPath("rome", 0), headers("GBP")), 400},
        {"long address", client.Get("/api/v3/activities?text=" + std::string(9000, 'a'), headers()), 414},
        {"POST", client.Post("/api/v3/activities", "{}", "application/json"), 405},
        {"DELETE", client.Delete("/api/v3/activities"), 405},
        {"PUT", client.Put("/covers/x.jpg", "", "image/jpeg"), 405},
        {"still answering after all that", client.Get(activitiesPath("rome", 0), headers()), 200},
    };
    // All but the long address, which the HTTP library refuses before any handler runs.
    EXPECT_GE(std::chrono::steady_clock::now() - before, (std::size(cases) - 1) * latency) << "refusals wait too";
    for (const auto& row : cases) {
        SCOPED_TRACE(row.what);
        ASSERT_TRUE(row.answer);
        EXPECT_EQ(row.answer->status, row.status);
        if (row.status == 200)
            continue;
        simdjson::dom::parser parser;
        simdjson::dom::element root;
        ASSERT_EQ(parser.parse(row.answer->body).get(root), simdjson::SUCCESS) << row.answer->body;
        EXPECT_EQ(root["error"]["status"].get_int64().value(), row.status);
        EXPECT_TRUE(root["error"]["message"].is_string());
    }
}

TEST(CatalogueServer, InjectsRepeatableFailures) {
    // Every rate above zero gives both a 500 answer and a reset connection, over TLS too.
    const struct { bool plainHttp; double failRate; std::uint64_t seed; int requests; std::set<int> kinds; } cases[] = {
        {true, 1.0, 3, 16, {0, 500}}, {false, 1.0, 5, 12, {0, 500}}, {true, 0.5, 11, 16, {0, 200, 500}},
    };
    for (const auto& row : cases) {
        ServerOptions options;
        options.plainHttp = row.plainHttp;
        options.failRate = row.failRate;
        options.seed = row.seed;
        // What a client saw of each request, from two servers alike: a status, or 0 for a failed connection.
        std::vector<int> seen[2];
        for (auto& run : seen) {
            const auto server = startServer(options);
            for (int i = 0; server && i < row.requests; ++i) {
                httplib::Client client(server->baseURL());
                client.enable_server_certificate_verification(false);
                const auto answer = client.Get(activitiesPath("rome", 0), headers());
                run.push_back(answer ? answer->status : 0);
                if (answer && answer->status == 500) {
                    EXPECT_EQ(answer->get_header_value("Content-Type"), "text/html") << answer->body;
                }
            }
        }
        EXPECT_EQ(std::set<int>(seen[0].begin(), seen[0].end()), row.kinds) << row.seed;
        EXPECT_EQ(seen[1], seen[0]) << "the same seed fails the same requests";
    }
}

TEST_F(CatalogueServerTest, RefusesImpossibleOptions) {
    const struct {
        ServerOptions options;
        const char* fragment;
    } cases[] = {
        {[] { ServerOptions o; o.port = 70000; return o; }(), "port"},
        {[] { ServerOptions o; o.failRate = 1.5; return o; }(), "failure rate"},
        {[] { ServerOptions o; o.host = "192.0.2.1"; return o; }(), "cannot listen"},
        {[] { ServerOptions o; o.catalogue = std::make_shared<ActivityCatalogue>(); return o; }(), "no activities"},
        // A port that is taken is reported, not stolen.
        {[&] { ServerOptions o = plain(); o.port = server->port(); return o; }(), "cannot listen"},
    };
    for (const auto& c : cases) {
        const auto started = CatalogueServer::start(c.options);
        ASSERT_FALSE(started.ok()) << c.fragment;
        EXPECT_NE(started.error().detail.find(c.fragment), std::string::npos) << started.error().detail;
    }
}

}
}
