/* xwatch.c -- watches an X screen from outside the game: when its title first shows, and how
 * many frames reach the screen. It asks the X server's DAMAGE extension to report drawing on the
 * root window, which covers every window on the screen, so it sees what was presented whatever
 * path the game drew by (GLX, SDL's renderer, plain X images) and needs nothing from the game.
 *
 *   xwatch first-frame [-t SECONDS] COMMAND [ARG...]
 *       Takes the time, starts COMMAND (its stdout going to stderr) and, after each drawing,
 *       looks at the screen until the title is on it; prints first_frame_ms=MS, from before the
 *       exec to the first look that saw the title, then ends COMMAND with SIGTERM and waits for
 *       it. The screen must be black before (Xvfb -br; up to 2 s are given for an earlier
 *       program to leave it). Fails after SECONDS (default 10) without the title.
 *   xwatch count SECONDS [PID]
 *       Counts the frames presented over the next SECONDS seconds of the X server's clock, by
 *       the server's time stamps on its reports of drawing, and prints frames=N seconds=S
 *       longest_gap_ms=G (the longest time between two frames). With PID, also the user +
 *       system CPU ticks of that process (all its threads, /proc/PID/stat) over the same span
 *       and the wall time between the two readings: cpu_ticks=T cpu_seconds=S
 *       ticks_per_second=HZ.
 *
 * The answer is one line of key=value pairs on stdout; errors go to stderr, with exit status 1.
 */
#define _POSIX_C_SOURCE 200809L

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>

#include <X11/Xatom.h>

#include <errno.h>
#include <stdint.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

/* The screen is looked at on a grid of points, one X image request per grid row. */
enum { GRID_COLUMNS = 32, GRID_ROWS = 24, GRID_POINTS = GRID_COLUMNS * GRID_ROWS };
/* A point is lit when its brightest channel reaches this (of 255); Xvfb's black is 0. */
enum { LIT_LEVEL = 40 };
/* Two looks at a point agree when no channel differs by more than this. */
enum { SAME_LEVEL = 8 };
/* The title is on screen once the screen shows a picture (at least PICTURE_SHARE of the grid
 * lit) that then stays unchanged for STILL_MS: the title is one still picture, while a black
 * window or a page still being drawn is not. It lights about 60 % of the grid when it fills the
 * screen, and still over 20 % if it were shown unscaled in the middle of it. The title counts
 * from the first look that saw it. */
static const double PICTURE_SHARE = 0.10;
static const double STILL_MS = 500.0;
/* Black, before the program starts: under 2 % of the grid lit. */
static const double BLACK_SHARE = 0.02;
/* Drawing that arrives within this many milliseconds of the last is the same frame: one present
 * can reach the screen as several pieces, and frames are 25 ms apart. */
static const double SAME_FRAME_MS = 8.0;

static Display *display;
static Window root;
static int rootWidth, rootHeight;
static int damageEventBase;
static Damage damage;

static double NowMs(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec * 1000.0 + (double)t.tv_nsec / 1e6;
}

static void Fail(const char *message)
{
    fprintf(stderr, "xwatch: %s\n", message);
    exit(1);
}

static void Pause(int ms)
{
    struct timespec pause = {0, ms * 1000L * 1000L};
    nanosleep(&pause, NULL);
}

/* Opens $DISPLAY and asks for a report whenever anything is drawn on the screen. */
static void Watch(void)
{
    display = XOpenDisplay(NULL);
    if (!display)
        Fail("cannot open the display (is DISPLAY set?)");
    int errorBase;
    if (!XDamageQueryExtension(display, &damageEventBase, &errorBase))
        Fail("the X server has no DAMAGE extension");
    root = DefaultRootWindow(display);
    XWindowAttributes attributes;
    XGetWindowAttributes(display, root, &attributes);
    rootWidth = attributes.width;
    rootHeight = attributes.height;
    /* One event for every drawing, stamped with the server's clock: however late xwatch reads
     * them, none is lost and each keeps its time. */
    damage = XDamageCreate(display, root, XDamageReportRawRectangles);
    XSync(display, False);
}

static Bool IsClockReading(Display *, XEvent *event, XPointer window)
{
    return event->type == PropertyNotify && event->xproperty.window == *(Window *)window;
}

/* The X server's clock now, in milliseconds (the clock damage reports are stamped with): the
 * time stamp of a change to a property of a window of our own. Events before it stay queued. */
static Time ServerTime(void)
{
    static Window window = None;
    static Atom property;
    if (window == None) {
        window = XCreateSimpleWindow(display, root, 0, 0, 1, 1, 0, 0, 0);
        XSelectInput(display, window, PropertyChangeMask);
        property = XInternAtom(display, "XWATCH_CLOCK", False);
    }
    XChangeProperty(display, window, property, XA_INTEGER, 32, PropModeReplace, NULL, 0);
    XEvent event;
    XIfEvent(display, &event, IsClockReading, (XPointer)&window);
    return event.xproperty.time;
}

/* Milliseconds from server time `from` to `to`; the 32-bit clock may wrap between them. */
static long Elapsed(Time from, Time to)
{
    return (long)(int32_t)(uint32_t)(to - from);
}

/* Reads every event waiting; true when any of them reported drawing. */
static int DrainDamage(void)
{
    int drawn = 0;
    while (XPending(display)) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == damageEventBase + XDamageNotify)
            drawn = 1;
    }
    return drawn;
}

/* Waits up to `ms` milliseconds for the X connection to have something to read. */
static void WaitForX(double ms)
{
    if (XPending(display))
        return;
    struct pollfd p = {ConnectionNumber(display), POLLIN, 0};
    int timeout = ms < 0 ? 0 : (int)(ms + 0.999);
    if (poll(&p, 1, timeout) < 0 && errno != EINTR)
        Fail("cannot wait for the X server");
}

static unsigned char Channel(unsigned long pixel, unsigned long mask)
{
    if (!mask)
        return 0;
    int shift = 0;
    while (!(mask & 1))
        mask >>= 1, shift++;
    return (unsigned char)(((pixel >> shift) & mask) * 255 / mask);
}

/* One look at the screen: the colour of every grid point. */
typedef struct {
    unsigned char rgb[GRID_POINTS][3];
} Look;

static void LookAtScreen(Look *look)
{
    for (int row = 0; row < GRID_ROWS; row++) {
        int y = (2 * row + 1) * rootHeight / (2 * GRID_ROWS);
        XImage *image = XGetImage(display, root, 0, y, (unsigned)rootWidth, 1, AllPlanes, ZPixmap);
        if (!image)
            Fail("cannot read the screen");
        for (int column = 0; column < GRID_COLUMNS; column++) {
            int x = (2 * column + 1) * rootWidth / (2 * GRID_COLUMNS);
            unsigned long pixel = XGetPixel(image, x, 0);
            unsigned char *point = look->rgb[row * GRID_COLUMNS + column];
            point[0] = Channel(pixel, image->red_mask);
            point[1] = Channel(pixel, image->green_mask);
            point[2] = Channel(pixel, image->blue_mask);
        }
        XDestroyImage(image);
    }
}

/* The share of grid points that are lit. */
static double LitShare(const Look *look)
{
    int lit = 0;
    for (int i = 0; i < GRID_POINTS; i++) {
        const unsigned char *p = look->rgb[i];
        lit += p[0] >= LIT_LEVEL || p[1] >= LIT_LEVEL || p[2] >= LIT_LEVEL;
    }
    return (double)lit / GRID_POINTS;
}

static int SameLook(const Look *a, const Look *b)
{
    for (int i = 0; i < GRID_POINTS; i++)
        for (int c = 0; c < 3; c++)
            if (abs(a->rgb[i][c] - b->rgb[i][c]) > SAME_LEVEL)
                return 0;
    return 1;
}

/* SIGTERM, then up to five seconds for the program to end, then SIGKILL. */
static void EndProgram(pid_t pid)
{
    kill(pid, SIGTERM);
    double deadline = NowMs() + 5000.0;
    for (;;) {
        pid_t ended = waitpid(pid, NULL, WNOHANG);
        if (ended == pid || (ended < 0 && errno != EINTR))
            return;
        if (NowMs() > deadline) {
            fprintf(stderr, "xwatch: the program did not end within 5 s of SIGTERM; killing it\n");
            kill(pid, SIGKILL);
            waitpid(pid, NULL, 0);
            return;
        }
        Pause(10);
    }
}

static int FirstFrame(double timeoutSeconds, char **command)
{
    static Look look, shown;
    char why[160];
    Watch();
    /* A program that has just ended may still be on screen for a moment. */
    LookAtScreen(&look);
    for (double giveUp = NowMs() + 2000.0; LitShare(&look) >= BLACK_SHARE && NowMs() < giveUp;) {
        Pause(20);
        LookAtScreen(&look);
    }
    if (LitShare(&look) >= BLACK_SHARE) {
        snprintf(why, sizeof why, "%.0f %% of the screen is lit before the program starts; "
                 "it must start black (Xvfb -br)", LitShare(&look) * 100.0);
        Fail(why);
    }
    DrainDamage();

    double start = NowMs();
    pid_t pid = fork();
    if (pid < 0)
        Fail("cannot fork");
    if (pid == 0) {
        dup2(2, 1);     /* stdout is for xwatch's answer alone */
        execvp(command[0], command);
        fprintf(stderr, "xwatch: cannot run %s: %s\n", command[0], strerror(errno));
        _exit(127);
    }

    /* The screen has shown `shown` since `since`, or no picture while `since` is negative. */
    double deadline = start + timeoutSeconds * 1000.0, since = -1.0;
    for (;;) {
        double now = NowMs();
        if (since >= 0.0 && now - since >= STILL_MS)
            break;
        if (now > deadline) {
            EndProgram(pid);
            snprintf(why, sizeof why, "no still picture on screen within %.0f s", timeoutSeconds);
            Fail(why);
        }
        int status;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            snprintf(why, sizeof why, "the program ended (status %d) before its title showed",
                     WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
            Fail(why);
        }
        WaitForX(deadline - now < 20.0 ? deadline - now : 20.0);
        if (!DrainDamage())
            continue;
        LookAtScreen(&look);
        if (since >= 0.0 && SameLook(&look, &shown))
            continue;
        shown = look;
        since = LitShare(&look) >= PICTURE_SHARE ? NowMs() : -1.0;
    }
    printf("first_frame_ms=%.1f\n", since - start);
    fflush(stdout);
    EndProgram(pid);
    return 0;
}

/* User + system ticks of every thread of a process, so far. */
static long long CpuTicks(pid_t pid)
{
    char path[64], line[1024];
    snprintf(path, sizeof path, "/proc/%d/stat", (int)pid);
    FILE *file = fopen(path, "r");
    if (!file)
        Fail("cannot read the process's /proc/PID/stat (has it ended?)");
    size_t length = fread(line, 1, sizeof line - 1, file);
    fclose(file);
    line[length] = '\0';
    /* The name in parentheses may hold spaces; the fields after it are plain. utime and stime
     * are fields 14 and 15, the 12th and 13th after the name. */
    char *field = strrchr(line, ')');
    long long utime = 0, stime = 0;
    if (!field || sscanf(field + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lld %lld",
                         &utime, &stime) != 2)
        Fail("cannot parse /proc/PID/stat");
    return utime + stime;
}

/* Counts frames between server times `start` and `end` from the drawing reports waiting, up to
 * the first one stamped `end` or later. Reports are grouped into frames by their stamps. */
typedef struct {
    Time start, end;
    long frames;
    Time lastReport, lastFrame;
    long longestGap;
} Tally;

/* False once a report at or after the end has been read. */
static int TallyReports(Tally *tally)
{
    while (XPending(display)) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type != damageEventBase + XDamageNotify)
            continue;
        Time at = ((XDamageNotifyEvent *)&event)->timestamp;
        if (Elapsed(tally->start, at) < 0)
            continue;
        if (Elapsed(tally->end, at) >= 0)
            return 0;
        if (tally->frames == 0 || Elapsed(tally->lastReport, at) > SAME_FRAME_MS) {
            if (tally->frames > 0 && Elapsed(tally->lastFrame, at) > tally->longestGap)
                tally->longestGap = Elapsed(tally->lastFrame, at);
            tally->frames++;
            tally->lastFrame = at;
        }
        tally->lastReport = at;
    }
    return 1;
}

static int Count(double seconds, pid_t pid)
{
    Watch();
    DrainDamage();      /* the report of the whole screen that every new watch starts with */
    Tally tally = {0};
    long span = (long)(seconds * 1000.0 + 0.5);
    tally.start = ServerTime();
    tally.end = tally.start + (Time)span;
    long long ticksBefore = pid > 0 ? CpuTicks(pid) : 0;
    double localStart = NowMs();
    for (double now = localStart; now < localStart + (double)span; now = NowMs()) {
        WaitForX(localStart + (double)span - now);
        TallyReports(&tally);
    }
    /* Every report stamped before the server's clock read now has arrived before its answer. */
    while (Elapsed(tally.end, ServerTime()) < 0)
        Pause(5);
    long long ticksAfter = pid > 0 ? CpuTicks(pid) : 0;
    double localSeconds = (NowMs() - localStart) / 1000.0;
    TallyReports(&tally);
    printf("frames=%ld seconds=%.3f longest_gap_ms=%ld", tally.frames, (double)span / 1000.0,
           tally.longestGap);
    if (pid > 0)
        printf(" cpu_ticks=%lld cpu_seconds=%.3f ticks_per_second=%ld", ticksAfter - ticksBefore,
               localSeconds, sysconf(_SC_CLK_TCK));
    printf("\n");
    return 0;
}

static void Usage(void)
{
    fprintf(stderr, "usage: xwatch first-frame [-t SECONDS] COMMAND [ARG...]\n"
                    "       xwatch count SECONDS [PID]\n");
    exit(2);
}

static double Seconds(const char *text)
{
    char *end;
    double value = strtod(text, &end);
    if (*end || !(value > 0.0))
        Usage();
    return value;
}

int main(int argc, char **argv)
{
    if (argc >= 3 && strcmp(argv[1], "first-frame") == 0) {
        double timeout = 10.0;
        int first = 2;
        if (strcmp(argv[2], "-t") == 0) {
            if (argc < 5)
                Usage();
            timeout = Seconds(argv[3]);
            first = 4;
        }
        return FirstFrame(timeout, argv + first);
    }
    if ((argc == 3 || argc == 4) && strcmp(argv[1], "count") == 0) {
        pid_t pid = 0;
        if (argc == 4) {
            char *end;
            long value = strtol(argv[3], &end, 10);
            if (*end || value <= 0)
                Usage();
            pid = (pid_t)value;
        }
        return Count(Seconds(argv[2]), pid);
    }
    Usage();
    return 2;
}
