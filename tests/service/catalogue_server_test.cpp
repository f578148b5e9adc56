#include "service/catalogue_server.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <simdjson.h>
#include <turbojpeg.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <set>

namespace wayfarer::service {
namespace {

std::unique_ptr<CatalogueServer> startServer(ServerOptions options = {}) {
    auto server = CatalogueServer::start(std::move(options));
    EXPECT_TRUE(server.ok()) << server.error().detail;
    return server ? std::move(*server) : nullptr;
}

ServerOptions plain() {
    ServerOptions options;
    options.plainHttp = true;
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

// A temporary file holding the server's certificate, for clients to trust.
struct CertificateFile {
    explicit CertificateFile(const std::string& pem) {
        char name[] = "/tmp/wayfarer-cert-XXXXXX";
        const int fd = mkstemp(name);
        path = name;
        close(fd);
        std::ofstream(path) << pem;
    }
    ~CertificateFile() { std::remove(path.c_str()); }
    std::string path;
};

std::vector<std::string> uuids(const std::string& body) {
    simdjson::dom::parser parser;
    std::vector<std::string> result;
    simdjson::dom::array records;
    EXPECT_EQ(parser.parse(body)["data"].get_array().get(records), simdjson::SUCCESS) << body;
    for (simdjson::dom::element record : records)
        result.emplace_back(std::string_view(record["uuid"].get_string().value()));
    return result;
}

TEST(CatalogueServer, TlsClientsGetThroughOnlyWhenTheyTrustTheCertificate) {
    auto server = startServer();
    ASSERT_TRUE(server);
    ASSERT_EQ(server->baseURL().rfind("https://127.0.0.1:", 0), 0u);
    ASSERT_EQ(server->certificatePem().rfind("-----BEGIN CERTIFICATE-----", 0), 0u);
    const CertificateFile certificate(server->certificatePem());

    httplib::Client trusting(server->baseURL());
    trusting.set_ca_cert_path(certificate.path.c_str());
    trusting.enable_server_certificate_verification(true);
    const auto answer = trusting.Get(activitiesPath("rome", 0), headers());
    ASSERT_TRUE(answer) << httplib::to_string(answer.error());
    EXPECT_EQ(answer->status, 200);
    EXPECT_EQ(uuids(answer->body).size(), 10u);

    httplib::Client stranger(server->baseURL());
    stranger.enable_server_certificate_verification(true);
    const auto refused = stranger.Get(activitiesPath("rome", 0), headers());
    EXPECT_FALSE(refused);
    EXPECT_EQ(refused.error(), httplib::Error::SSLServerVerification);

    // Another server's certificate does not open this one.
    auto other = startServer();
    ASSERT_TRUE(other);
    const CertificateFile otherCertificate(other->certificatePem());
    httplib::Client wrongTrust(server->baseURL());
    wrongTrust.set_ca_cert_path(otherCertificate.path.c_str());
    wrongTrust.enable_server_certificate_verification(true);
    EXPECT_FALSE(wrongTrust.Get(activitiesPath("rome", 0), headers()));
}

TEST(CatalogueServer, AnswersWithRecordsInTheClientsShape) {
    auto server = startServer(plain());
    ASSERT_TRUE(server);
    httplib::Client client(server->baseURL());
    const auto answer = client.Get(activitiesPath("colosseum", 0), headers());
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200);
    EXPECT_EQ(answer->get_header_value("Content-Type"), "application/json; charset=utf-8");
    simdjson::dom::parser parser;
    const auto root = parser.parse(answer->body).value();
    EXPECT_GE(root["meta"]["count"].get_int64().value(), 1);
    const auto first = root["data"].at(0).value();
    EXPECT_NE(std::string_view(first["title"].get_string().value()).find("Colosseum"), std::string_view::npos);
    EXPECT_EQ(std::string_view(first["cover_image_url"].get_string().value()).rfind(server->baseURL() + "/covers/", 0), 0u);
    for (const char* key : {"uuid", "description", "operational_days", "city", "country", "category"})
        EXPECT_TRUE(first[key].is_string()) << key;
    EXPECT_TRUE(first["retail_price"]["formatted_value"].is_string());
    EXPECT_TRUE(first["retail_price"]["value"].is_number());
    EXPECT_EQ(std::string_view(first["retail_price"]["currency"].get_string().value()), "USD");
}

TEST(CatalogueServer, FormatsPricesByCurrencyAndLanguage) {
    auto server = startServer(plain());
    ASSERT_TRUE(server);
    httplib::Client client(server->baseURL());
    const struct {
        const char* currency;
        const char* language;
        const char* prefix;
        const char* suffix;
    } cases[] = {
        {"USD", "en", "$", ""}, {"EUR", "en", "€", ""}, {"EUR", "it", "", ",00\u00A0€"},
        {"USD", "de-DE", "", "\u00A0$"}, {"EUR", "fr", "", "\u202F€"},
    };
    // The Louvre ticket of the demo catalogue costs a whole number of euros.
    for (const auto& c : cases) {
        const auto answer = client.Get(activitiesPath("louvre%20museum", 0, 1), headers(c.currency, c.language));
        ASSERT_TRUE(answer);
        simdjson::dom::parser parser;
        const std::string price(parser.parse(answer->body)["data"].at(0)["retail_price"]["formatted_value"].get_string().value());
        EXPECT_EQ(price.rfind(c.prefix, 0), 0u) << price;
        EXPECT_EQ(price.size() >= std::strlen(c.suffix) &&
                      price.compare(price.size() - std::strlen(c.suffix), std::string::npos, c.suffix) == 0,
                  true)
            << c.currency << " " << c.language << ": " << price;
    }
}

TEST(CatalogueServer, NumbersPagesNotRecords) {
    auto server = startServer(plain());
    ASSERT_TRUE(server);
    httplib::Client client(server->baseURL());
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

TEST(CatalogueServer, RefusesBadRequestsWithJsonErrors) {
    auto server = startServer(plain());
    ASSERT_TRUE(server);
    httplib::Client client(server->baseURL());
    const struct {
        std::string path;
        const char* currency;
        int status;
    } cases[] = {
        {"/nowhere", "USD", 404},
        {"/api/v3/activities/extra", "USD", 404},
        {"/covers/no-such-record.jpg", "USD", 404},
        {activitiesPath("rome", 0, 0), "USD", 400},
        {activitiesPath("rome", 0, 101), "USD", 400},
        {"/api/v3/activities?text=rome&offset=-1", "USD", 400},
        {"/api/v3/activities?text=rome&offset=two", "USD", 400},
        {activitiesPath("rome", 0), "GBP", 400},
        {"/api/v3/activities?text=" + std::string(9000, 'a'), "USD", 414},
    };
    const auto checkError = [](const httplib::Result& answer, int status, const std::string& what) {
        ASSERT_TRUE(answer) << what;
        EXPECT_EQ(answer->status, status) << what;
        simdjson::dom::parser parser;
        simdjson::dom::element root;
        ASSERT_EQ(parser.parse(answer->body).get(root), simdjson::SUCCESS) << what << ": " << answer->body;
        EXPECT_EQ(root["error"]["status"].get_int64().value(), status) << what;
        EXPECT_TRUE(root["error"]["message"].is_string()) << what;
    };
    for (const auto& c : cases)
        checkError(client.Get(c.path, headers(c.currency)), c.status, c.path.substr(0, 60));
    checkError(client.Post("/api/v3/activities", "{}", "application/json"), 405, "POST");
    checkError(client.Delete("/api/v3/activities"), 405, "DELETE");
    checkError(client.Put("/covers/x.jpg", "", "image/jpeg"), 405, "PUT");
    // The server still answers after all that.
    const auto answer = client.Get(activitiesPath("rome", 0), headers());
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200);
}

TEST(CatalogueServer, AnswersMalformedAndIdleConnectionsWithoutHarm) {
    ServerOptions options = plain();
    options.timeout = std::chrono::seconds(1);
    auto server = startServer(options);
    ASSERT_TRUE(server);
    const auto connect = [&] {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(server->port()));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        const timeval patience{10, 0};
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
        return fd;
    };
    const auto readAll = [](int fd) {
        std::string received;
        char buffer[4096];
        ssize_t n;
        while ((n = recv(fd, buffer, sizeof buffer, 0)) > 0)
            received.append(buffer, static_cast<std::size_t>(n));
        return std::make_pair(received, n);
    };

    const int garbage = connect();
    const std::string junk = "\x01\x02 NOT HTTP AT ALL\r\n\r\n";
    send(garbage, junk.data(), junk.size(), 0);
    const auto [reply, end] = readAll(garbage);
    close(garbage);
    EXPECT_EQ(reply.rfind("HTTP/1.1 400", 0), 0u) << reply;
    EXPECT_EQ(end, 0);

    // A client that connects and sends nothing is disconnected, not waited for forever.
    const int idle = connect();
    const auto [nothing, closed] = readAll(idle);
    close(idle);
    EXPECT_EQ(closed, 0) << "the server kept an idle connection open";

    httplib::Client client(server->baseURL());
    const auto answer = client.Get(activitiesPath("rome", 0), headers());
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200);
}

TEST(CatalogueServer, ServesStableJpegCovers) {
    auto server = startServer(plain());
    ASSERT_TRUE(server);
    httplib::Client client(server->baseURL());
    const auto answer = client.Get(activitiesPath("colosseum", 0, 1), headers());
    ASSERT_TRUE(answer);
    simdjson::dom::parser parser;
    const std::string url(parser.parse(answer->body)["data"].at(0)["cover_image_url"].get_string().value());
    const std::string path = url.substr(server->baseURL().size());

    const auto cover = client.Get(path);
    ASSERT_TRUE(cover);
    EXPECT_EQ(cover->status, 200);
    EXPECT_EQ(cover->get_header_value("Content-Type"), "image/jpeg");
    EXPECT_NE(cover->get_header_value("Cache-Control").find("max-age"), std::string::npos);
    const std::string etag = cover->get_header_value("ETag");
    EXPECT_FALSE(etag.empty());
    tjhandle decoder = tjInitDecompress();
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    EXPECT_EQ(tjDecompressHeader3(decoder, reinterpret_cast<const unsigned char*>(cover->body.data()),
                                  cover->body.size(), &width, &height, &subsampling, &colourspace),
              0);
    tjDestroy(decoder);
    EXPECT_EQ(width, 1200);
    EXPECT_EQ(height, 800);
    EXPECT_GT(cover->body.size(), 10'000u) << "a blank picture compresses to almost nothing";

    // A second server renders the very same bytes.
    auto other = startServer(plain());
    ASSERT_TRUE(other);
    const auto again = httplib::Client(other->baseURL()).Get(path);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->body, cover->body);
    EXPECT_EQ(again->get_header_value("ETag"), etag);

    const auto unchanged = client.Get(path, {{"If-None-Match", etag}});
    ASSERT_TRUE(unchanged);
    EXPECT_EQ(unchanged->status, 304);
    EXPECT_TRUE(unchanged->body.empty());

    const auto head = client.Head(path);
    ASSERT_TRUE(head);
    EXPECT_EQ(head->status, 200);
    EXPECT_TRUE(head->body.empty());
}

TEST(CatalogueServer, RecordsWithoutCoverHaveNoCoverAddress) {
    auto server = startServer(plain());
    ASSERT_TRUE(server);
    std::string uuid;
    for (const auto& activity : embeddedCatalogue().activities)
        if (!activity.hasCover) {
            uuid = activity.uuid;
            break;
        }
    ASSERT_FALSE(uuid.empty());
    const auto cover = httplib::Client(server->baseURL()).Get("/covers/" + uuid + ".jpg");
    ASSERT_TRUE(cover);
    EXPECT_EQ(cover->status, 404);
}

TEST(CatalogueServer, DelaysEveryAnswerByTheLatency) {
    ServerOptions options = plain();
    options.latency = std::chrono::milliseconds(150);
    auto server = startServer(options);
    ASSERT_TRUE(server);
    httplib::Client client(server->baseURL());
    const auto before = std::chrono::steady_clock::now();
    const auto answer = client.Get(activitiesPath("rome", 0), headers());
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200);
    EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(150));
}

// What a client saw of one request: a status, or 0 for a failed connection.
std::vector<int> outcomes(const ServerOptions& options, int requests) {
    auto server = startServer(options);
    std::vector<int> seen;
    if (!server)
        return seen;
    for (int i = 0; i < requests; ++i) {
        httplib::Client client(server->baseURL());
        const auto answer = client.Get(activitiesPath("rome", 0), headers());
        if (!answer) {
            seen.push_back(0);
            continue;
        }
        seen.push_back(answer->status);
        if (answer->status == 500) {
            EXPECT_EQ(answer->get_header_value("Content-Type"), "text/html");
            EXPECT_NE(answer->body.find("<html>"), std::string::npos);
        }
    }
    return seen;
}

TEST(CatalogueServer, InjectsRepeatableFailures) {
    ServerOptions always = plain();
    always.failRate = 1.0;
    always.seed = 3;
    const auto failures = outcomes(always, 16);
    const std::set<int> kinds(failures.begin(), failures.end());
    EXPECT_EQ(kinds, (std::set<int>{0, 500})) << "both a 500 answer and a reset connection";

    ServerOptions half = plain();
    half.failRate = 0.5;
    half.seed = 11;
    const auto first = outcomes(half, 16);
    EXPECT_EQ(outcomes(half, 16), first);
    EXPECT_EQ(std::set<int>(first.begin(), first.end()), (std::set<int>{0, 200, 500}));

    ServerOptions tls;
    tls.failRate = 1.0;
    tls.seed = 5;
    auto server = startServer(tls);
    ASSERT_TRUE(server);
    httplib::Client client(server->baseURL());
    client.enable_server_certificate_verification(false);
    std::set<int> tlsKinds;
    for (int i = 0; i < 12; ++i) {
        const auto answer = client.Get(activitiesPath("rome", 0), headers());
        tlsKinds.insert(answer ? answer->status : 0);
    }
    EXPECT_EQ(tlsKinds, (std::set<int>{0, 500}));
}

TEST(CatalogueServer, RefusesImpossibleOptions) {
    const struct {
        ServerOptions options;
        const char* fragment;
    } cases[] = {
        {[] { ServerOptions o; o.port = 70000; return o; }(), "port"},
        {[] { ServerOptions o; o.failRate = 1.5; return o; }(), "failure rate"},
        {[] { ServerOptions o; o.host = "192.0.2.1"; return o; }(), "cannot listen"},
        {[] { ServerOptions o; o.catalogue = std::make_shared<ActivityCatalogue>(); return o; }(), "no activities"},
    };
    for (const auto& c : cases) {
        const auto started = CatalogueServer::start(c.options);
        ASSERT_FALSE(started.ok()) << c.fragment;
        EXPECT_NE(started.error().detail.find(c.fragment), std::string::npos) << started.error().detail;
    }
    // A port that is taken is reported, not stolen.
    auto first = startServer(plain());
    ASSERT_TRUE(first);
    ServerOptions same = plain();
    same.port = first->port();
    const auto started = CatalogueServer::start(same);
    ASSERT_FALSE(started.ok());
    EXPECT_NE(started.error().detail.find("cannot listen"), std::string::npos) << started.error().detail;
}

}
}
