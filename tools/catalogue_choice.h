#pragma once

#include "platform/http_client.h"
#include "platform/result.h"
#include "service/catalogue_server.h"

#include <memory>
#include <optional>
#include <string>

namespace wayfarer::tools {

// Which catalogue a program talks to: the one named by --catalogue or by the variable
// WAYFARER_CATALOGUE_URL, or, with none named, the demo catalogue served in the process.
struct CatalogueChoice {
    std::optional<std::string> catalogue;
    std::optional<std::string> caFile;
};

// Fills in the catalogue from the environment when no option named one, and checks the
// choice: an https:// address, or http:// to this machine, and a readable certificate
// file. When the choice is wrong, the error's detail is the message for the user.
platform::Result<void> completeCatalogueChoice(CatalogueChoice& choice);

// The catalogue in use: its base address and how to reach it.
struct ConnectedCatalogue {
    std::string baseURL;
    platform::HttpClientOptions httpOptions;
};

// Starts the demo catalogue when none was named, trusting only its certificate then.
// The served catalogue is never stopped: stopping it would wait for the shared client's
// kept-alive connections to time out, and it ends with the process. The error's detail
// is the message for the user.
platform::Result<ConnectedCatalogue> connectCatalogue(const CatalogueChoice& choice);

// Makes the chosen catalogue the one the process's shared transport and session use;
// fails when either was already in use, and is then to be called earlier.
platform::Result<void> useCatalogue(const ConnectedCatalogue& catalogue);

}
