#include "CorvaneApp/session/PracticeSessionStore.hpp"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

#include "CorvaneDomain/RegularFileReader.hpp"
#include "CorvaneLibrary/BookmarkService.hpp"
#include "CorvaneLibrary/LibraryPaths.hpp"
#ifdef BRELMO_HAS_STAGE_VIEW
#include "CorvaneRendering/StagePhotoDecoder.hpp"
#endif

namespace corvane {

namespace {

// Absent when the file cannot be read (or is no regular file, or too large).
std::optional<std::vector<std::uint8_t>> readPhoto(const std::filesystem::path& path)
{
    try {
        return readRegularFile(path, PracticeSessionStore::maximumBackgroundImageBytes);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// Reads the header only: a whole decode would cost a second on the main
// thread at every restore. A picture the stage could not decode within its
// memory bound (a huge PNG) is refused here, where the user is told.
bool decodesAsImage(const std::vector<std::uint8_t>& bytes)
{
    if (bytes.empty()) return false;
    const QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<qsizetype>(bytes.size()));
    QBuffer buffer;
    buffer.setData(data);
    if (!buffer.open(QIODevice::ReadOnly)) return false;
    QImageReader reader(&buffer);
#ifdef BRELMO_HAS_STAGE_VIEW
    return reader.canRead() && StagePhotoDecoder::fitsBudget(reader, StagePhotoDecoder::defaultLongSide);
#else
    return reader.canRead() && !reader.size().isEmpty();
#endif
}

} // namespace

bool PracticeSessionStore::isReadableImage(const std::filesystem::path& path)
{
    const auto bytes = readPhoto(path);
    return bytes && decodesAsImage(*bytes);
}

void PracticeSessionStore::releaseBackgroundImageAccess()
{
    if (backgroundImageHasSecurityScope_ && backgroundImageURL_) bookmarks_->stopAccessing(*backgroundImageURL_);
    backgroundImageHasSecurityScope_ = false;
    assign(backgroundImageURL_, std::optional<std::string>(), &PracticeSessionStore::backgroundImageURLChanged);
}

void PracticeSessionStore::resetVisualParameters()
{
    releaseBackgroundImageAccess();
    setVisualPreset(builtInVisualPreset());
    setBackgroundImageError(std::nullopt);
    persistProgress(false);
}

void PracticeSessionStore::selectBackgroundImage(const std::filesystem::path& url)
{
    const std::string path = standardizedAbsolutePath(url.string());
    const bool started = bookmarks_->startAccessing(path);
    const auto fail = [&](const char* message) {
        if (started) bookmarks_->stopAccessing(path);
        setBackgroundImageError(std::string(message));
    };
    const auto bytes = readPhoto(path);
    if (!bytes) return fail("Não foi possível ler a foto selecionada.");
    if (!decodesAsImage(*bytes)) return fail("O arquivo selecionado não contém uma imagem compatível.");
    auto bookmark = bookmarks_->createBookmark(path);
    if (!bookmark) return fail("Não foi possível guardar o acesso à foto selecionada.");

    releaseBackgroundImageAccess();
    backgroundImageHasSecurityScope_ = started;
    assign(backgroundImageURL_, std::optional(path), &PracticeSessionStore::backgroundImageURLChanged);
    VisualPreset preset = visualPreset_;
    preset.background.imageReference = BackgroundImageReference{path, std::move(bookmark)};
    setVisualPreset(std::move(preset));
    setBackgroundImageError(std::nullopt);
    persistProgress(false);
}

void PracticeSessionStore::removeBackgroundImage()
{
    releaseBackgroundImageAccess();
    VisualPreset preset = visualPreset_;
    preset.background.imageReference.reset();
    setVisualPreset(std::move(preset));
    setBackgroundImageError(std::nullopt);
    persistProgress(false);
}

void PracticeSessionStore::restoreBackgroundImageAccess()
{
    releaseBackgroundImageAccess();
    setBackgroundImageError(std::nullopt);
    const auto reference = visualPreset_.background.imageReference;
    if (!reference) return;

    std::optional<std::string> pendingMessage;
    if (reference->bookmarkData) {
        if (const auto resolution = bookmarks_->resolveBookmark(*reference->bookmarkData)) {
            const std::string& resolved = resolution->path;
            const bool started = bookmarks_->startAccessing(resolved);
            if (isReadableImage(resolved)) {
                backgroundImageHasSecurityScope_ = started;
                assign(backgroundImageURL_, std::optional(resolved), &PracticeSessionStore::backgroundImageURLChanged);
                if (resolution->isStale) {
                    if (auto renewed = bookmarks_->createBookmark(resolved)) {
                        VisualPreset preset = visualPreset_;
                        preset.background.imageReference = BackgroundImageReference{resolved, std::move(renewed)};
                        setVisualPreset(std::move(preset));
                    }
                }
                return;
            }
            if (started) bookmarks_->stopAccessing(resolved);
            pendingMessage = "O acesso à foto de fundo não pôde ser restaurado. Escolha a foto novamente para renovar "
                             "a permissão.";
        } else {
            pendingMessage =
                "A autorização salva para a foto de fundo expirou. Escolha a foto novamente para renová-la.";
        }
    }
    const std::string path = standardizedAbsolutePath(reference->path);
    if (isReadableImage(path)) {
        assign(backgroundImageURL_, std::optional(path), &PracticeSessionStore::backgroundImageURLChanged);
        return;
    }
    setBackgroundImageError(pendingMessage.value_or("A foto de fundo não pôde ser aberta. Escolha o arquivo novamente."));
}

} // namespace corvane
