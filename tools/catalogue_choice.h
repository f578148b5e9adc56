#pragma once

#include "platform/http_client.h"
#include "platform/result.h"
#include "service/catalogue_server.h"

#include <memory>
#include <optional>
#include <string>

namespace wayfarer::tools {

// --catalogue, else $WAYFARER_CATALOGUE_URL, else an in-process CatalogueServer.
struct CatalogueChoice {
    std::optional<std::string> catalogue;
    std::optional<std::string> caFile;
};

// Reads $WAYFARER_CATALOGUE_URL when no option was given; requires isPermittedAddress and
// a readable CA file. Error::detail is the user-facing message.
platform::Result<void> completeCatalogueChoice(CatalogueChoice& choice);

struct ConnectedCatalogue {
    std::string baseURL;
    platform::HttpClientOptions httpOptions;
};

// Starts the in-process CatalogueServer when none was named, with exclusiveCaPem set
// to its certificate. It is leaked: stopping it would block until HttpClient::shared()'s
// keep-alive connections time out. Error::detail is the user-facing message.
platform::Result<ConnectedCatalogue> connectCatalogue(const CatalogueChoice& choice);

// Configures DataTaskManager::shared() and HttpClient::shared(); fails if either already
// exists, so call it before their first use.
platform::Result<void> useCatalogue(const ConnectedCatalogue& catalogue);

}
