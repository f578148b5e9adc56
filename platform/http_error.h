#pragma once

#include "error.h"

#include <curl/curl.h>

namespace wayfarer::platform {

// The platform's error for what libcurl reports of a failed transfer.
ErrorCode errorCodeOf(CURLcode code);

// Whether a failed connect's errno means the network cannot be reached at all (no route,
// the interface down), which is waited for, rather than a host that refused.
bool isUnreachable(long osErrno);

}
