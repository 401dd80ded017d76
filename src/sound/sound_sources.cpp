// Sound sources: Snd_Open finds a file, recognises Ogg Vorbis or RIFF WAVE,
// records the PCM format and installs the read routine; in DirectSound mode it
// also makes the device buffer that will play it.
#include <windows.h>
#include <commctrl.h>  // for: PBM_SETRANGE, PBM_SETPOS
#include <dsound.h>    // for: IDirectSoundBuffer, IDirectSoundNotify

#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/ansi.h"
#include "core/log.h"
#include "core/texts.h"
#include "core/user_directory.h"
#include "core/velk.h"
#include "sound/decode_progress.h"
#include "sound/sound_buffer.h"
#include "sound/sound_sources.h"
#include "sound/wav_header.h"

namespace {

constexpr int kProgressStatusId = 234;
constexpr int kProgressBarId = 233;

class FileSource final : public velk::WavByteSource {
public:
    explicit FileSource(FILE* file) : file_(file) {
        if (fseek(file_, 0, SEEK_END) == 0) {
            long end = ftell(file_);
            size_ = end > 0 ? static_cast<uint32_t>(end) : 0;
        }
    }
    bool ReadAt(uint32_t offset, void* destination, size_t count) override {
        if (offset > size_ || count > size_ - offset) return false;
        if (fseek(file_, static_cast<long>(offset), SEEK_SET) != 0) return false;
        return fread(destination, 1, count, file_) == count;
    }
    uint32_t Size() const override { return size_; }

private:
    FILE* file_;
    uint32_t size_ = 0;
};

// The progress dialog is the host thread's: only that thread reports into it
// and pumps messages, never a worker that happens to decode at the same time.
HWND ProgressDialogOfThisThread(const VelkObject* self) {
    HWND dialog = self ? self->ProgressDialog : nullptr;
    if (!dialog || GetWindowThreadProcessId(dialog, nullptr) != GetCurrentThreadId()) return nullptr;
    return dialog;
}

FILE* OpenForReading(const char* name) {
    char path[velk::kPathBytes];
    if (!name || strlen(name) >= sizeof path) return nullptr;
    strcpy(path, name);
    return fopen(path, "rb");
}

}  // namespace

namespace velk {

size_t ReadWav(SoundBuffer& buffer, size_t wanted, void* destination) {
    if (!buffer.SourceFile) return 0;
    long at = ftell(buffer.SourceFile);
    // Chunks after the sample data are not sound.
    size_t left = (at >= 0 && at < buffer.DataEnd) ? static_cast<size_t>(buffer.DataEnd - at) : 0;
    if (wanted > left) wanted = left;
    return wanted ? fread(destination, 1, wanted, buffer.SourceFile) : 0;
}

size_t ReadOgg(SoundBuffer& buffer, size_t wanted, void* destination) {
    VelkObject* self = LiveInstance.load();
    HWND dialog = ProgressDialogOfThisThread(self);
    if (dialog)
        SendDlgItemMessageA(dialog, kProgressBarId, PBM_SETRANGE, 0,
                            MAKELPARAM(0, static_cast<WORD>(wanted / 1000)));
    int bitstream = 0;  // ov_read wants somewhere to put it; nothing reads it
    char* out = static_cast<char*>(destination);
    size_t remain = wanted;
    while (remain > 0) {
        int piece = remain > 0x40000000 ? 0x40000000 : static_cast<int>(remain);
        long got = ov_read(&buffer.Decoder, out, piece, 0, 2, 1, &bitstream);
        if (got == OV_HOLE) continue;  // a gap in the stream: decoding resumes after it
        if (got <= 0) break;           // the end, or a stream that cannot go on
        remain -= static_cast<size_t>(got);
        out += got;
        if (dialog) {
            char line[128];
            FormatDecodeProgress(line, sizeof line, static_cast<long>(remain), static_cast<long>(wanted));
            SetDlgItemTextA(dialog, kProgressStatusId, line);
            SendDlgItemMessageA(dialog, kProgressBarId, PBM_SETPOS, (wanted - remain) / 1000, 0);
            LONG ended = 0;
            self->DoEvents(&ended);
            dialog = ProgressDialogOfThisThread(self);
        }
    }
    return wanted - remain;
}

}  // namespace velk

// ---------------------------------------------------------------- recognising the file

bool VelkObject::OpenOggSource(int index) {
    velk::SoundBuffer& buffer = SoundBufferTable[index];
    if (ov_open(buffer.SourceFile, &buffer.Decoder, nullptr, 0) != 0) return false;
    buffer.SourceFile = nullptr;  // the decoder owns the file now
    vorbis_info* info = ov_info(&buffer.Decoder, -1);
    double seconds = ov_time_total(&buffer.Decoder, -1);
    uint64_t frame_bytes = info ? 2ull * info->channels * static_cast<uint64_t>(info->rate) : 0;
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    if (info && info->channels > 0 && info->rate > 0 && frame_bytes <= UINT32_MAX) {
        format.nChannels = static_cast<WORD>(info->channels);
        format.nSamplesPerSec = static_cast<DWORD>(info->rate);
        format.nAvgBytesPerSec = static_cast<DWORD>(frame_bytes);
        format.nBlockAlign = static_cast<WORD>(info->channels * 2);
        format.wBitsPerSample = 16;
        format.cbSize = 18;
    }
    DWORD rate_channels = static_cast<DWORD>(format.nChannels) * format.nSamplesPerSec;
    double bytes = std::ceil(seconds * rate_channels * 2.0);
    // A stream whose length or unit cannot be sized is not one this can play.
    if (velk::FiveSecondBytes(format) == 0 || !(seconds >= 0.0) || bytes + 1 > 4294967295.0) {
        ov_clear(&buffer.Decoder);
        return false;
    }
    buffer.Format = format;
    // Whole frames: the static buffer that holds the sound ends on a frame.
    DWORD align = format.nBlockAlign;
    buffer.DataSize = static_cast<DWORD>((static_cast<uint64_t>(bytes) + align - 1) / align * align);
    buffer.ReadFunction = velk::ReadOgg;
    vorbis_comment* comments = ov_comment(&buffer.Decoder, -1);
    ogg_int64_t frames = ov_pcm_total(&buffer.Decoder, -1);
    if (comments && frames > 0)
        buffer.Loop = velk::LoopFromVorbisComments(comments->user_comments, comments->comment_lengths,
                                                   comments->comments, static_cast<uint64_t>(frames));
    return true;
}

// The "smpl" chunk's loop, read from its fixed part (header and first loop).
static velk::LoopSection WavLoop(velk::WavByteSource& source, uint32_t data_bytes, WORD align) {
    uint32_t offset = 0, size = 0;
    uint8_t body[60];
    if (!velk::FindWavChunk(source, "smpl", &offset, &size)) return {false, 0, 0};
    if (size > sizeof body) size = sizeof body;
    if (!source.ReadAt(offset, body, size)) return {false, 0, 0};
    return velk::LoopFromSmplChunk(body, size, data_bytes / align);
}

bool VelkObject::ParseWavHeader(int index) {
    velk::SoundBuffer& buffer = SoundBufferTable[index];
    if (!buffer.SourceFile) return false;
    FileSource source(buffer.SourceFile);
    velk::WavLayout layout;
    if (!velk::ParseWavLayout(source, &layout)) return false;
    buffer.Loop = WavLoop(source, layout.DataSize, layout.Format.nBlockAlign);
    if (fseek(buffer.SourceFile, static_cast<long>(layout.DataOffset), SEEK_SET) != 0) return false;
    buffer.Format = layout.Format;
    buffer.DataSize = layout.DataSize;
    buffer.DataStart = static_cast<long>(layout.DataOffset);
    // A partial frame at the end would shift every frame after a loop's restart.
    const DWORD align = layout.Format.nBlockAlign;
    buffer.DataEnd = static_cast<long>(layout.DataOffset + layout.DataSize / align * align);
    buffer.ReadFunction = velk::ReadWav;
    return true;
}

void VelkObject::CloseSource(int index) {
    velk::SoundBuffer& buffer = SoundBufferTable[index];
    if (buffer.SourceFile) {
        fclose(buffer.SourceFile);
        buffer.SourceFile = nullptr;
    } else if (buffer.Decoder.datasource) {
        ov_clear(&buffer.Decoder);
    }
}

void VelkObject::EnsureSoundMode() {
    // Without a chosen mode there are no events or device: the one that needs
    // no window is put in force.
    if (SoundMode == 0) Sound(1);
    // Fades that ended with a stop stop here too when no message loop runs.
    if (Mix.FadeStops.load()) TakeSoundNotices(false);
}

// ---------------------------------------------------------------- the device buffer

// A section ring's notices go to its worker's events. The positions stay with
// the device buffer when the notify interface is let go.
static void SetSectionNotices(VelkObject* self, int index, DWORD ring) {
    velk::SectionWorker& worker = self->SectionWorkers[index];
    for (int notice = 1; notice <= 2; ++notice)
        if (!worker.Events[notice]) worker.Events[notice] = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    IDirectSoundNotify* notifier = nullptr;
    self->SoundBufferTable[index].DeviceBuffer->QueryInterface(IID_IDirectSoundNotify,
                                                               reinterpret_cast<void**>(&notifier));
    if (!notifier) return;
    DSBPOSITIONNOTIFY positions[2] = {{ring - 1, worker.Events[1]}, {ring / 2, worker.Events[2]}};
    notifier->SetNotificationPositions(2, positions);
    notifier->Release();
}

// The mixer's volume, pan and speed, on every buffer and its voices' duplicates.
constexpr DWORD kLevelControls = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN | DSBCAPS_CTRLFREQUENCY;

void VelkObject::CreateDeviceBuffer(int index) {
    velk::SoundBuffer& buffer = SoundBufferTable[index];
    const bool ring = FedFromRing(index);
    DSBUFFERDESC description = {};
    description.dwSize = sizeof description;  // 36 bytes, with the 3D-algorithm member
    if (ring) {
        description.dwFlags = DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_GLOBALFOCUS | DSBCAPS_CTRLPOSITIONNOTIFY | kLevelControls;
        description.dwBufferBytes = 2 * velk::RingHalfBytes(buffer.Format);
    } else {
        description.dwFlags = DSBCAPS_GLOBALFOCUS | DSBCAPS_STATIC | kLevelControls;
        description.dwBufferBytes = buffer.DataSize;
    }
    velk::LogWrite(this, velk::texts::kStep,
                   index == 0 ? velk::texts::kStreamBufferStep : velk::texts::kStaticBufferStep);
    WAVEFORMATEX format = buffer.Format;
    description.lpwfxFormat = &format;
    if (!DirectSoundDevice ||
        FAILED(DirectSoundDevice->CreateSoundBuffer(&description, &buffer.DeviceBuffer, nullptr))) {
        buffer.DeviceBuffer = nullptr;
        ReleaseBuffer(index);
        CloseSource(index);
        velk::FatalError(this, velk::texts::kFailed, velk::texts::kDeviceBufferFailed);
    }
    Mix.HoldsWholeSound[index] = false;
    ApplyLevels(index);
    if (!ring) return;
    if (index != 0) {
        SetSectionNotices(this, index, description.dwBufferBytes);
        return;
    }

    // The notifier belongs to the device buffer it came from; the old one goes with its buffer.
    if (StreamNotifier) {
        StreamNotifier->Release();
        StreamNotifier = nullptr;
    }
    buffer.DeviceBuffer->QueryInterface(IID_IDirectSoundNotify, reinterpret_cast<void**>(&StreamNotifier));
    if (!StreamNotifier) return;
    DWORD ring_bytes = description.dwBufferBytes;
    DSBPOSITIONNOTIFY positions[3] = {
        {ring_bytes - 1, SoundEvents[0]},
        {ring_bytes / 2, SoundEvents[1]},
        {static_cast<DWORD>(DSBPN_OFFSETSTOP), SoundEvents[2]},
    };
    StreamNotifier->SetNotificationPositions(3, positions);
}

// ---------------------------------------------------------------- Snd_Open

HRESULT VelkObject::Snd_Open(LONG BufferID, BSTR FileName) {
    EnsureSoundMode();
    int index = BufferIndex(BufferID);
    velk::LogWrite(this, velk::texts::kTitle, velk::texts::kSndOpenTitle);
    velk::AnsiText name = velk::ToAnsi(FileName);
    velk::LogWrite(this, velk::texts::kInfoText, velk::texts::kFilePathLabel, name ? name.get() : "");

    if (RefusedDuringFirstFill(index)) return S_OK;

    // The worker and the device let go of the blocks first; the old sound's
    // voices and fade end with it.
    SilenceBuffer(index);
    ReleaseBuffer(index);
    CloseSource(index);  // a source whose buffer holds no blocks is still open
    velk::SoundBuffer& buffer = SoundBufferTable[index];
    buffer.LoopFlag = 0;  // a new sound does not loop because the last one did
    buffer.Loop = {false, 0, 0};
    buffer.SourceFile = OpenForReading(name);
    if (!buffer.SourceFile) {
        char path[velk::kPathBytes];
        if (name && velk::UserDirectory(path) && velk::ComposeUserFilePath(path, name))
            buffer.SourceFile = fopen(path, "rb");
    }
    if (!buffer.SourceFile) velk::FatalError(this, velk::texts::kFailed, velk::texts::kSoundFileNotFound);

    if (OpenOggSource(index)) {
        velk::LogWrite(this, velk::texts::kStep, velk::texts::kOggFileStep);
    } else if (ParseWavHeader(index)) {
        velk::LogWrite(this, velk::texts::kStep, velk::texts::kWavFileStep);
    } else {
        CloseSource(index);
        velk::FatalError(this, velk::texts::kFailed, velk::texts::kUnknownSoundFile);
    }

    if (buffer.Loop.Valid) {
        velk::LogWrite(this, velk::texts::kInfoNumber, velk::texts::kLoopStartLabel,
                       static_cast<LONG>(buffer.Loop.Start));
        velk::LogWrite(this, velk::texts::kInfoNumber, velk::texts::kLoopLengthLabel,
                       static_cast<LONG>(buffer.Loop.End - buffer.Loop.Start));
    }
    if (SoundMode == 2) CreateDeviceBuffer(index);
    velk::LogWrite(this, velk::texts::kInfoNumber, velk::texts::kTargetIdLabel, index);
    velk::LogWrite(this, velk::texts::kSucceed);
    return S_OK;
}
