// sounds.cpp -- makes the game's sound effects from code: engine hum, explosions and turn blip.
#include "sounds.h"

#include <algorithm>
#include <cmath>

#include "output.h"
#include "textures.h"

static const double PI = 3.14159265358979323846;
static const double RATE = SFX_RATE;

// A sound while it is being made: samples in -1..1 before it is scaled to 16 bits.
typedef std::vector<double> Wave;

// --- Building blocks ------------------------------------------------------------------------

// A fixed pseudo-random value in 0..1: number `i` of stream `stream`, the same on every run.
// Every use below has a stream of its own, so no two parts of a sound move together.
static double Chance(uint32_t stream, int i)
{
    return Tex_Hash((stream << 24) + uint32_t(i));
}

// White noise in -1..1.
static double White(uint32_t stream, int i)
{
    return 2.0 * Chance(stream, i) - 1.0;
}

enum FilterKind { LOWPASS, HIGHPASS, BANDPASS };

// A two-pole filter whose corner may move while it runs: the explosions darken as they die away.
struct Filter {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;

    void Set(FilterKind kind, double freq, double q)
    {
        double w = 2.0 * PI * std::min(freq, 0.45 * RATE) / RATE;
        double cosw = std::cos(w), alpha = std::sin(w) / (2.0 * q), a0 = 1.0 + alpha;
        switch (kind) {
        case LOWPASS:
            b0 = b2 = (1.0 - cosw) / 2.0;
            b1 = 1.0 - cosw;
            break;
        case HIGHPASS:
            b0 = b2 = (1.0 + cosw) / 2.0;
            b1 = -(1.0 + cosw);
            break;
        case BANDPASS: // unit gain at the centre
            b0 = alpha;
            b1 = 0.0;
            b2 = -alpha;
            break;
        }
        b0 /= a0;
        b1 /= a0;
        b2 /= a0;
        a1 = -2.0 * cosw / a0;
        a2 = (1.0 - alpha) / a0;
    }

    double Run(double x)
    {
        double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
};

// Rises from 0 to 1 over `attack` seconds, then falls away with time constant `decay`.
static double Envelope(double t, double attack, double decay)
{
    return std::min(1.0, t / attack) * std::exp(-t / decay);
}

// Removes what a one-shot sound leaves off centre (a thump's first half-wave, the saturation of
// uneven waves): a one-pole high-pass at about 20 Hz.
static void BlockDc(Wave *wave)
{
    double x1 = 0.0, y1 = 0.0;
    for (double &s : *wave) {
        double y = s - x1 + 0.9943 * y1;
        x1 = s;
        y1 = y;
        s = y;
    }
}

// Brings a one-shot sound down to nothing over its last `seconds`, so it never stops on a step.
static void FadeOut(Wave *wave, double seconds)
{
    int n = int(wave->size()), fade = std::min(n, int(seconds * RATE));
    for (int i = 0; i < fade; i++) {
        double k = double(i) / fade; // 0 at the last sample
        (*wave)[n - 1 - i] *= 0.5 - 0.5 * std::cos(PI * k);
    }
}

// Rounds the wave into 16-bit samples with its loudest sample at `peakDb` below full scale.
static std::vector<int16_t> Finish(const Wave &wave, double peakDb)
{
    double peak = 1e-9;
    for (double s : wave)
        peak = std::max(peak, std::fabs(s));
    double scale = std::pow(10.0, peakDb / 20.0) * 32767.0 / peak;
    std::vector<int16_t> samples(wave.size());
    for (size_t i = 0; i < wave.size(); i++)
        samples[i] = int16_t(std::max(-32767L, std::min(32767L, std::lround(wave[i] * scale))));
    return samples;
}

// Soft saturation that keeps small signals as they are and rounds off the loudest peaks,
// thickening a sound the way an overdriven speaker does.
static double Saturate(double x, double drive)
{
    return std::tanh(drive * x) / drive;
}

// --- The engine -----------------------------------------------------------------------------

// The engine's frequencies are counted in cycles per loop, so every part repeats exactly.
static const int FUNDAMENTAL = 144; // 96 Hz: 81 Hz when stopped, 124 Hz at full speed
static const int SECOND = 146;      // a second voice 1.3 Hz sharp that beats against the first
static const int VIBRATO = 5;       // 3.3 Hz drift of the pitch
static const int PULSE_SWEEP = 2;   // the pulse width breathes in and out twice a loop

// A band of noise that repeats every loop: the noise runs through the filter twice and the second
// pass is kept, so the filter starts each loop already in the state the loop leaves it in.
static Wave LoopedNoise(uint32_t stream, FilterKind kind, double freq, double q)
{
    const int n = SFX_ENGINE_SAMPLES;
    Filter filter;
    filter.Set(kind, freq, q);
    Wave out(n);
    for (int pass = 0; pass < 2; pass++)
        for (int i = 0; i < n; i++)
            out[i] = filter.Run(White(stream, i));
    return out;
}

// Angle of `cycles` whole turns per loop at sample `i`, kept exact with integer arithmetic.
static double LoopAngle(int cycles, int i)
{
    const int n = SFX_ENGINE_SAMPLES;
    return 2.0 * PI * double(int64_t(cycles) * i % n) / n;
}

// How much of a harmonic at `freq` Hz a voice keeps: a resonant low-pass with its corner at
// `corner`, a little peak there and a steep fall above, which keeps the engine warm when five of
// them play together and gives it a vowel that rises with its pitch.
static double Voicing(double freq, double corner, double resonance)
{
    double r = freq / corner;
    double damping = r / resonance;
    double twoPole = 1.0 / std::sqrt((1.0 - r * r) * (1.0 - r * r) + damping * damping);
    return twoPole / std::sqrt(1.0 + r * r / 4.0);
}

// One sample of the engine, `i` into the loop, before it is shaped; `secondStart` is the angle at
// which the second voice starts the loop.
static double EngineSample(int i, double secondStart, const Wave &grit)
{
    const double f0 = FUNDAMENTAL * RATE / SFX_ENGINE_SAMPLES;
    double drift = 0.15 * std::sin(LoopAngle(VIBRATO, i));
    // The pulse starts the loop half-way along its low step, where it is flat.
    double theta = LoopAngle(FUNDAMENTAL, i) + drift + PI;

    // The main voice: a pulse built harmonic by harmonic (so nothing folds back above the top of
    // the band), its width swinging between 0.30 and 0.42, under a filter whose corner sways
    // between 950 and 1250 Hz.
    double width = 0.36 + 0.06 * std::sin(LoopAngle(PULSE_SWEEP, i));
    double corner = 1100.0 + 150.0 * std::sin(LoopAngle(PULSE_SWEEP, i) + 1.9);
    double pulse = 0.0, saw = 0.0, second = LoopAngle(SECOND, i) + drift + secondStart;
    for (int k = 1; k * f0 < 8000.0; k++) {
        double voicing = Voicing(k * f0, corner, 1.6);
        pulse += 2.0 / (k * PI) * std::sin(k * PI * width) * voicing * std::cos(k * theta);
        // The second voice: a saw a little sharp, without much fundamental; its harmonics beat
        // against the pulse's ever faster up the spectrum, which gives the hum its grain without
        // making the whole sound pump.
        saw += std::sin(k * second) / k * voicing * k / (k + 2.0);
    }

    double sub = std::sin(LoopAngle(FUNDAMENTAL / 2, i) + drift / 2.0);
    // A thin electric whine on the 16th harmonic that wavers on its own.
    double whine = std::sin(16.0 * theta + 0.9 * std::sin(LoopAngle(3, i)));
    // A rasp of noise on the pulse's high step, like sparks at the commutator.
    double spark = std::pow(0.5 + 0.5 * std::cos(theta - 0.6), 6.0) * grit[i];
    // The motor's slow wobble, and a throb at an eighth of the fundamental.
    double wobble = 1.0 + 0.07 * std::sin(LoopAngle(3, i)) +
                    0.035 * std::sin(LoopAngle(8, i) + 0.7) +
                    0.06 * std::sin(LoopAngle(FUNDAMENTAL / 8, i));

    double s = pulse + 0.45 * saw + 0.2 * sub + 0.04 * whine + 0.45 * spark;
    return Saturate(0.9 * s * wobble, 1.0);
}

std::vector<int16_t> Sfx_Engine()
{
    const int n = SFX_ENGINE_SAMPLES;
    Wave grit = LoopedNoise(1, BANDPASS, 2200.0, 0.8);
    // Start the second voice where it cancels the pulse's low step, so that the loop begins near
    // zero and gently: starting the engine, at every respawn, then makes no click. Only the
    // loop's first and last samples are needed to judge each try.
    double secondStart = 0.0, calmest = 1e9;
    for (int step = 0; step < 256; step++) {
        double angle = 2.0 * PI * step / 256;
        double first = EngineSample(0, angle, grit), last = EngineSample(n - 1, angle, grit);
        double calm = std::fabs(first) + std::fabs(first - last);
        if (calm < calmest) {
            calmest = calm;
            secondStart = angle;
        }
    }
    Wave wave(n);
    for (int i = 0; i < n; i++)
        wave[i] = EngineSample(i, secondStart, grit);
    // The saturation leaves the uneven pulse a little off centre; a constant keeps the loop whole.
    double mean = 0.0;
    for (double s : wave)
        mean += s / n;
    for (double &s : wave)
        s -= mean;
    return Finish(wave, -6.0);
}

// --- The explosions -------------------------------------------------------------------------

std::vector<int16_t> Sfx_PlayerBoom()
{
    const int n = int(2.2 * RATE);
    Wave wave(n);
    Filter crackTone, blastTone, roarTone, deepTone, crackleTone;
    crackTone.Set(HIGHPASS, 900.0, 0.7);
    roarTone.Set(BANDPASS, 420.0, 0.7);
    deepTone.Set(LOWPASS, 90.0, 1.0);
    crackleTone.Set(BANDPASS, 3000.0, 0.8);
    double thumpPhase = 0.0, crackle = 0.0;
    for (int i = 0; i < n; i++) {
        double t = i / RATE;
        // The crack: a few milliseconds of bright noise.
        double crack = crackTone.Run(White(2, i)) * Envelope(t, 0.0004, 0.006);

        // The thump: a low sine dropping from 180 Hz to 48 Hz, pushed into saturation for punch.
        thumpPhase += 2.0 * PI * (48.0 + 132.0 * std::exp(-t / 0.1)) / RATE;
        double thump = Saturate(1.8 * std::sin(thumpPhase), 1.5) * Envelope(t, 0.003, 0.3);

        // The blast: noise behind a low-pass that closes from 3 kHz to 200 Hz as it dies.
        if (i % 16 == 0)
            blastTone.Set(LOWPASS, 200.0 + 2800.0 * std::exp(-t / 0.15), 0.8);
        double blast = blastTone.Run(White(3, i)) * std::min(1.0, t / 0.005) *
                       (0.7 * std::exp(-t / 0.3) + 0.3 * std::exp(-t / 0.9));

        // The roar of the fire: mid-range noise overdriven hard, so that the explosion still sounds
        // big from small speakers that cannot play the thump.
        double roar = Saturate(4.0 * roarTone.Run(White(4, i)), 3.0) * Envelope(t, 0.01, 0.5);

        // The rumble that rolls on under it, swelling and ebbing.
        double deep = deepTone.Run(White(5, i)) * Envelope(t, 0.04, 0.8) *
                      (0.75 + 0.25 * std::sin(2.0 * PI * 3.1 * t));

        // Crackle: short ticks of burning debris, thinning out as the fire dies.
        double density = t < 0.03 ? 0.0 : 0.0025 * std::exp(-t / 0.45);
        crackle *= 0.9;
        if (Chance(6, i) < density)
            crackle += 0.3 + 0.7 * Chance(7, i);
        double debris = crackleTone.Run(White(8, i) * crackle);

        wave[i] = 0.7 * crack + 0.8 * thump + 1.6 * blast + 0.45 * roar + 1.6 * deep +
                  1.4 * debris;
    }
    for (double &s : wave)
        s = Saturate(s, 1.2);
    BlockDc(&wave);
    FadeOut(&wave, 0.5);
    return Finish(wave, -1.0);
}

std::vector<int16_t> Sfx_CycleBoom()
{
    const int n = int(1.3 * RATE);
    // The clang: bell-like partials at uneven ratios, each dying at its own pace, bending flat.
    static const struct {
        double ratio, level, decay;
    } PARTIALS[] = {
        {1.00, 1.00, 0.30}, {1.52, 0.80, 0.22}, {2.31, 0.70, 0.18}, {2.94, 0.55, 0.14},
        {3.73, 0.45, 0.11}, {4.61, 0.35, 0.09}, {5.87, 0.25, 0.07},
    };
    const int PARTIAL_COUNT = int(sizeof PARTIALS / sizeof PARTIALS[0]);
    double phases[PARTIAL_COUNT] = {};
    // Shards: short high pings of metal flying off, at fixed pseudo-random moments and pitches.
    const int SHARD_COUNT = 14;
    double shardPhases[SHARD_COUNT] = {};
    Wave wave(n);
    Filter crackTone, crunchTone, rumbleTone;
    crackTone.Set(HIGHPASS, 2000.0, 0.7);
    crunchTone.Set(BANDPASS, 1700.0, 0.9);
    double thumpPhase = 0.0, held = 0.0;
    for (int i = 0; i < n; i++) {
        double t = i / RATE;
        double crack = crackTone.Run(White(9, i)) * Envelope(t, 0.0003, 0.003);

        double bend = 1.0 - 0.12 * (1.0 - std::exp(-t / 0.25)), clang = 0.0;
        for (int p = 0; p < PARTIAL_COUNT; p++) {
            phases[p] += 2.0 * PI * 330.0 * PARTIALS[p].ratio * bend / RATE;
            clang += PARTIALS[p].level * std::sin(phases[p]) *
                     Envelope(t, 0.001, PARTIALS[p].decay);
        }

        double shards = 0.0;
        for (int s = 0; s < SHARD_COUNT; s++) {
            double at = 0.03 + 0.5 * Chance(13, s) * Chance(14, s);
            if (t < at)
                continue;
            shardPhases[s] += 2.0 * PI * (2200.0 + 3300.0 * Chance(15, s)) / RATE;
            shards += std::sin(shardPhases[s]) * Envelope(t - at, 0.0005, 0.03) *
                      (0.5 + 0.5 * Chance(16, s)) * std::exp(-at / 0.3);
        }

        // The crunch: band-passed noise held in ever coarser steps and cut to a few levels, a
        // burst of broken electronics.
        double noise = crunchTone.Run(White(10, i));
        int hold = 1 + int(t * 14.0);
        if (i % hold == 0)
            held = std::round(noise * 6.0) / 6.0;
        double crunch = held * Envelope(t, 0.001, 0.2);

        // A smaller thump than the player's: it is further off.
        thumpPhase += 2.0 * PI * (70.0 + 170.0 * std::exp(-t / 0.05)) / RATE;
        double thump = std::sin(thumpPhase) * Envelope(t, 0.002, 0.16);

        if (i % 16 == 0)
            rumbleTone.Set(LOWPASS, 150.0 + 900.0 * std::exp(-t / 0.3), 0.7);
        double rumble = rumbleTone.Run(White(11, i)) * Envelope(t, 0.008, 0.3);

        wave[i] = 0.6 * crack + 0.5 * clang + 0.25 * shards + 1.2 * crunch + 0.8 * thump +
                  1.3 * rumble;
    }
    for (double &s : wave)
        s = Saturate(s, 2.0);
    BlockDc(&wave);
    FadeOut(&wave, 0.3);
    return Finish(wave, -2.0);
}

// --- The turn blip --------------------------------------------------------------------------

std::vector<int16_t> Sfx_Turn()
{
    const int n = int(0.09 * RATE);
    Wave wave(n);
    Filter tickTone;
    tickTone.Set(BANDPASS, 5000.0, 1.0);
    double phase = 0.0;
    for (int i = 0; i < n; i++) {
        double t = i / RATE;
        double tick = tickTone.Run(White(12, i)) * Envelope(t, 0.0002, 0.0008);
        // A glide up from 1 kHz to 1.9 kHz in the first 40 ms, then held: bright enough to cut
        // through the engines, low enough not to sting when it comes at every turn.
        phase += 2.0 * PI * 1000.0 * std::pow(1.9, std::min(t, 0.04) / 0.04) / RATE;
        double chirp =
            std::sin(phase) + 0.25 * std::sin(2.0 * phase) + 0.06 * std::sin(3.0 * phase);
        wave[i] = 0.8 * tick + chirp * Envelope(t, 0.0015, 0.02);
    }
    FadeOut(&wave, 0.015);
    return Finish(wave, -4.0);
}

// --- The file -------------------------------------------------------------------------------

static void Put16(std::vector<uint8_t> *out, uint32_t v)
{
    out->push_back(uint8_t(v));
    out->push_back(uint8_t(v >> 8));
}

static void Put32(std::vector<uint8_t> *out, uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

static void PutTag(std::vector<uint8_t> *out, const char *tag)
{
    for (int i = 0; i < 4; i++)
        out->push_back(uint8_t(tag[i]));
}

std::vector<uint8_t> Sfx_EncodeWav(const std::vector<int16_t> &samples)
{
    uint32_t dataBytes = uint32_t(samples.size() * 2);
    std::vector<uint8_t> out;
    out.reserve(44 + dataBytes);
    PutTag(&out, "RIFF");
    Put32(&out, 4 + 8 + 16 + 8 + dataBytes);
    PutTag(&out, "WAVE");
    PutTag(&out, "fmt ");
    Put32(&out, 16);
    Put16(&out, 1); // PCM
    Put16(&out, 1); // mono
    Put32(&out, SFX_RATE);
    Put32(&out, SFX_RATE * 2); // bytes per second
    Put16(&out, 2);            // bytes per sample frame
    Put16(&out, 16);           // bits per sample
    PutTag(&out, "data");
    Put32(&out, dataBytes);
    for (int16_t s : samples)
        Put16(&out, uint16_t(s));
    return out;
}

static bool WriteWav(const std::string &path, const std::vector<int16_t> &samples,
                     std::string *error)
{
    std::vector<uint8_t> file = Sfx_EncodeWav(samples);
    return WriteWholeFile(path, file.data(), file.size(), error);
}

bool Sfx_WriteEngine(const std::string &path, std::string *error)
{
    return WriteWav(path, Sfx_Engine(), error);
}

bool Sfx_WritePlayerBoom(const std::string &path, std::string *error)
{
    return WriteWav(path, Sfx_PlayerBoom(), error);
}

bool Sfx_WriteCycleBoom(const std::string &path, std::string *error)
{
    return WriteWav(path, Sfx_CycleBoom(), error);
}

bool Sfx_WriteTurn(const std::string &path, std::string *error)
{
    return WriteWav(path, Sfx_Turn(), error);
}
