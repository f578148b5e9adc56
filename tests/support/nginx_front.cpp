#include "nginx_front.h"

#include "service/tls_identity.h"
#include "tests/support/test_server.h"

#include <openssl/pem.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <utility>

extern char** environ;

namespace wayfarer::testing {

namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

void writeFile(const fs::path& path, const std::string& text) {
    if (!(std::ofstream(path, std::ios::binary | std::ios::trunc) << text))
        throw std::runtime_error("cannot write " + path.string());
}

// A loopback port that was free a moment ago; nginx cannot be given port 0.
int freePort() {
    int port = 0;
    ::close(loopbackSocket(port, 0));
    return port;
}

// The template with each ${NAME} of `values` replaced, as envsubst would.
std::string substitute(std::string text, const std::vector<std::pair<std::string, std::string>>& values) {
    for (const auto& [name, value] : values) {
        const std::string token = "${" + name + "}";
        for (auto at = text.find(token); at != std::string::npos; at = text.find(token, at + value.size()))
            text.replace(at, token.size(), value);
    }
    return text;
}

}

NginxFront::NginxFront(const std::string& catalogue, const std::string& locations) {
    std::string pattern = (fs::temp_directory_path() / "wayfarer-nginx-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a directory for nginx");
    directory_ = pattern;
    try {
        prepare(catalogue, locations);
    } catch (...) {
        std::error_code ignored;
        fs::remove_all(directory_, ignored);
        throw;
    }
}

void NginxFront::prepare(const std::string& catalogue, const std::string& locations) {
    const fs::path directory(directory_);
    const auto identity = service::TlsIdentity::make();
    if (!identity)
        throw std::runtime_error(identity.error().detail);
    certificatePem_ = identity->certificatePem();
    writeFile(directory / "certificate.pem", certificatePem_);
    if (FILE* key = std::fopen((directory / "key.pem").c_str(), "w")) {
        PEM_write_PrivateKey(key, identity->key(), nullptr, nullptr, 0, nullptr, nullptr);
        std::fclose(key);
    }
    fs::create_directories(directory / "locations");
    fs::create_directories(directory / "temp");
    writeFile(directory / "locations" / "extra.conf", locations);
    // Ports that were free may be taken before nginx binds them: then it tries others.
    for (int attempt = 0; attempt < 5; ++attempt)
        if (start(catalogue))
            return;
    throw std::runtime_error("nginx found no free ports");
}

bool NginxFront::start(const std::string& catalogue) {
    const fs::path directory(directory_);
    const auto file = [&](const char* name) { return (directory / name).string(); };
    port_ = freePort();
    plainPort_ = freePort();
    writeFile(file("front.conf"),
              substitute(readFile(WAYFARER_SOURCE_DIR "/docs/nginx/catalogue-front.conf.template"),
                         {{"LISTEN", "127.0.0.1:" + std::to_string(port_)},
                          {"LISTEN_PLAIN", "127.0.0.1:" + std::to_string(plainPort_)},
                          {"PUBLIC_URL", baseURL()},
                          {"CATALOGUE", catalogue},
                          {"INCLUDES", file("locations")},
                          {"CERTIFICATE", file("certificate.pem")},
                          {"KEY", file("key.pem")}}));
    // One process in the foreground, which never changes its user, with every path it
    // writes in the directory.
    std::string temporaryPaths;
    for (const char* kind : {"client_body", "proxy", "fastcgi", "uwsgi", "scgi"})
        temporaryPaths += "    " + std::string(kind) + "_temp_path " + file("temp") + "/" + kind + ";\n";
    writeFile(file("nginx.conf"),
              "daemon off;\nmaster_process off;\npid " + file("nginx.pid") + ";\n" +
                  "error_log " + file("error.log") + " notice;\n" +
                  "events { worker_connections 256; }\n"
                  "http {\n"
                  "    log_format front '$connection $server_protocol $status $sent_http_content_encoding $request_uri';\n"
                  "    access_log " + file("access.log") + " front;\n" + temporaryPaths +
                  "    default_type application/octet-stream;\n"
                  "    include " + file("front.conf") + ";\n}\n");

    const char* named = std::getenv("NGINX");
    const std::string program = named && *named ? named : access("/usr/sbin/nginx", X_OK) == 0 ? "/usr/sbin/nginx" : "nginx";
    const std::string prefix = directory_ + "/", config = file("nginx.conf"), errorLog = file("error.log");
    const char* arguments[] = {program.c_str(), "-p", prefix.c_str(), "-c", config.c_str(), "-e", errorLog.c_str(), nullptr};
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, file("output.log").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&files, 1, 2);
    const int spawned =
        posix_spawnp(&pid_, program.c_str(), &files, nullptr, const_cast<char* const*>(arguments), environ);
    posix_spawn_file_actions_destroy(&files);
    if (spawned != 0)
        throw std::runtime_error("cannot run " + program + " (install it with scripts/setup.sh)");

    // nginx writes its pid file once its listening sockets are open.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!fs::exists(file("nginx.pid"))) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            const std::string errors = readFile(errorLog) + readFile(file("output.log"));
            if (errors.find("Address already in use") != std::string::npos)
                return false;
            throw std::runtime_error("nginx did not start:\n" + errors);
        }
        if (std::chrono::steady_clock::now() > giveUp) {
            stop();
            throw std::runtime_error("nginx did not listen within 20 seconds");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

NginxFront::~NginxFront() {
    stop();
    std::error_code ignored;
    fs::remove_all(directory_, ignored);
}

void NginxFront::stop() {
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGTERM);
    waitpid(std::exchange(pid_, -1), nullptr, 0);
}

std::vector<FrontRequest> NginxFront::requests(std::size_t count) const {
    const fs::path path = fs::path(directory_) / "access.log";
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::string log = readFile(path);
    while (static_cast<std::size_t>(std::count(log.begin(), log.end(), '\n')) < count &&
           std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        log = readFile(path);
    }
    std::vector<FrontRequest> requests;
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        FrontRequest& request = requests.emplace_back();
        fields >> request.connection >> request.protocol >> request.status >> request.contentEncoding >> request.target;
    }
    return requests;
}

std::size_t NginxFront::connectionsUsed(std::size_t count) const {
    std::set<std::string> connections;
    for (const auto& request : requests(count))
        connections.insert(request.connection);
    return connections.size();
}

}
