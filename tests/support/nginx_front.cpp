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
    std::stringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

void writeFile(const fs::path& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    if (!file.flush())
        throw std::runtime_error("cannot write " + path.string());
}

std::string nginxProgram() {
    if (const char* named = std::getenv("NGINX"); named && *named)
        return named;
    if (access("/usr/sbin/nginx", X_OK) == 0)
        return "/usr/sbin/nginx";
    return "nginx";
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
    port_ = freePort();
    plainPort_ = freePort();
    const std::string loopback = "127.0.0.1:";
    const std::string front =
        substitute(readFile(WAYFARER_SOURCE_DIR "/docs/nginx/catalogue-front.conf.template"),
                   {{"LISTEN", loopback + std::to_string(port_)},
                    {"LISTEN_PLAIN", loopback + std::to_string(plainPort_)},
                    {"PUBLIC_URL", baseURL()},
                    {"CATALOGUE", catalogue},
                    {"INCLUDES", (directory / "locations").string()},
                    {"CERTIFICATE", (directory / "certificate.pem").string()},
                    {"KEY", (directory / "key.pem").string()}});
    writeFile(directory / "front.conf", front);
    const std::string temp = (directory / "temp").string();
    // One process in the foreground, which never changes its user, with every path it
    // writes in the directory.
    writeFile(directory / "nginx.conf",
              "daemon off;\nmaster_process off;\npid " + (directory / "nginx.pid").string() + ";\n" +
                  "error_log " + (directory / "error.log").string() + " notice;\n" +
                  "events { worker_connections 256; }\n"
                  "http {\n"
                  "    log_format front '$connection $server_protocol $status $sent_http_content_encoding $request_uri';\n"
                  "    access_log " + (directory / "access.log").string() + " front;\n" +
                  "    client_body_temp_path " + temp + "/body;\n    proxy_temp_path " + temp + "/proxy;\n" +
                  "    fastcgi_temp_path " + temp + "/fastcgi;\n    uwsgi_temp_path " + temp + "/uwsgi;\n" +
                  "    scgi_temp_path " + temp + "/scgi;\n" +
                  "    default_type application/octet-stream;\n"
                  "    include " + (directory / "front.conf").string() + ";\n}\n");

    const std::string program = nginxProgram();
    const std::string prefix = directory_ + "/";
    const std::string config = (directory / "nginx.conf").string();
    const std::string errorLog = (directory / "error.log").string();
    std::vector<const char*> arguments = {program.c_str(), "-p", prefix.c_str(), "-c", config.c_str(),
                                          "-e", errorLog.c_str(), nullptr};
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    const std::string output = (directory / "output.log").string();
    posix_spawn_file_actions_addopen(&files, 1, output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&files, 1, 2);
    const int spawned = posix_spawnp(&pid_, program.c_str(), &files, nullptr,
                                     const_cast<char* const*>(arguments.data()), environ);
    posix_spawn_file_actions_destroy(&files);
    if (spawned != 0)
        throw std::runtime_error("cannot run " + program + " (install it with scripts/setup.sh)");

    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!acceptsConnections(port_)) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            const std::string errors = readFile(errorLog) + readFile(output);
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
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
}

std::vector<FrontRequest> NginxFront::requests(std::size_t count) const {
    const fs::path path = fs::path(directory_) / "access.log";
    const auto lines = [&] {
        const std::string log = readFile(path);
        return static_cast<std::size_t>(std::count(log.begin(), log.end(), '\n'));
    };
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (lines() < count && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    std::vector<FrontRequest> requests;
    std::istringstream log(readFile(path));
    for (std::string line; std::getline(log, line);) {
        std::istringstream fields(line);
        FrontRequest request;
        fields >> request.connection >> request.protocol >> request.status >> request.contentEncoding >> request.target;
        requests.push_back(std::move(request));
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
