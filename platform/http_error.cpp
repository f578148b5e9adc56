#include "http_error.h"

#include <cerrno>

namespace wayfarer::platform {

bool isUnreachable(long osErrno) {
    return osErrno == ENETUNREACH || osErrno == EHOSTUNREACH || osErrno == ENETDOWN;
}

ErrorCode errorCodeOf(CURLcode code) {
    switch (code) {
    case CURLE_OPERATION_TIMEDOUT: return ErrorCode::timedOut;
    case CURLE_ABORTED_BY_CALLBACK: return ErrorCode::cancelled;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY: return ErrorCode::cannotFindHost;
    case CURLE_COULDNT_CONNECT: return ErrorCode::cannotConnectToHost;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_USE_SSL_FAILED: return ErrorCode::secureConnectionFailed;
    case CURLE_FILESIZE_EXCEEDED: return ErrorCode::tooLarge;
    // URLs are vetted before curl sees them, so this means the server did not speak HTTP.
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_BAD_CONTENT_ENCODING: return ErrorCode::cannotParseResponse;
    case CURLE_URL_MALFORMAT: return ErrorCode::unsupportedURL;
    case CURLE_TOO_MANY_REDIRECTS: return ErrorCode::tooManyRedirects;
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
    case CURLE_WEIRD_SERVER_REPLY: return ErrorCode::networkConnectionLost;
    default: return ErrorCode::unknown;
    }
}

}
