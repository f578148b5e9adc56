// Attraction::loadCoverImage, apart from attraction.cpp so the record links without
// DataTaskManager and libcurl.
#include "attraction.h"
#include "catalogue_context.h"
#include "data_task_manager.h"

namespace wayfarer {

void Attraction::loadCoverImage(std::function<void()> completion) {
    loadCoverImage(std::move(completion), CatalogueContext::shared());
}

void Attraction::loadCoverImage(std::function<void()> completion, const CatalogueContext& context) {
    if (!coverURL) {
        didLoadImage = true;
        completion();
        return;
    }
    // Captures shared_from_this() so the record lives until the image is stored.
    DataTaskManager::downloadImage(
        *coverURL,
        [self = shared_from_this(), context, completion = std::move(completion)](
            std::shared_ptr<const platform::Image> image) {
            self->coverImg = std::move(image);
            self->didLoadImage = true;
            context.postToMain(completion);
        },
        context, origin);
}

}
