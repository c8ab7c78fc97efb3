#include "check/MediaCheck.h"

#include "check/Wording.h"
#include "host/audio/Mixer.h"
#include "host/files/File.h"
#include "host/files/ProfileReader.h"
#include "host/files/TitlePaths.h"
#include "host/video/Movie.h"
#include "media/WaveFile.h"

namespace stagehand::check {

MediaCheck::MediaCheck(const host::TitlePaths& paths) : paths_(paths) {}

std::string MediaCheck::Fault(MediaKind kind, std::string_view titleName) {
    // The content manager searches with wildcards; every other role opens the name.
    const std::optional<std::filesystem::path> path =
        kind == MediaKind::kContent ? paths_.FindFirst(titleName) : paths_.Resolve(titleName);
    if (!path) {
        return "no file " + Quoted(titleName) + " in the title";
    }
    const auto key = std::make_pair(kind, *path);
    auto found = seen_.find(key);
    if (found == seen_.end()) {
        found = seen_.emplace(key, ReadFault(kind, *path)).first;
    }
    if (found->second.empty()) {
        return {};
    }
    return Quoted(titleName) + " cannot be read: " + found->second;
}

std::string MediaCheck::ReadFault(MediaKind kind, const std::filesystem::path& path) {
    switch (kind) {
        case MediaKind::kPicture: {
            const base::Result<CPictureCache::Picture> picture =
                pictures_.Load(path, paths_.Opener());
            return picture ? std::string() : picture.error();
        }
        case MediaKind::kMovie: {
            host::Movie movie;
            const base::Result<void> opened = movie.Open(path, paths_.Opener());
            return opened ? std::string() : opened.error();
        }
        case MediaKind::kWave: {
            CWaveFile wave;
            if (const base::Result<void> opened = wave.Open(path, paths_.Opener()); !opened) {
                return opened.error();
            }
            const WaveFormat& format = wave.Format();
            if (format.formatTag != WaveFormat::kPcm) {
                return "its format " + std::to_string(format.formatTag) + " is not PCM";
            }
            const host::PcmFormat pcm{format.channels, format.samplesPerSecond,
                                      format.bitsPerSample};
            if (!pcm.IsPlayable() || format.blockAlign != pcm.BlockAlign()) {
                return "only 1 or 2 channels of 8 or 16 bits play";
            }
            return {};
        }
        case MediaKind::kContent: {
            // The profile reader reads the whole file when it is first asked; its size is
            // what it refuses by.
            const host::InputFile file = paths_.Open(path);
            if (!file.IsOpen()) {
                return file.Reason();
            }
            if (file.Size() > host::ProfileReader::kMaxFileBytes) {
                return "it is larger than the " +
                       std::to_string(host::ProfileReader::kMaxFileBytes >> 20) +
                       " MiB the player reads";
            }
            return {};
        }
    }
    return {};
}

}  // namespace stagehand::check
