#include "image_samples.h"
#include "tests/support/test_server.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>

namespace wayfarer {
namespace {

TEST(ProcessExit, EndsCleanlyWithSearchesCoversAndDecodesInFlight) {
    const auto cover = std::make_shared<const std::string>(samples::encodeJpeg(samples::makePicture(1200, 800, 5)));
    // Half a cover, and then silence: what is asked here is mid-body when the process ends.
    testing::RawServer holding([cover](int socket) {
        testing::RawServer::send(socket, "HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\nContent-Length: " +
                                             std::to_string(cover->size()) + "\r\n\r\n" +
                                             cover->substr(0, cover->size() / 2));
        return testing::RawServer::Ending::hold;
    });
    testing::TestServer server(testing::Tls{});
    server.server().Get("/api/v3/activities", [&server, &holding](const httplib::Request&, httplib::Response& response) {
        std::string body = R"({"meta": {"count": 100}, "data": [)";
        for (int i = 0; i < 10; ++i)
            body += std::string(i ? ", " : "") + R"({"uuid": "r)" + std::to_string(i) + R"(", "cover_image_url": ")" +
                    (i == 9 ? holding.baseURL() + "/held.jpg" : server.baseURL() + "/cover.jpg") + R"("})";
        response.set_content(body + "]}", "application/json");
    });
    server.server().Get("/cover.jpg", [cover](const httplib::Request&, httplib::Response& response) {
        response.set_content(*cover, "image/jpeg");
    });
    server.start();
    // The certificate goes in the command line; what the program writes to either stream is a failure.
    const std::string command = std::string("'" EXIT_PROGRAM "' ") + server.baseURL() + " '" + server.certificatePem() +
                                "' " + holding.baseURL() + " 2>&1";
    for (int attempt = 1; attempt <= 50; ++attempt) {
        FILE* program = popen(command.c_str(), "r");
        ASSERT_NE(program, nullptr);
        std::string output;
        char buffer[512];
        while (const std::size_t read = std::fread(buffer, 1, sizeof buffer, program))
            output.append(buffer, read);
        const int status = pclose(program);
        ASSERT_EQ(output, "") << "run " << attempt;
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "run " << attempt << ": status " << status;
    }
}

}
}
