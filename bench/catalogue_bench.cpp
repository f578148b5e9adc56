// The catalogue layer's hot paths: reading answers into records, merging pages into the
// session's list, and one search round trip on loopback beside libcurl's bare GET.
#include "catalogue/data_manager.h"
#include "catalogue/data_task_manager.h"
#include "platform/json.h"
#include "platform/run_loop.h"
#include "service/catalogue_server.h"

#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <future>

namespace {

using namespace wayfarer;

std::string answerOf(int records) {
    std::string body = R"({"meta": {"count": 1000}, "data": [)";
    for (int i = 0; i < records; ++i) {
        body += (i ? "," : "");
        body += R"({"uuid": "2f6a1c3e-0000-4000-8000-)" + std::to_string(100000000000 + i) +
                R"(", "title": "Colosseum, Roman Forum & Palatine Hill: skip-the-line tour",
  "description": "Walk the arena floor where gladiators fought, then climb the Palatine Hill for views over the Forum. A licensed guide brings two thousand years of history to life, and the priority entrance saves you the queue.",
  "operational_days": "Daily", "cover_image_url": "https://127.0.0.1:8443/covers/)" + std::to_string(i) +
                R"(.jpg", "retail_price": {"formatted_value": "$45.00", "value": 45.0, "currency": "USD"},
  "city": "Rome", "country": "Italy", "category": "Tours"})";
    }
    return body + "]}";
}

std::size_t recordsIn(const DataTaskManager::Result& result) {
    const auto* success = std::get_if<DataTaskManager::Success>(&result);
    return success && success->attractions ? success->attractions->size() : 0;
}

void readAnswer(benchmark::State& state) {
    // Received as the HTTP client receives it: with room for the padding, so read in place.
    std::optional<std::string> body = answerOf(static_cast<int>(state.range(0)));
    body->reserve(body->size() + platform::jsonPadding);
    DataTaskManager manager({"https://127.0.0.1"});
    std::size_t records = 0;
    for (auto _ : state) {
        manager.parseAttractions(body, std::nullopt, [&](DataTaskManager::Result result) {
            records = recordsIn(result);
        });
        benchmark::DoNotOptimize(records);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * body->size()));
    state.counters["records"] = static_cast<double>(records);
}
BENCHMARK(readAnswer)->Arg(10)->Arg(1000);

void simdjsonParseAlone(benchmark::State& state) {
    std::string body = answerOf(static_cast<int>(state.range(0)));
    body.reserve(body.size() + platform::jsonPadding);
    simdjson::dom::parser parser;
    for (auto _ : state) {
        simdjson::dom::element root;
        benchmark::DoNotOptimize(parser.parse(body.data(), body.size(), false).get(root));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * body.size()));
}
BENCHMARK(simdjsonParseAlone)->Arg(10)->Arg(1000);

// 100,000 records arriving 10 to an answer, 9 of them already held, as pages that move
// by one record do.
void mergeHundredThousand(benchmark::State& state) {
    constexpr int total = 100000;
    std::vector<std::shared_ptr<Attraction>> records;
    for (int i = 0; i < total + 10; ++i)
        records.push_back(Attraction::make("uuid-" + std::to_string(i)));
    for (auto _ : state) {
        DataManager session(std::make_shared<DataTaskManager>(DataTaskManager::Configuration{"https://127.0.0.1"}));
        for (int first = 0; first + 10 <= total; ++first) {
            std::vector<std::shared_ptr<Attraction>> answer(records.begin() + first, records.begin() + first + 10);
            session.merge(answer);
        }
        benchmark::DoNotOptimize(session.attractions().size());
    }
}
BENCHMARK(mergeHundredThousand)->Unit(benchmark::kMillisecond);

struct Loopback {
    Loopback() {
        service::ServerOptions options;
        options.plainHttp = true;
        if (auto started = service::CatalogueServer::start(options))
            server = std::move(*started);
    }
    std::unique_ptr<service::CatalogueServer> server;
};

Loopback& loopback() {
    static Loopback instance;
    return instance;
}

void searchRoundTrip(benchmark::State& state) {
    auto loop = std::make_shared<platform::RunLoop>();
    platform::HttpClient http;
    auto manager = std::make_shared<DataTaskManager>(DataTaskManager::Configuration{
        loopback().server->baseURL(), CatalogueContext{&http, loop}, [] { return std::optional<std::string>("en"); }});
    for (auto _ : state) {
        std::promise<std::size_t> done;
        manager->fetchAttractions("rome", Attraction::Currency::USD, 0, [&](DataTaskManager::Result result) {
            done.set_value(recordsIn(result));
        });
        benchmark::DoNotOptimize(done.get_future().get());
    }
}
BENCHMARK(searchRoundTrip)->Unit(benchmark::kMicrosecond);

void bareCurlGet(benchmark::State& state) {
    CURL* easy = curl_easy_init();
    const std::string url = loopback().server->baseURL() +
                            "/api/v3/activities?text=rome&text_operator=AND&extend_other_languages=YES"
                            "&extend_content_fields=AUTO&fuzziness_level=AUTO&zero_terms_query=NONE"
                            "&sort_by=relevance&limit=10&offset=0";
    std::string body;
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, +[](char* data, std::size_t size, std::size_t count, void* user) {
        static_cast<std::string*>(user)->append(data, size * count);
        return size * count;
    });
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body);
    for (auto _ : state) {
        body.clear();
        curl_easy_perform(easy);
        benchmark::DoNotOptimize(body.size());
    }
    curl_easy_cleanup(easy);
}
BENCHMARK(bareCurlGet)->Unit(benchmark::kMicrosecond);

}

BENCHMARK_MAIN();
