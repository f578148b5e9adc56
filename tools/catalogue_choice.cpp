#include "catalogue_choice.h"

#include "catalogue/data_task_manager.h"
#include "platform/no_destructor.h"
#include "platform/url.h"

#include <cstdlib>
#include <filesystem>

namespace wayfarer::tools {

namespace {

platform::Error refusal(std::string message) {
    return platform::Error{platform::ErrorCode::unknown, std::move(message)};
}

}

platform::Result<void> completeCatalogueChoice(CatalogueChoice& choice) {
    if (!choice.catalogue)
        if (const char* fromEnvironment = std::getenv("WAYFARER_CATALOGUE_URL"); fromEnvironment && *fromEnvironment)
            choice.catalogue = fromEnvironment;
    if (choice.catalogue) {
        const auto url = platform::URL::parse(*choice.catalogue);
        if (!url || !platform::isPermittedAddress(*url))
            return refusal("the catalogue must be an https:// address (or http:// on this machine), not '" +
                           *choice.catalogue + "'");
    }
    if (choice.caFile && !std::filesystem::is_regular_file(*choice.caFile))
        return refusal("cannot read the certificate file " + *choice.caFile);
    return {};
}

platform::Result<ConnectedCatalogue> connectCatalogue(const CatalogueChoice& choice) {
    ConnectedCatalogue connected;
    connected.httpOptions.extraCaFile = choice.caFile;
    if (choice.catalogue) {
        connected.baseURL = *choice.catalogue;
        return connected;
    }
    static platform::NoDestructor<std::unique_ptr<service::CatalogueServer>> embedded;
    if (!*embedded) {
        auto started = service::CatalogueServer::start({});
        if (!started)
            return refusal("cannot start the demo catalogue: " + started.error().detail);
        *embedded = std::move(*started);
    }
    connected.baseURL = (*embedded)->baseURL();
    connected.httpOptions.exclusiveCaPem = (*embedded)->certificatePem();
    return connected;
}

platform::Result<void> useCatalogue(const ConnectedCatalogue& catalogue) {
    if (auto set = platform::HttpClient::setSharedOptions(catalogue.httpOptions); !set)
        return set;
    return DataTaskManager::setSharedConfiguration(DataTaskManager::Configuration{catalogue.baseURL});
}

}
