#include "image_samples.h"
#include "tests/support/test_server.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace wayfarer {
namespace {

std::string contents(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

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
    const std::string baseURL = server.baseURL();

    const auto directory = std::filesystem::temp_directory_path() / ("wayfarer-exit-" + std::to_string(getpid()));
    std::filesystem::create_directories(directory);
    const std::string certificate = (directory / "ca.pem").string();
    std::ofstream(certificate) << server.certificatePem();
    const std::string errors = (directory / "stderr").string();

    const std::string command = std::string("'" EXIT_PROGRAM "' ") + baseURL + " '" + certificate + "' " +
                                holding.baseURL() + " 2>'" + errors + "'";
    for (int attempt = 1; attempt <= 50; ++attempt) {
        const int status = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << "run " << attempt << ": status " << status << "\n" << contents(errors);
        ASSERT_EQ(contents(errors), "") << "run " << attempt;
    }
    std::filesystem::remove_all(directory);
}

}
}
