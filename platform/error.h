#pragma once

#include <string>

namespace wayfarer::platform {

// Modelled on NSURLError codes.
enum class ErrorCode {
    timedOut,
    cancelled,
    cannotConnectToHost,
    cannotFindHost,
    notConnectedToInternet,
    secureConnectionFailed,
    networkConnectionLost,
    cannotParse,
    cannotParseResponse,
    badServerResponse,
    tooLarge,
    unsupportedURL,
    tooManyRedirects,
    unknown,
};

struct Error {
    ErrorCode code = ErrorCode::unknown;
    // For developers (curl_easy_strerror text, a refusal reason); CLIs print it, screens never show it.
    std::string detail;

    // From the bundled "Errors" strings table, in userLanguageCode() or English.
    std::string localizedDescription() const;

    friend bool operator==(const Error& a, const Error& b) { return a.code == b.code; }
};

}
