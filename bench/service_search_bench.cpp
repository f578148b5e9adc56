// In-process costs of the catalogue service: one search, building the index, starting the
// server and rendering a cover, on the demo catalogue and on generated ones.
#include "service/activity_catalogue.h"
#include "service/catalogue_server.h"
#include "service/cover_renderer.h"
#include "service/search_index.h"

#include <benchmark/benchmark.h>

#include <map>
#include <memory>

namespace {

using namespace wayfarer::service;

const char* const queries[] = {"rome", "colosseum", "colo", "sacre coeur", "colloseum rome", "museum tour", "st peter"};

const ActivityCatalogue& catalogueOf(std::int64_t size) {
    static std::map<std::int64_t, ActivityCatalogue> made;
    if (size == 0)
        return embeddedCatalogue();
    auto [it, inserted] = made.try_emplace(size);
    if (inserted)
        it->second = generateCatalogue(static_cast<std::size_t>(size));
    return it->second;
}

// range(0): catalogue size, 0 for the demo; range(1): which query.
void Search(benchmark::State& state) {
    static std::map<std::int64_t, std::unique_ptr<SearchIndex>> indexes;
    auto& index = indexes[state.range(0)];
    if (!index)
        index = std::make_unique<SearchIndex>(catalogueOf(state.range(0)));
    const char* text = queries[state.range(1)];
    std::size_t total = 0;
    for (auto _ : state) {
        const SearchPage page = index->search(text, 0, 10);
        total = page.total;
        benchmark::DoNotOptimize(page.records.data());
    }
    state.SetLabel(std::string(text) + " (" + std::to_string(total) + " matches)");
}
BENCHMARK(Search)->ArgsProduct({{0}, {0, 1, 2, 3, 4, 5, 6}})->Unit(benchmark::kMicrosecond);
BENCHMARK(Search)->ArgsProduct({{10'000, 100'000}, {0, 1, 2, 3, 4, 5, 6}})->Unit(benchmark::kMicrosecond);

void BuildIndex(benchmark::State& state) {
    const ActivityCatalogue& catalogue = catalogueOf(state.range(0));
    for (auto _ : state) {
        SearchIndex index(catalogue);
        benchmark::DoNotOptimize(index.termCount());
    }
    state.counters["terms"] = static_cast<double>(SearchIndex(catalogue).termCount());
}
BENCHMARK(BuildIndex)->Arg(0)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

void GenerateCatalogue(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(generateCatalogue(static_cast<std::size_t>(state.range(0))).activities.data());
}
BENCHMARK(GenerateCatalogue)->Arg(100'000)->Unit(benchmark::kMillisecond);

// Start-up as the application sees it: index, key and certificate, listening socket.
// range(0): catalogue size, 0 for the demo; range(1): 1 for HTTPS.
void StartServer(benchmark::State& state) {
    std::shared_ptr<const ActivityCatalogue> catalogue;
    if (state.range(0) > 0)
        catalogue = std::shared_ptr<const ActivityCatalogue>(&catalogueOf(state.range(0)), [](auto*) {});
    for (auto _ : state) {
        ServerOptions options;
        options.plainHttp = state.range(1) == 0;
        options.catalogue = catalogue;
        auto server = CatalogueServer::start(options);
        if (!server)
            state.SkipWithError(server.error().detail.c_str());
        state.PauseTiming();
        if (server)
            server->reset();
        state.ResumeTiming();
    }
}
BENCHMARK(StartServer)->Args({0, 1})->Args({0, 0})->Args({100'000, 1})->Unit(benchmark::kMillisecond);

void RenderCover(benchmark::State& state) {
    const auto& activities = embeddedCatalogue().activities;
    std::size_t i = 0, bytes = 0;
    for (auto _ : state) {
        const std::string jpeg = renderCover(activities[i++ % activities.size()]);
        bytes += jpeg.size();
    }
    state.counters["bytes"] = benchmark::Counter(static_cast<double>(bytes), benchmark::Counter::kAvgIterations);
}
BENCHMARK(RenderCover)->Unit(benchmark::kMillisecond);

}

BENCHMARK_MAIN();
