#pragma once

#include "error.h"

#include <curl/curl.h>

namespace wayfarer::platform {

// CURLcode -> NSURLError-style ErrorCode.
ErrorCode errorCodeOf(CURLcode code);

// ENETUNREACH, EHOSTUNREACH or ENETDOWN from CURLINFO_OS_ERRNO: retried, unlike
// ECONNREFUSED.
bool isUnreachable(long osErrno);

}
