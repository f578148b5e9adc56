#pragma once

#include "activities_request.h"
#include "activity_catalogue.h"
#include "search_index.h"

#include <string>
#include <string_view>

namespace wayfarer::service {

// The JSON answer to an activities request: {"meta": {"count": N, "offset", "limit"},
// "data": [records]}. Cover addresses point at `baseURL` + "/covers/" + uuid + ".jpg".
std::string activitiesAnswer(const ActivityCatalogue& catalogue, const SearchPage& page,
                             const ActivitiesQuery& query, std::string_view baseURL);

struct ActivitiesResponse {
    int status = 200;
    std::string body;
};

// The GET /api/v3/activities handler minus httplib: query items and headers in, status
// and JSON out (4xx with errorAnswer), so fuzzers and tests need no socket.
ActivitiesResponse answerActivitiesRequest(const ActivityCatalogue& catalogue, const SearchIndex& index,
                                           const QueryItems& items, std::string_view currencyHeader,
                                           std::string_view languageHeader, std::string_view baseURL);

// The JSON body of a refused request: {"error": {"status": S, "message": M}}.
std::string errorAnswer(int status, std::string_view message);

// Quoted and escaped per RFC 8259.
void appendJsonString(std::string& out, std::string_view text);

}
