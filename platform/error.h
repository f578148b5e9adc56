#pragma once

#include <string>

namespace wayfarer::platform {

// The kinds of failure the platform layer reports, after the platform's URL error codes.
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
    // What went wrong in a developer's words: what the underlying library said, or why a
    // setting or a server was refused. Programs print it; screens never show it.
    std::string detail;

    // The description for the user, in the user's language (English when there is no
    // table for it), as the platform words it.
    std::string localizedDescription() const;

    friend bool operator==(const Error& a, const Error& b) { return a.code == b.code; }
};

}
