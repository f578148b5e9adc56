#include "catalogue_choice.h"

#include "catalogue/data_task_manager.h"
#include "platform/no_destructor.h"
#include "platform/url.h"

#include <cstdlib>
#include <filesystem>

namespace wayfarer::tools {

std::optional<std::string> completeCatalogueChoice(CatalogueChoice& choice) {
    if (!choice.catalogue)
        if (const char* fromEnvironment = std::getenv("WAYFARER_CATALOGUE_URL"); fromEnvironment && *fromEnvironment)
            choice.catalogue = fromEnvironment;
    if (choice.catalogue) {
        const auto url = platform::URL::parse(*choice.catalogue);
        if (!url || !platform::isPermittedAddress(*url))
            return "the catalogue must be an https:// address (or http:// on this machine), not '" +
                   *choice.catalogue + "'";
    }
    if (choice.caFile && !std::filesystem::is_regular_file(*choice.caFile))
        return "cannot read the certificate file " + *choice.caFile;
    return std::nullopt;
}

std::optional<ConnectedCatalogue> connectCatalogue(const CatalogueChoice& choice, std::string* error) {
    ConnectedCatalogue connected;
    connected.httpOptions.extraCaFile = choice.caFile;
    if (choice.catalogue) {
        connected.baseURL = *choice.catalogue;
        return connected;
    }
    static platform::NoDestructor<std::unique_ptr<service::CatalogueServer>> embedded;
    if (!*embedded) {
        std::string startError;
        *embedded = service::CatalogueServer::start({}, &startError);
        if (!*embedded) {
            if (error)
                *error = "cannot start the demo catalogue: " + startError;
            return std::nullopt;
        }
    }
    connected.baseURL = (*embedded)->baseURL();
    connected.httpOptions.exclusiveCaPem = (*embedded)->certificatePem();
    return connected;
}

void useCatalogue(const ConnectedCatalogue& catalogue) {
    platform::HttpClient::setSharedOptions(catalogue.httpOptions);
    DataTaskManager::setSharedConfiguration(DataTaskManager::Configuration{catalogue.baseURL});
}

}
