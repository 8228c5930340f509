// wav.cpp -- the sound file reader: a small buffered reader of RIFF chunks, and on it the four
// operations the sound channels use to take a file's format and its sample bytes.
#include "sound/wav.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

#include "platform/files.h"

enum { WAV_BUFFER_SIZE = 8192, CHUNK_HEADER = 8, PCM_FORMAT_BYTES = 16 };

static const uint32_t ID_RIFF = WavFourCC("RIFF");
static const uint32_t ID_WAVE = WavFourCC("WAVE");
static const uint32_t ID_FMT = WavFourCC("fmt ");
static const uint32_t ID_DATA = WavFourCC("data");

// The file is read only through this buffer; the file position is bufferStart + next. The size
// is taken once at opening, and every length found in the file is checked against it.
struct WavFile {
    FILE *stream;
    uint64_t size;
    uint64_t bufferStart;       // file offset of buffer[0]
    uint32_t fill;              // bytes of the file in the buffer
    uint32_t next;              // the next unread byte of the buffer
    uint8_t buffer[WAV_BUFFER_SIZE];
};

// Direct access to the buffer, so sample data is copied once, straight to its destination: the
// next unread byte and the end of the bytes read. Taken by ChunkGetInfo, moved on by
// ChunkAdvance when used up, handed back by ChunkSetInfo.
struct ChunkBuffer {
    const uint8_t *next;
    const uint8_t *endRead;
};

static uint16_t Get16(const uint8_t *p)
{
    return (uint16_t)(p[0] | p[1] << 8);
}

static uint32_t Get32(const uint8_t *p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

// Only regular files: a directory opens on Linux but cannot be read.
static WavFile *ChunkOpen(const char *path)
{
    FILE *stream = Platform_OpenFile(path, "rb");
    if (!stream)
        return nullptr;
    struct stat status;
    WavFile *file = nullptr;
    if (fstat(fileno(stream), &status) == 0 && S_ISREG(status.st_mode))
        file = (WavFile *)malloc(sizeof(WavFile));
    if (!file) {
        fclose(stream);
        return nullptr;
    }
    setvbuf(stream, nullptr, _IONBF, 0);   // our own buffer is the only one
    file->stream = stream;
    file->size = (uint64_t)status.st_size;
    file->bufferStart = 0;
    file->fill = 0;
    file->next = 0;
    return file;
}

static void ChunkClose(WavFile *file)
{
    fclose(file->stream);
    free(file);
}

static uint64_t ChunkTell(const WavFile *file)
{
    return file->bufferStart + file->next;
}

// Refills the buffer from the current position, never past the size found at opening. An empty
// buffer afterwards means the file has ended; a failure of the file itself is an error.
static int ChunkFill(WavFile *file)
{
    uint64_t position = ChunkTell(file);
    size_t wanted = (size_t)std::min<uint64_t>(WAV_BUFFER_SIZE, file->size - position);
    file->bufferStart = position;
    file->next = 0;
    file->fill = 0;
    if (wanted == 0)
        return 0;
    if (fseeko(file->stream, (off_t)position, SEEK_SET) != 0)
        return WAV_ERR_CANNOT_READ;
    file->fill = (uint32_t)fread(file->buffer, 1, wanted, file->stream);
    return ferror(file->stream) ? WAV_ERR_CANNOT_READ : 0;
}

// The new position, or -1 for one past the end of the file. Within the buffer only the read
// position moves; elsewhere the buffer is refilled by the next read.
static int64_t ChunkSeek(WavFile *file, uint64_t offset)
{
    if (offset > file->size)
        return -1;
    if (offset >= file->bufferStart && offset <= file->bufferStart + file->fill) {
        file->next = (uint32_t)(offset - file->bufferStart);
    } else {
        file->bufferStart = offset;
        file->fill = 0;
        file->next = 0;
    }
    return (int64_t)offset;
}

// The number of bytes read: fewer than count where the file ends.
static uint32_t ChunkRead(WavFile *file, void *destination, uint32_t count)
{
    uint8_t *out = (uint8_t *)destination;
    uint32_t done = 0;
    while (done < count) {
        if (file->next == file->fill && (ChunkFill(file) != 0 || file->fill == 0))
            break;
        uint32_t piece = std::min(count - done, file->fill - file->next);
        memcpy(out + done, file->buffer + file->next, piece);
        file->next += piece;
        done += piece;
    }
    return done;
}

// Reads the chunk header at the current position into chunk and leaves the position at its data
// (after the form type for "RIFF"). With find, whole chunks and their pad bytes are skipped until
// one has chunk->id. A search ends at the parent's end, or at the file's where the parent claims
// more than the file holds; a header cut short by the end of the file cannot be read.
static int ChunkDescend(WavFile *file, WavChunk *chunk, const WavChunk *parent, bool find)
{
    uint64_t parentEnd = parent ? (uint64_t)parent->dataOffset + parent->size : UINT64_MAX;
    uint64_t end = std::min(parentEnd, file->size);
    uint32_t wanted = chunk->id;
    for (;;) {
        uint64_t at = ChunkTell(file);
        if (parent && (at >= end || at + CHUNK_HEADER > parentEnd))
            return WAV_ERR_CHUNK_NOT_FOUND;
        // Offsets in a chunk record are 32-bit, as in every RIFF file.
        if (at + CHUNK_HEADER > file->size || at + CHUNK_HEADER > UINT32_MAX)
            return WAV_ERR_CANNOT_READ;
        uint8_t header[CHUNK_HEADER];
        if (ChunkRead(file, header, CHUNK_HEADER) != CHUNK_HEADER)
            return WAV_ERR_CANNOT_READ;
        chunk->id = Get32(header);
        chunk->size = Get32(header + 4);
        chunk->formType = 0;
        chunk->dataOffset = (uint32_t)(at + CHUNK_HEADER);
        if (!find || chunk->id == wanted)
            break;
        uint64_t following = (uint64_t)chunk->dataOffset + chunk->size + (chunk->size & 1);
        if (following >= end || ChunkSeek(file, following) < 0)
            return WAV_ERR_CHUNK_NOT_FOUND;
    }
    if (chunk->id == ID_RIFF) {
        uint8_t form[4];
        if (ChunkRead(file, form, 4) != 4)
            return WAV_ERR_CANNOT_READ;
        chunk->formType = Get32(form);
    }
    return 0;
}

// Moves past the end of the chunk and its pad byte; a last chunk that lacks its pad byte, or
// claims more than the file holds, leaves the position at the end of the file.
static int ChunkAscend(WavFile *file, const WavChunk *chunk)
{
    uint64_t end = (uint64_t)chunk->dataOffset + chunk->size + (chunk->size & 1);
    return ChunkSeek(file, std::min(end, file->size)) < 0 ? WAV_ERR_CANNOT_READ : 0;
}

static int ChunkGetInfo(WavFile *file, ChunkBuffer *access)
{
    access->next = file->buffer + file->next;
    access->endRead = file->buffer + file->fill;
    return 0;
}

// Refills the buffer from where access has read to.
static int ChunkAdvance(WavFile *file, ChunkBuffer *access)
{
    file->next = (uint32_t)(access->next - file->buffer);
    int result = ChunkFill(file);
    ChunkGetInfo(file, access);
    return result;
}

static int ChunkSetInfo(WavFile *file, const ChunkBuffer *access)
{
    if (access->next < file->buffer || access->next > file->buffer + file->fill)
        return WAV_ERR_CANNOT_READ;
    file->next = (uint32_t)(access->next - file->buffer);
    return 0;
}

// Everything SND_WavOpen does once the file is open; on failure the caller frees *format (null
// until allocated) and closes the file. Format reads stay inside the "fmt " chunk: a count of
// extra bytes that the chunk has no room for, or a non-PCM chunk with no room for the count
// itself, is a broken format rather than a licence to read the chunks after it.
static int ReadFormat(WavFile *file, WavFormat **format, WavChunk *riff)
{
    int result = ChunkDescend(file, riff, nullptr, false);
    if (result != 0)
        return result;
    if (riff->id != ID_RIFF || riff->formType != ID_WAVE)
        return WAV_ERR_NOT_WAVE;

    WavChunk fmt = {};
    fmt.id = ID_FMT;
    result = ChunkDescend(file, &fmt, riff, true);
    if (result != 0)
        return result;
    if (fmt.size < PCM_FORMAT_BYTES)
        return WAV_ERR_NOT_WAVE;
    uint8_t pcm[PCM_FORMAT_BYTES];
    if (ChunkRead(file, pcm, PCM_FORMAT_BYTES) != PCM_FORMAT_BYTES)
        return WAV_ERR_READ;

    uint16_t formatTag = Get16(pcm);
    uint16_t extraSize = 0;
    if (formatTag != 1) {
        uint8_t count[2];
        if (fmt.size < sizeof(WavFormat))
            return WAV_ERR_NOT_WAVE;
        if (ChunkRead(file, count, 2) != 2)
            return WAV_ERR_READ;
        extraSize = Get16(count);
        if (extraSize > fmt.size - sizeof(WavFormat))
            return WAV_ERR_NOT_WAVE;
    }

    WavFormat *block = (WavFormat *)malloc(sizeof(WavFormat) + extraSize);
    if (!block)
        return WAV_ERR_MEMORY;
    *format = block;
    block->formatTag = formatTag;
    block->channels = Get16(pcm + 2);
    block->samplesPerSecond = Get32(pcm + 4);
    block->averageBytesPerSecond = Get32(pcm + 8);
    block->blockAlign = Get16(pcm + 12);
    block->bitsPerSample = Get16(pcm + 14);
    block->extraSize = extraSize;
    if (extraSize > 0 && ChunkRead(file, block + 1, extraSize) != extraSize)
        return WAV_ERR_NOT_WAVE;

    return ChunkAscend(file, &fmt);
}

int SND_WavOpen(const char *path, WavFile **file, WavFormat **format, WavChunk *riff)
{
    *file = nullptr;
    *format = nullptr;
    WavFile *opened = ChunkOpen(path);
    if (!opened)
        return WAV_ERR_OPEN;
    int result = ReadFormat(opened, format, riff);
    if (result != 0) {
        free(*format);
        *format = nullptr;
        ChunkClose(opened);
        return result;
    }
    *file = opened;
    return 0;
}

// The search starts again from the first chunk inside the outer one, so a "data" chunk that
// comes before "fmt " is found too.
int SND_WavFindData(WavFile **file, WavChunk *data, const WavChunk *riff)
{
    if (!file || !*file || ChunkSeek(*file, (uint64_t)riff->dataOffset + 4) < 0)
        return -1;
    data->id = ID_DATA;
    return ChunkDescend(*file, data, riff, true);
}

// The chunk's remaining size counts down by the whole amount asked for, even when the file ends
// first: the caller reads a chunk once, and a short file is an error, not a partial sound.
int SND_WavRead(WavFile *file, uint32_t count, uint8_t *destination, WavChunk *data,
                uint32_t *bytesRead)
{
    *bytesRead = 0;
    ChunkBuffer access;
    if (!file || ChunkGetInfo(file, &access) != 0)
        return 1;
    uint32_t wanted = std::min(count, data->size);
    data->size -= wanted;
    for (uint32_t copied = 0; copied < wanted;) {
        if (access.next == access.endRead) {
            int result = ChunkAdvance(file, &access);
            if (result != 0)
                return result;
            if (access.next == access.endRead)
                return WAV_ERR_TRUNCATED;
        }
        uint32_t piece = (uint32_t)std::min<uint64_t>(wanted - copied,
                                                      (uint64_t)(access.endRead - access.next));
        memcpy(destination + copied, access.next, piece);
        access.next += piece;
        copied += piece;
    }
    int result = ChunkSetInfo(file, &access);
    if (result != 0)
        return result;
    *bytesRead = wanted;
    return 0;
}

uint32_t SND_WavBytesLeft(const WavFile *file)
{
    const uint64_t left = file->size - std::min(file->size, ChunkTell(file));
    return (uint32_t)std::min<uint64_t>(left, UINT32_MAX);
}

int SND_WavClose(WavFile **file, WavFormat **format)
{
    free(*format);
    *format = nullptr;
    if (*file)
        ChunkClose(*file);
    *file = nullptr;
    return 0;
}
