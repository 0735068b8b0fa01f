#include "CorvaneApp/kit/style/StudioResourceBundle.hpp"

#include <algorithm>
#include <set>
#include <string>
#include <system_error>

#include <QFile>

namespace corvane {

namespace {

namespace fs = std::filesystem;

fs::path executableFolder()
{
    std::error_code error;
    const auto executable = fs::read_symlink("/proc/self/exe", error);
    if (!error) return executable.parent_path();
    // Without /proc the working folder is the best guess at where the program lives.
    return fs::current_path(error);
}

bool isFile(const fs::path& path)
{
    std::error_code error;
    return fs::is_regular_file(path, error); // follows the links the build makes
}

std::string fileName(std::string_view name, std::string_view extension)
{
    std::string result(name);
    result += '.';
    result += extension;
    return result;
}

// Files directly in `folder` ending in ".<extension>", by name so that every
// run lists them alike.
std::vector<fs::path> filesWithExtension(const fs::path& folder, std::string_view extension)
{
    const std::string suffix = "." + std::string(extension);
    std::vector<fs::path> files;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const auto& path = it->path();
        if (path.extension() == suffix && isFile(path)) files.push_back(path);
    }
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace

std::vector<fs::path> StudioResourceBundle::candidates(const std::vector<fs::path>& directories,
                                                       const fs::path& mainDirectory)
{
    std::vector<fs::path> bundles;
    std::set<fs::path> seen;
    for (const auto& directory : directories) {
        std::error_code error;
        const auto bundle = fs::canonical(directory / bundleName, error);
        if (error || !fs::is_directory(bundle, error)) continue;
        if (seen.insert(bundle).second) bundles.push_back(bundle);
    }
    bundles.push_back(mainDirectory);
    return bundles;
}

const std::vector<fs::path>& StudioResourceBundle::candidates()
{
    static const std::vector<fs::path> list = [] {
        const auto folder = executableFolder();
        std::vector<fs::path> directories{folder.parent_path() / "share" / "brelmo", folder};
#ifdef BRELMO_APP_BUILD_BUNDLE
        // Programs built in the tree without a bundle beside them (tests) use this one.
        directories.push_back(fs::path(BRELMO_APP_BUILD_BUNDLE).parent_path());
#endif
        return candidates(directories, folder);
    }();
    return list;
}

std::vector<fs::path> StudioResourceBundle::urls(std::string_view extension,
                                                 std::optional<std::string_view> subdirectory)
{
    return urls(extension, subdirectory, candidates());
}

std::vector<fs::path> StudioResourceBundle::urls(std::string_view extension,
                                                 std::optional<std::string_view> subdirectory,
                                                 const std::vector<fs::path>& candidates)
{
    for (const auto& bundle : candidates) {
        auto files = filesWithExtension(bundle, extension);
        if (subdirectory) {
            std::set<fs::path> names;
            for (const auto& file : files) names.insert(file.filename());
            for (auto& file : filesWithExtension(bundle / *subdirectory, extension))
                if (names.insert(file.filename()).second) files.push_back(std::move(file));
        }
        if (!files.empty()) return files;
    }
    return {};
}

std::optional<fs::path> StudioResourceBundle::resourceIn(const fs::path& bundle, std::string_view name,
                                                         std::string_view extension,
                                                         std::optional<std::string_view> subdirectory)
{
    auto path = subdirectory ? bundle / *subdirectory : bundle;
    path /= fileName(name, extension);
    if (isFile(path)) return path;
    return std::nullopt;
}

std::optional<fs::path> StudioResourceBundle::url(std::string_view name, std::string_view extension)
{
    return url(name, extension, candidates());
}

std::optional<fs::path> StudioResourceBundle::url(std::string_view name, std::string_view extension,
                                                  const std::vector<fs::path>& candidates)
{
    for (const auto& bundle : candidates)
        if (auto path = resourceIn(bundle, name, extension)) return path;
    return std::nullopt;
}

std::optional<QImage> StudioResourceBundle::image(std::string_view name, std::string_view extension)
{
    return image(name, extension, candidates());
}

std::optional<QImage> StudioResourceBundle::image(std::string_view name, std::string_view extension,
                                                  const std::vector<fs::path>& candidates)
{
    const auto path = url(name, extension, candidates);
    if (!path) return std::nullopt;
    QImage image(QFile::decodeName(path->c_str()));
    if (image.isNull()) return std::nullopt;
    return image;
}

} // namespace corvane
