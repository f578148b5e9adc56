// The catalogue layer's hot paths: reading answers into records, merging pages into the
// session's list, and one search round trip on loopback beside libcurl's bare GET.
#include "catalogue/data_manager.h"
#include "catalogue/data_task_manager.h"
#include "platform/json.h"
#include "platform/run_loop.h"
#include "service/catalogue_server.h"

#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <simdjson.h>
#include <pthread.h>
#include <sched.h>
#include <sys/eventfd.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <thread>
#include <vector>

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
    platform::HttpResult answer = platform::HttpResponse{200, answerOf(static_cast<int>(state.range(0)))};
    answer->body.reserve(answer->body.size() + platform::jsonPadding);
    DataTaskManager manager({"https://127.0.0.1"});
    std::size_t records = 0;
    for (auto _ : state) {
        manager.parseAttractions(answer, [&](DataTaskManager::Result result) { records = recordsIn(result); });
        benchmark::DoNotOptimize(records);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * answer->body.size()));
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

// libcurl's own GET of the same address with the same headers, on the calling thread, as
// the floor a search round trip is held against.
class BareGet {
public:
    explicit BareGet(const std::string& url) : easy_(curl_easy_init()) {
        for (const char* header : {"accept: application/json", "accept-language: en", "x-lorvanta-currency: USD"})
            headers_ = curl_slist_append(headers_, header);
        curl_easy_setopt(easy_, CURLOPT_URL, url.c_str());
        curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, headers_);
        curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, +[](char* data, std::size_t size, std::size_t count, void* user) {
            static_cast<std::string*>(user)->append(data, size * count);
            return size * count;
        });
        curl_easy_setopt(easy_, CURLOPT_WRITEDATA, &body_);
    }
    ~BareGet() {
        curl_easy_cleanup(easy_);
        curl_slist_free_all(headers_);
    }
    BareGet(const BareGet&) = delete;
    BareGet& operator=(const BareGet&) = delete;

    std::size_t perform() {
        body_.clear();
        return curl_easy_perform(easy_) == CURLE_OK ? body_.size() : 0;
    }

private:
    CURL* easy_;
    curl_slist* headers_ = nullptr;
    std::string body_;
};

double medianOf(std::vector<double> values) {
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// One search through the transport (request, kept-alive transfer on the client's worker,
// records read, completion) and one bare GET of the same address, taken in turns, the
// order swapped every pair, so that both see the same machine. Reports the median of each
// and their ratio; run with repetitions for the median over several runs.
void searchRoundTripBesideBareGet(benchmark::State& state) {
    constexpr int pairs = 400;
    auto loop = std::make_shared<platform::RunLoop>();
    platform::HttpClient http;
    auto manager = std::make_shared<DataTaskManager>(DataTaskManager::Configuration{
        loopback().server->baseURL(), CatalogueContext{&http, loop}, [] { return std::optional<std::string>("en"); }});
    BareGet bare(loopback().server->baseURL() +
                 "/api/v3/activities?text=rome&text_operator=AND&extend_other_languages=YES"
                 "&extend_content_fields=AUTO&fuzziness_level=AUTO&zero_terms_query=NONE"
                 "&sort_by=relevance&limit=10&offset=0");
    const auto search = [&] {
        std::promise<std::size_t> done;
        manager->fetchAttractions("rome", Attraction::Currency::USD, 0, [&](DataTaskManager::Result result) {
            done.set_value(recordsIn(result));
        });
        return done.get_future().get();
    };
    const auto timed = [](auto&& work, std::vector<double>& into) {
        const auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(work());
        into.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
    };
    search(); // opens the kept-alive connections
    bare.perform();
    std::vector<double> searches, gets;
    for (auto _ : state) {
        searches.clear();
        gets.clear();
        for (int i = 0; i < pairs; ++i) {
            if (i % 2 == 0) {
                timed(search, searches);
                timed([&] { return bare.perform(); }, gets);
            } else {
                timed([&] { return bare.perform(); }, gets);
                timed(search, searches);
            }
        }
    }
    const double searchMedian = medianOf(searches), getMedian = medianOf(gets);
    state.counters["round_trip_us"] = searchMedian;
    state.counters["bare_get_us"] = getMedian;
    state.counters["ratio"] = searchMedian / getMedian;
}
BENCHMARK(searchRoundTripBesideBareGet)->Iterations(1)->Unit(benchmark::kMillisecond);

// What a search pays beyond a bare GET that is not the client's work: a thread asleep in
// poll woken and waking the caller back, the two on one CPU (argument 0) or on two (1),
// with a pause between rounds as between searches. A virtual machine's CPUs may charge
// far more for the second.
void threadHandOff(benchmark::State& state) {
    const auto pinTo = [](int cpu) {
        cpu_set_t set;
        CPU_ZERO(&set);
        CPU_SET(cpu, &set);
        return pthread_setaffinity_np(pthread_self(), sizeof set, &set) == 0;
    };
    const int otherCpu = state.range(0) == 0 ? 0 : 1;
    if (std::thread::hardware_concurrency() < 2) {
        state.SkipWithError("needs two CPUs");
        return;
    }
    cpu_set_t before;
    pthread_getaffinity_np(pthread_self(), sizeof before, &before);
    if (!pinTo(0)) {
        state.SkipWithError("cannot choose the CPU");
        return;
    }
    const int there = eventfd(0, 0), back = eventfd(0, 0);
    const auto await = [](int fd) {
        pollfd wanted{fd, POLLIN, 0};
        std::uint64_t count = 0;
        return poll(&wanted, 1, -1) == 1 && read(fd, &count, sizeof count) == sizeof count;
    };
    const auto signal = [](int fd) {
        const std::uint64_t one = 1;
        return write(fd, &one, sizeof one) == sizeof one;
    };
    std::atomic<bool> done = false;
    std::thread other([&] {
        pinTo(otherCpu);
        while (await(there) && !done && signal(back)) {
        }
    });
    std::vector<double> rounds;
    for (auto _ : state) {
        for (int i = 0; i < 2000; ++i) {
            const auto start = std::chrono::steady_clock::now();
            signal(there);
            await(back);
            rounds.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
    }
    done = true;
    signal(there);
    other.join();
    close(there);
    close(back);
    pthread_setaffinity_np(pthread_self(), sizeof before, &before);
    state.counters["round_us"] = medianOf(rounds);
}
BENCHMARK(threadHandOff)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

}

BENCHMARK_MAIN();
