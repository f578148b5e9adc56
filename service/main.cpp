// wayfarer-catalogue: CatalogueServer as a standalone program.
#include "activity_catalogue.h"
#include "catalogue_server.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>

#include <signal.h>

namespace {

using namespace wayfarer::service;

constexpr const char* helpText =
    "Usage: wayfarer-catalogue [OPTION]...\n"
    "Serve the Wayfarer demo catalogue (GET /api/v3/activities and the covers of its records)\n"
    "until interrupted; it prints its base address once it listens.\n"
    "\n"
    "Options:\n"
    "  --listen HOST:PORT  the address to listen on (default 127.0.0.1:8443; port 0 picks a free one)\n"
    "  --plain-http        serve plain HTTP instead of HTTPS\n"
    "  --cert-out PATH     write the certificate's PEM there, for clients to trust\n"
    "  --public-url URL    the address clients reach the service at, behind a front such as\n"
    "                      nginx: cover addresses in answers start with it\n"
    "  --trust-forwarded   take that address from each request's X-Forwarded-Proto and\n"
    "                      X-Forwarded-Host, as a front sets them (only behind one)\n"
    "  --catalogue FILE    serve the activities of this JSON file instead of the demo\n"
    "  --generate N        serve N generated activities (for scale tests)\n"
    "  --latency MS        delay every answer by MS milliseconds\n"
    "  --fail-rate P       make a share P (0 to 1) of answers fail: a 500 or a reset connection\n"
    "  --seed N            seed of the failures, so that a run can be repeated\n"
    "  -h, --help          show this help and exit\n"
    "  --version           show the version and exit\n"
    "\n"
    "Exit status:\n"
    "  0  stopped by SIGINT or SIGTERM\n"
    "  1  the service could not start\n"
    "  2  a usage error\n"
    "\n"
    "Environment:\n"
    "  The service reads none: the language of each answer's prices is the request's\n"
    "  Accept-Language, not LC_ALL, LC_MESSAGES or LANG. wayfarer and wayfarer-search use\n"
    "  a running service when WAYFARER_CATALOGUE_URL (or their --catalogue) names its address.\n";

int usageError(const std::string& message) {
    std::cerr << "wayfarer-catalogue: " << message << "\nTry 'wayfarer-catalogue --help' for more information.\n";
    return 2;
}

template <typename T> bool parseNumber(const std::string& text, T& value) {
    std::istringstream stream(text);
    stream >> value;
    return !text.empty() && stream && stream.peek() == std::char_traits<char>::eof();
}

bool parseListen(const std::string& text, ServerOptions& options) {
    const auto colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0)
        return false;
    std::string host = text.substr(0, colon);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    int port = 0;
    if (!parseNumber(text.substr(colon + 1), port) || port < 0 || port > 65535)
        return false;
    options.host = host;
    options.port = port;
    return true;
}

}

int main(int argc, char** argv) {
    ServerOptions options;
    options.port = 8443;
    std::string certificatePath, cataloguePath;
    long long generate = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        const auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= argc)
                return std::nullopt;
            return std::string(argv[++i]);
        };
        if (argument == "--help" || argument == "-h") {
            std::cout << helpText;
            return 0;
        }
        if (argument == "--version") {
            std::cout << "wayfarer-catalogue (Wayfarer) " WAYFARER_VERSION "\n";
            return 0;
        }
        if (argument == "--plain-http") {
            options.plainHttp = true;
            continue;
        }
        if (argument == "--trust-forwarded") {
            options.trustForwardedHeaders = true;
            continue;
        }
        static constexpr std::string_view withValue[] = {"--listen",  "--cert-out",  "--catalogue", "--generate",
                                                          "--latency", "--fail-rate", "--seed",      "--public-url"};
        if (std::find(std::begin(withValue), std::end(withValue), argument) == std::end(withValue))
            return usageError((argument.starts_with('-') ? "unknown option '" : "unexpected argument '") +
                              std::string(argument) + "'");
        const auto text = value();
        if (!text)
            return usageError(std::string(argument) + " needs a value");
        long long number = 0;
        double rate = 0;
        if (argument == "--listen") {
            if (!parseListen(*text, options))
                return usageError("--listen wants HOST:PORT, got " + *text);
        } else if (argument == "--cert-out") {
            certificatePath = *text;
        } else if (argument == "--public-url") {
            if (!text->starts_with("https://") && !text->starts_with("http://"))
                return usageError("--public-url wants an http:// or https:// address, got " + *text);
            options.publicURL = *text;
        } else if (argument == "--catalogue") {
            cataloguePath = *text;
        } else if (argument == "--generate") {
            if (!parseNumber(*text, generate) || generate < 1 || generate > 10'000'000)
                return usageError("--generate wants a count from 1 to 10000000");
        } else if (argument == "--latency") {
            if (!parseNumber(*text, number) || number < 0 || number > 600'000)
                return usageError("--latency wants milliseconds from 0 to 600000");
            options.latency = std::chrono::milliseconds(number);
        } else if (argument == "--fail-rate") {
            if (!parseNumber(*text, rate) || !(rate >= 0 && rate <= 1))
                return usageError("--fail-rate wants a share from 0 to 1");
            options.failRate = rate;
        } else if (argument == "--seed") {
            unsigned long long seed = 0;
            if (!parseNumber(*text, seed) || text->front() == '-')
                return usageError("--seed wants a whole number");
            options.seed = seed;
        }
    }
    if (!cataloguePath.empty() && generate > 0)
        return usageError("--catalogue and --generate exclude each other");
    if (!certificatePath.empty() && options.plainHttp)
        return usageError("--cert-out has no certificate to write with --plain-http");

    if (!cataloguePath.empty()) {
        std::ifstream file(cataloguePath, std::ios::binary);
        if (!file) {
            std::cerr << "wayfarer-catalogue: cannot read " << cataloguePath << "\n";
            return 1;
        }
        std::stringstream bytes;
        bytes << file.rdbuf();
        auto result = readCatalogue(bytes.str());
        if (!result) {
            std::cerr << "wayfarer-catalogue: " << cataloguePath << ": " << result.error().detail << "\n";
            return 1;
        }
        options.catalogue = std::make_shared<const ActivityCatalogue>(std::move(*result));
    } else if (generate > 0) {
        options.catalogue = std::make_shared<const ActivityCatalogue>(
            generateCatalogue(static_cast<std::size_t>(generate), options.seed + 1));
    }

    // pthread_sigmask before any thread starts, so threads inherit the mask and only sigwait sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    auto started = CatalogueServer::start(options);
    if (!started) {
        std::cerr << "wayfarer-catalogue: " << started.error().detail << "\n";
        return 1;
    }
    const auto server = std::move(*started);
    if (!certificatePath.empty()) {
        std::ofstream file(certificatePath, std::ios::binary | std::ios::trunc);
        file << server->certificatePem();
        if (!file.flush()) {
            std::cerr << "wayfarer-catalogue: cannot write the certificate to " << certificatePath << "\n";
            return 1;
        }
    }
    std::cout << server->baseURL() << std::endl;

    int received = 0;
    sigwait(&stopSignals, &received);
    server->stop();
    return 0;
}
