// Searches a second over kept-alive loopback connections: clients on their own threads,
// each with one connection, send the application's request one after the other.
#include "service/catalogue_server.h"

#include <benchmark/benchmark.h>
#include <httplib.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <unistd.h>

namespace {

using namespace wayfarer::service;

const char* const paths[] = {
    "/api/v3/activities?text=rome&text_operator=AND&extend_other_languages=YES&extend_content_fields=AUTO"
    "&fuzziness_level=AUTO&zero_terms_query=NONE&sort_by=relevance&limit=10&offset=0",
    "/api/v3/activities?text=sacre%20coeur&text_operator=AND&extend_other_languages=YES&extend_content_fields=AUTO"
    "&fuzziness_level=AUTO&zero_terms_query=NONE&sort_by=relevance&limit=10&offset=0",
    "/api/v3/activities?text=museum&text_operator=AND&extend_other_languages=YES&extend_content_fields=AUTO"
    "&fuzziness_level=AUTO&zero_terms_query=NONE&sort_by=relevance&limit=10&offset=10",
};

struct Shared {
    std::unique_ptr<CatalogueServer> server;
    std::string certificatePath;
};

Shared& shared(bool tls) {
    static Shared plain, secure;
    Shared& s = tls ? secure : plain;
    if (!s.server) {
        ServerOptions options;
        options.plainHttp = !tls;
        if (auto started = CatalogueServer::start(options))
            s.server = std::move(*started);
        if (tls && s.server) {
            s.certificatePath = "/tmp/wayfarer-bench-cert-" + std::to_string(getpid()) + ".pem";
            std::ofstream(s.certificatePath) << s.server->certificatePem();
        }
    }
    return s;
}

// range(0): 1 for HTTPS.
void KeptAliveSearches(benchmark::State& state) {
    const bool tls = state.range(0) == 1;
    Shared& s = shared(tls);
    if (!s.server) {
        state.SkipWithError("the server did not start");
        return;
    }
    httplib::Client client(s.server->baseURL());
    client.set_keep_alive(true);
    client.set_tcp_nodelay(true);
    if (tls) {
        client.set_ca_cert_path(s.certificatePath.c_str());
        client.enable_server_certificate_verification(true);
    }
    const httplib::Headers headers{{"accept", "application/json"}, {"accept-language", "en"}, {"x-lorvanta-currency", "USD"}};
    std::size_t i = 0, failures = 0;
    for (auto _ : state) {
        const auto answer = client.Get(paths[i++ % std::size(paths)], headers);
        failures += !answer || answer->status != 200;
    }
    if (failures)
        state.SkipWithError("some requests failed");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(KeptAliveSearches)->Arg(0)->Arg(1)->Threads(1)->Threads(2)->Threads(4)->UseRealTime()->MinTime(2.0);

}

BENCHMARK_MAIN();
