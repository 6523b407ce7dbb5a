#include "platform/disc_reader.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include <cdio/cdio.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

#include "platform/cd_stream_device.h"
#include "platform/file_system.h"

namespace platform {

struct DiscReader::Disc {
    CdIo_t* cdio = nullptr;
    cdrom_drive_t* drive = nullptr;
    cdrom_paranoia_t* paranoia = nullptr;
    std::vector<lsn_t> first, last;  // per track from 1; first > last for a data track
    std::mutex mutex;                // one reader of the drive at a time
    lsn_t next = -1;                 // the sector paranoia reads next without a seek
    ~Disc() {
        if (paranoia) cdio_paranoia_free(paranoia);
        if (drive) cdio_cddap_close_no_free_cdio(drive);
        if (cdio) cdio_destroy(cdio);
    }
};

namespace {

std::shared_ptr<DiscReader::Disc> OpenAudioDisc(const char* device) {
    auto disc = std::make_shared<DiscReader::Disc>();
    disc->cdio = cdio_open(device, DRIVER_DEVICE);
    if (!disc->cdio) return nullptr;
    const track_t firstTrack = cdio_get_first_track_num(disc->cdio);
    const track_t tracks = cdio_get_num_tracks(disc->cdio);
    if (firstTrack == CDIO_INVALID_TRACK || tracks == CDIO_INVALID_TRACK || tracks == 0)
        return nullptr;
    const int count = firstTrack + tracks - 1;
    bool audio = false;
    disc->first.assign(static_cast<size_t>(count) + 1, 1);
    disc->last.assign(static_cast<size_t>(count) + 1, 0);
    for (int t = firstTrack; t <= count; ++t) {
        if (cdio_get_track_format(disc->cdio, static_cast<track_t>(t)) != TRACK_FORMAT_AUDIO) continue;
        disc->first[static_cast<size_t>(t)] = cdio_get_track_lsn(disc->cdio, static_cast<track_t>(t));
        disc->last[static_cast<size_t>(t)] = cdio_get_track_last_lsn(disc->cdio, static_cast<track_t>(t));
        audio = true;
    }
    if (!audio) return nullptr;
    disc->drive = cdio_cddap_identify_cdio(disc->cdio, CDDA_MESSAGE_FORGETIT, nullptr);
    if (!disc->drive || cdio_cddap_open(disc->drive) != 0) return nullptr;
    disc->paranoia = cdio_paranoia_init(disc->drive);
    if (!disc->paranoia) return nullptr;
    // Full correction, but a sector that cannot be read is skipped rather than retried for
    // ever, so a scratched or removed disc ends the track instead of hanging it.
    cdio_paranoia_modeset(disc->paranoia, PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
    return disc;
}

}  // namespace

DiscReader::DiscReader(std::shared_ptr<Disc> disc, int track) : m_Disc(std::move(disc)), m_Track(track) {
    const lsn_t first = m_Disc->first[static_cast<size_t>(track)];
    const lsn_t last = m_Disc->last[static_cast<size_t>(track)];
    m_Length = last >= first ? int64_t{last - first + 1} * kSamplesPerFrame : 0;
}

DiscReader::~DiscReader() = default;

std::unique_ptr<CdStreamDevice> DiscReader::OpenDevice(int drive) {
    if (drive >= 0) {
        // A lettered drive that is no CD drive (a game installed with its marker file) has
        // no disc to play.
        bool cdDrive = false;
        for (const DriveInfo& info : FileSystem::Drives())
            if (info.letter == 'a' + drive && info.type == DriveType::CdRom) cdDrive = true;
        if (!cdDrive) return nullptr;
    }
    std::shared_ptr<Disc> disc;
    if (char** devices = cdio_get_devices(DRIVER_DEVICE)) {
        for (char** d = devices; *d && !disc; ++d) disc = OpenAudioDisc(*d);
        cdio_free_device_list(devices);
    }
    if (!disc) return nullptr;
    const size_t count = disc->first.size() - 1;
    std::vector<int64_t> lengths(count, 0);
    for (size_t t = 1; t <= count; ++t)
        if (disc->last[t] >= disc->first[t])
            lengths[t - 1] = int64_t{disc->last[t] - disc->first[t] + 1} * kSamplesPerFrame;
    auto factory = [disc](int track) -> std::unique_ptr<CdTrackReader> {
        return std::make_unique<DiscReader>(disc, track);
    };
    return std::make_unique<CdStreamDevice>(std::move(lengths), std::move(factory));
}

bool DiscReader::Seek(int64_t sample) {
    if (sample < 0 || sample > m_Length) return false;
    m_Sample = sample;
    return true;
}

int64_t DiscReader::Read(int16_t* out, int64_t count) {
    std::lock_guard<std::mutex> lock(m_Disc->mutex);
    int64_t done = 0;
    const lsn_t first = m_Disc->first[static_cast<size_t>(m_Track)];
    while (done < count && m_Sample < m_Length) {
        const lsn_t sector = first + static_cast<lsn_t>(m_Sample / kSamplesPerFrame);
        const int64_t inSector = m_Sample % kSamplesPerFrame;
        // Paranoia corrects across neighbouring sectors: seek only when play jumped.
        if (sector != m_Disc->next) cdio_paranoia_seek(m_Disc->paranoia, sector, SEEK_SET);
        const int16_t* data = cdio_paranoia_read(m_Disc->paranoia, nullptr);
        if (!data) {
            m_Disc->next = -1;
            return done > 0 ? done : -1;  // the disc went away
        }
        m_Disc->next = sector + 1;
        const int64_t take = std::min(count - done, kSamplesPerFrame - inSector);
        std::memcpy(out + done * 2, data + inSector * 2, static_cast<size_t>(take) * 4);
        done += take;
        m_Sample += take;
    }
    return done;
}

}  // namespace platform
