// openal_audio.cpp -- the audio backend over OpenAL Soft. Each channel is a source with one
// buffer: relative to the listener, inverse distance clamped between 1.1 and 11.1 units with
// rolloff 5, and Doppler factor 5, so a sound is at full volume within 1.1 units and no quieter
// beyond 11.1. Gain comes from hundredths of a decibel, pitch from the rate asked for over the
// file's own rate. The music is one more source, fed with queued blocks.
// OpenAL places only mono sources, so a sound file of several channels is mixed down to one as
// its buffer is made.
#include "sound/openal/openal_audio.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "sound/backend.h"

namespace {

struct Channel {
    ALuint source = 0, buffer = 0;
    ALenum format = 0;                  // mono, of the file's sample width
    int sampleBytes = 0;                // 1 (unsigned around 128) or 2 (signed)
    int fileChannels = 0;               // samples in each of the file's frames
    uint32_t rate = 0;                  // the file's own samples per second
    std::vector<uint8_t> staging;       // the sound between Lock and Unlock
};

enum { STREAM_BUFFERS = 4, STREAM_FRAMES = 2048 };
// How often the feeder looks for played blocks: half a block (about 23 ms), so a played block is
// refilled long before the three queued behind it (140 ms) run out, with few wake-ups.
const std::chrono::microseconds FEED_INTERVAL(1000000LL * STREAM_FRAMES / 2 / SND_STREAM_RATE);

struct Stream {
    ALuint source = 0;
    ALuint buffers[STREAM_BUFFERS] = {};
    SndStreamFill fill = nullptr;
    void *context = nullptr;
    int rate = 0;
    bool ended = false;                 // the filler has given its last frames
    std::thread feeder;                 // the device's own time: keeps the queue full
    std::atomic<bool> feeding{false};
    // However the process ends, the feeder is stopped first.
    ~Stream()
    {
        feeding = false;
        if (feeder.joinable())
            feeder.join();
    }
};

bool toMemory = false;                 // the open device is the loopback one
ALCdevice *device = nullptr;
ALCcontext *context = nullptr;
Channel channels[SND_CHANNELS];
Stream stream;
std::mutex streamLock;                  // the feeder against starting and stopping

LPALCLOOPBACKOPENDEVICESOFT loopbackOpenDevice = nullptr;
LPALCISRENDERFORMATSUPPORTEDSOFT isRenderFormatSupported = nullptr;
LPALCRENDERSAMPLESSOFT renderSamples = nullptr;

bool Valid(int channel)
{
    return device && channel >= 0 && channel < SND_CHANNELS;
}

ALCdevice *OpenDevice()
{
    if (!toMemory)
        return alcOpenDevice(nullptr);
    if (!alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback"))
        return nullptr;
    loopbackOpenDevice = (LPALCLOOPBACKOPENDEVICESOFT)alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT");
    isRenderFormatSupported = (LPALCISRENDERFORMATSUPPORTEDSOFT)alcGetProcAddress(
        nullptr, "alcIsRenderFormatSupportedSOFT");
    renderSamples = (LPALCRENDERSAMPLESSOFT)alcGetProcAddress(nullptr, "alcRenderSamplesSOFT");
    if (!loopbackOpenDevice || !isRenderFormatSupported || !renderSamples)
        return nullptr;
    ALCdevice *d = loopbackOpenDevice(nullptr);
    if (d && !isRenderFormatSupported(d, OPENAL_RENDER_RATE, ALC_STEREO_SOFT, ALC_SHORT_SOFT)) {
        alcCloseDevice(d);
        return nullptr;
    }
    return d;
}

ALCcontext *CreateContext(ALCdevice *d, bool inMemory)
{
    // The game plays at most a source for each channel and one for the music, and sends nothing to
    // effects; a context ready for the library's defaults holds megabytes of mixing state that
    // would never be used. Every channel's sound is mono, once mixed down; the music is stereo.
    const ALCint attributes[] = {
        ALC_MONO_SOURCES, SND_CHANNELS, ALC_STEREO_SOURCES, 1, ALC_MAX_AUXILIARY_SENDS, 0, 0,
    };
    const ALCint loopbackAttributes[] = {
        ALC_MONO_SOURCES, SND_CHANNELS, ALC_STEREO_SOURCES, 1, ALC_MAX_AUXILIARY_SENDS, 0,
        ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT, ALC_FORMAT_TYPE_SOFT, ALC_SHORT_SOFT,
        ALC_FREQUENCY, OPENAL_RENDER_RATE, 0,
    };
    return alcCreateContext(d, inMemory ? loopbackAttributes : attributes);
}

// The machine's device and its context, opened on a thread of their own as the game starts
// (OpenAL_OpenAhead): opening a sound device takes tens of milliseconds, and nothing needs it
// until the sounds are loaded. However the process ends, the thread is joined first.
struct OpenedAhead {
    std::thread thread;
    ALCdevice *device = nullptr;
    ALCcontext *context = nullptr;
    void Wait()
    {
        if (thread.joinable())
            thread.join();
    }
    ~OpenedAhead()
    {
        Wait();
        if (context)
            alcDestroyContext(context);
        if (device)
            alcCloseDevice(device);
    }
} ahead;

void Close();

// Opens the machine's device, or the loopback one that plays into memory.
int Open(bool loopback)
{
    Close();
    toMemory = loopback;
    if (!toMemory) {
        ahead.Wait();
        std::swap(device, ahead.device);
        std::swap(context, ahead.context);
    }
    if (!device)
        device = OpenDevice();
    if (!device)
        return 0;
    if (!context)
        context = CreateContext(device, toMemory);
    if (!context || !alcMakeContextCurrent(context)) {
        Close();
        return 0;
    }
    // The listener stays where it is; every sound is placed relative to it.
    alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
    alDopplerFactor(5.0f);
    for (Channel &c : channels) {
        alGenSources(1, &c.source);
        alGenBuffers(1, &c.buffer);
        alSourcei(c.source, AL_SOURCE_RELATIVE, AL_TRUE);
        alSourcef(c.source, AL_REFERENCE_DISTANCE, 1.1f);
        alSourcef(c.source, AL_MAX_DISTANCE, 11.1f);
        alSourcef(c.source, AL_ROLLOFF_FACTOR, 5.0f);
    }
    alGenSources(1, &stream.source);
    alGenBuffers(STREAM_BUFFERS, stream.buffers);
    // The music is not in the arena: it stays on the listener at full volume.
    alSourcei(stream.source, AL_SOURCE_RELATIVE, AL_TRUE);
    alSourcef(stream.source, AL_ROLLOFF_FACTOR, 0.0f);
    if (alGetError() != AL_NO_ERROR) {
        Close();
        return 0;
    }
    return 1;
}

int OpenMachine()
{
    return Open(false);
}

int OpenLoopback()
{
    return Open(true);
}

int CreateBuffer(int channel, const WavFormat *format, uint32_t size, int looping)
{
    if (!Valid(channel) || format->formatTag != 1 || format->samplesPerSecond == 0 ||
        format->channels == 0)
        return 0;
    Channel &c = channels[channel];
    if (format->bitsPerSample == 8)
        c.format = AL_FORMAT_MONO8;
    else if (format->bitsPerSample == 16)
        c.format = AL_FORMAT_MONO16;
    else
        return 0;
    c.sampleBytes = format->bitsPerSample / 8;
    c.fileChannels = format->channels;
    c.rate = format->samplesPerSecond;
    c.staging.assign(size, 0);
    alSourcei(c.source, AL_LOOPING, looping ? AL_TRUE : AL_FALSE);
    return 1;
}

void *Lock(int channel)
{
    return Valid(channel) ? channels[channel].staging.data() : nullptr;
}

// Makes each of the file's frames one sample, the mean of its channels, in place: a frame's
// sample is written no further on than the frame itself, after the whole frame is read. A ragged
// last frame is dropped.
void MixDownToMono(Channel &c)
{
    const size_t width = (size_t)c.sampleBytes, count = (size_t)c.fileChannels;
    const size_t frameBytes = width * count, frames = c.staging.size() / frameBytes;
    const uint8_t *in = c.staging.data();
    uint8_t *out = c.staging.data();
    for (size_t frame = 0; frame < frames; frame++, in += frameBytes) {
        int64_t sum = 0;
        for (size_t i = 0; i < count; i++)
            sum += width == 1 ? in[i] - 128 : (int16_t)(in[2 * i] | in[2 * i + 1] << 8);
        const int32_t mean = (int32_t)(sum / (int64_t)count);
        if (width == 1) {
            *out++ = (uint8_t)(mean + 128);
        } else {
            *out++ = (uint8_t)(mean & 0xFF);
            *out++ = (uint8_t)((mean >> 8) & 0xFF);
        }
    }
    c.staging.resize(frames * width);
}

void Unlock(int channel)
{
    if (!Valid(channel) || channels[channel].sampleBytes == 0)    // no buffer made
        return;
    Channel &c = channels[channel];
    if (c.fileChannels > 1)
        MixDownToMono(c);
    // Whole samples only: a ragged end would be refused.
    const size_t size = c.staging.size() / (size_t)c.sampleBytes * (size_t)c.sampleBytes;
    alSourcei(c.source, AL_BUFFER, 0);
    alBufferData(c.buffer, c.format, c.staging.data(), (ALsizei)size, (ALsizei)c.rate);
    alSourcei(c.source, AL_BUFFER, (ALint)c.buffer);
    c.staging.clear();
    c.staging.shrink_to_fit();
}

int Play(int channel)
{
    if (!Valid(channel))
        return 0;
    alGetError();
    alSourceRewind(channels[channel].source);
    alSourcePlay(channels[channel].source);
    return alGetError() == AL_NO_ERROR;
}

void Stop(int channel)
{
    if (Valid(channel))
        alSourceStop(channels[channel].source);
}

void SetVolume(int channel, int32_t hundredthsOfDecibel)
{
    if (Valid(channel))
        alSourcef(channels[channel].source, AL_GAIN,
                  std::pow(10.0f, std::min(hundredthsOfDecibel, 0) / 2000.0f));
}

void SetFrequency(int channel, uint32_t hertz)
{
    if (Valid(channel) && channels[channel].rate)
        alSourcef(channels[channel].source, AL_PITCH,
                  std::max((float)hertz / (float)channels[channel].rate, 0.01f));
}

void SetPosition(int channel, float x, float y, float z, float vx, float vy, float vz)
{
    if (!Valid(channel))
        return;
    alSource3f(channels[channel].source, AL_POSITION, x, y, z);
    alSource3f(channels[channel].source, AL_VELOCITY, vx, vy, vz);
}

// ---- The music stream.

// Fills one block from the filler and queues it; false once the filler has nothing more.
bool QueueBlock(ALuint buffer)
{
    int16_t block[STREAM_FRAMES * 2];
    int frames = stream.ended ? 0 : stream.fill(block, STREAM_FRAMES, stream.context);
    if (frames <= 0) {
        stream.ended = true;
        return false;
    }
    alBufferData(buffer, AL_FORMAT_STEREO16, block, frames * 4, stream.rate);
    alSourceQueueBuffers(stream.source, 1, &buffer);
    return true;
}

// Refills the blocks the source has played, and starts it again if it ran dry.
void Feed()
{
    ALint processed = 0, state = 0, queued = 0;
    alGetSourcei(stream.source, AL_BUFFERS_PROCESSED, &processed);
    while (processed-- > 0) {
        ALuint buffer;
        alSourceUnqueueBuffers(stream.source, 1, &buffer);
        QueueBlock(buffer);
    }
    alGetSourcei(stream.source, AL_SOURCE_STATE, &state);
    alGetSourcei(stream.source, AL_BUFFERS_QUEUED, &queued);
    if (state != AL_PLAYING && queued > 0)
        alSourcePlay(stream.source);
}

void FeederLoop()
{
    while (stream.feeding.load()) {
        {
            std::lock_guard<std::mutex> hold(streamLock);
            Feed();
        }
        std::this_thread::sleep_for(FEED_INTERVAL);
    }
}

void StopStream()
{
    stream.feeding = false;
    if (stream.feeder.joinable())
        stream.feeder.join();
    std::lock_guard<std::mutex> hold(streamLock);
    if (!device || !stream.source)
        return;
    alSourceStop(stream.source);
    alSourcei(stream.source, AL_BUFFER, 0);     // unqueues every block
    stream.fill = nullptr;
}

int StartStream(int rate, SndStreamFill fill, void *fillContext)
{
    StopStream();
    if (!device || !fill || rate <= 0)
        return 0;
    std::lock_guard<std::mutex> hold(streamLock);
    stream.fill = fill;
    stream.context = fillContext;
    stream.rate = rate;
    stream.ended = false;
    for (ALuint buffer : stream.buffers)
        if (!QueueBlock(buffer))
            break;
    alSourcePlay(stream.source);
    if (!toMemory) {
        stream.feeding = true;
        stream.feeder = std::thread(FeederLoop);
    }
    return alGetError() == AL_NO_ERROR;
}

void Close()
{
    StopStream();
    if (context) {
        for (Channel &c : channels) {
            alDeleteSources(1, &c.source);
            alDeleteBuffers(1, &c.buffer);
            c = Channel();
        }
        alDeleteSources(1, &stream.source);
        alDeleteBuffers(STREAM_BUFFERS, stream.buffers);
        stream.source = 0;
        alcMakeContextCurrent(nullptr);
        alcDestroyContext(context);
    }
    if (device)
        alcCloseDevice(device);
    context = nullptr;
    device = nullptr;
    toMemory = false;
}

// One table for each device, so that asking for one never changes the other.
const AudioBackend machineBackend = {
    "openal", OpenMachine, CreateBuffer, Lock, Unlock, Play, Stop, SetVolume, SetFrequency,
    SetPosition, StartStream, StopStream, Close,
};
const AudioBackend loopbackBackend = {
    "openal-loopback", OpenLoopback, CreateBuffer, Lock, Unlock, Play, Stop, SetVolume,
    SetFrequency, SetPosition, StartStream, StopStream, Close,
};

}  // namespace

void OpenAL_OpenAhead()
{
    if (ahead.thread.joinable() || ahead.device)
        return;
    ahead.thread = std::thread([] {
        ahead.device = alcOpenDevice(nullptr);
        if (ahead.device)
            ahead.context = CreateContext(ahead.device, false);
    });
}

const AudioBackend *OpenAL_Backend()
{
    return &machineBackend;
}

const AudioBackend *OpenAL_LoopbackBackend()
{
    return &loopbackBackend;
}

void OpenAL_Render(int16_t *out, int count)
{
    if (!device || !toMemory) {
        std::fill(out, out + (size_t)count * 2, (int16_t)0);
        return;
    }
    if (stream.fill)
        Feed();
    renderSamples(device, out, count);
}
