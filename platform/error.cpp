#include "error.h"

#include "strings_table.h"

namespace wayfarer::platform {

namespace {

const char* tableKey(ErrorCode code) {
    switch (code) {
    case ErrorCode::timedOut: return "timed_out";
    case ErrorCode::cancelled: return "cancelled";
    case ErrorCode::cannotConnectToHost: return "cannot_connect_to_host";
    case ErrorCode::cannotFindHost: return "cannot_find_host";
    case ErrorCode::notConnectedToInternet: return "not_connected_to_internet";
    case ErrorCode::secureConnectionFailed: return "secure_connection_failed";
    case ErrorCode::networkConnectionLost: return "network_connection_lost";
    case ErrorCode::cannotParse: return "cannot_parse";
    case ErrorCode::cannotParseResponse: return "cannot_parse_response";
    case ErrorCode::badServerResponse: return "bad_server_response";
    case ErrorCode::tooLarge: return "too_large";
    case ErrorCode::unsupportedURL: return "unsupported_url";
    case ErrorCode::tooManyRedirects: return "too_many_redirects";
    case ErrorCode::unknown: return "unknown";
    }
    return "unknown";
}

}

std::string Error::localizedDescription() const {
    if (auto text = bundledText("Errors", tableKey(code)))
        return std::move(*text);
    return "An unknown error occurred.";
}

}
