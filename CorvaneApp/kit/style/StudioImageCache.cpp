#include "CorvaneApp/kit/style/StudioImageCache.hpp"

#include <QHash>
#include <QString>

#include <mutex>

#include "CorvaneApp/kit/style/StudioResourceBundle.hpp"

namespace corvane {

namespace {

struct Cache {
    std::mutex mutex;
    QHash<QString, std::optional<QImage>> images;
};

Cache& cache()
{
    static Cache shared;
    return shared;
}

} // namespace

std::optional<QImage> StudioImageCache::image(const std::string& name, const std::string& extension)
{
    const QString key = QString::fromStdString(name + '.' + extension);
    auto& shared = cache();
    {
        std::lock_guard lock(shared.mutex);
        if (auto found = shared.images.constFind(key); found != shared.images.cend()) return *found;
    }
    // Decoded outside the lock: two threads asking at once both decode, and
    // the first to finish is kept.
    auto decoded = StudioResourceBundle::image(name, extension);
    std::lock_guard lock(shared.mutex);
    if (auto found = shared.images.constFind(key); found != shared.images.cend()) return *found;
    return *shared.images.insert(key, std::move(decoded));
}

void StudioImageCache::prepare()
{
    for (const char* name : {"wood1", "wood2", "wood3", "wood-horizontal-piano", "panel-texture"}) image(name);
}

} // namespace corvane
