#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace wayfarer::testing {

// One request as the front's access log has it.
struct FrontRequest {
    std::string connection;  // nginx's serial number of the client connection
    std::string protocol;    // "HTTP/2.0", "HTTP/1.1"
    int status = 0;
    std::string target;            // path and query
    std::string contentEncoding;   // "gzip", or "-" for none
};

// nginx ($NGINX, /usr/sbin/nginx or on PATH) from docs/nginx/catalogue-front.conf.template on
// loopback ports, with its files in a directory of its own, as any user. The constructor
// throws with nginx's error log when it cannot start.
class NginxFront {
public:
    // `catalogue`: "127.0.0.1:PORT", plain HTTP; `locations`: more location blocks for TLS.
    explicit NginxFront(const std::string& catalogue, const std::string& locations = {});
    ~NginxFront();
    NginxFront(const NginxFront&) = delete;
    NginxFront& operator=(const NginxFront&) = delete;

    // https://127.0.0.1:PORT and the plain http address that redirects there.
    std::string baseURL() const { return "https://127.0.0.1:" + std::to_string(port_); }
    std::string plainURL() const { return "http://127.0.0.1:" + std::to_string(plainPort_); }
    int port() const { return port_; }
    // The certificate for clients to trust; it is its own certificate authority.
    const std::string& certificatePem() const { return certificatePem_; }
    // The requests logged (just after their answers), once `count` are or 20 seconds passed.
    std::vector<FrontRequest> requests(std::size_t count) const;
    // The number of client connections that carried the first `count` requests.
    std::size_t connectionsUsed(std::size_t count) const;
    void stop();

private:
    void prepare(const std::string& catalogue, const std::string& locations);
    bool start(const std::string& catalogue);
    std::string directory_;
    std::string certificatePem_;
    int port_ = 0;
    int plainPort_ = 0;
    pid_t pid_ = -1;
};

}
