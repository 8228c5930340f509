// headless.cpp -- the scripted front end: no window, no real time, the same run every time.
#include "platform/headless/headless.h"

#include <algorithm>
#include <cstdio>

namespace {

struct HeadlessRun {
    HeadlessScript script;
    std::vector<std::string> calls;
    size_t nextEvent = 0;
    size_t clockRead = 0;
    long passes = 0;
    bool reported = false;          // afterPass already told about the current pass
    void (*tick)() = nullptr;
    char window = 0;                // its address is the window handle
};

HeadlessRun run;

void Record(const std::string &call)
{
    run.calls.push_back(call);
}

int RegisterWindowClass(const char *className)
{
    Record(std::string("RegisterWindowClass ") + className);
    return run.script.failRegisterClass ? 0 : 1;
}

void *CreateGameWindow(const char *className, const char *caption, int width, int height)
{
    Record(std::string("CreateGameWindow ") + className + " \"" + caption + "\" " +
           std::to_string(width) + "x" + std::to_string(height));
    if (run.script.failCreateWindow)
        return nullptr;
    return run.script.window ? run.script.window : &run.window;
}

void PollEvent(PlatformEvent *event)
{
    if (!run.reported) {
        run.reported = true;
        if (run.script.afterPass)
            run.script.afterPass(run.passes);
    }
    const std::vector<HeadlessEvent> &events = run.script.events;
    if (run.nextEvent < events.size() && events[run.nextEvent].frame <= run.passes + 1) {
        const HeadlessEvent &e = events[run.nextEvent++];
        event->type = e.type;
        event->key = e.key;
        return;
    }
    if (run.passes >= run.script.maxPasses) {
        event->type = EV_QUIT;
        event->key = 0;
        return;
    }
    run.passes++;
    run.reported = false;
    if (run.tick)
        run.tick();
    event->type = EV_IDLE;
    event->key = 0;
}

int BeginTimerPeriod(int ms)
{
    Record("BeginTimerPeriod " + std::to_string(ms));
    return run.script.failTimerPeriod ? 0 : 1;
}

void EndTimerPeriod(int ms)
{
    Record("EndTimerPeriod " + std::to_string(ms));
}

int StartTimer(int periodMs, void (*tick)())
{
    Record("StartTimer " + std::to_string(periodMs));
    if (run.script.failTimer)
        return 0;
    run.tick = tick;
    return 1;
}

void StopTimer(int)
{
    Record("StopTimer");
    run.tick = nullptr;
}

void MessageBox(void *, const char *text, const char *)
{
    Record(std::string("MessageBox ") + text);
    if (run.script.onMessageBox)
        run.script.onMessageBox(text);
}

uint32_t ClockSeconds()
{
    const std::vector<uint32_t> &readings = run.script.clockReadings;
    return run.clockRead < readings.size() ? readings[run.clockRead++] : run.script.clockSeconds;
}

void DebugOutput(const char *text)
{
    Record(std::string("DebugOutput ") + text);
}

void Close()
{
    Record("Close");
}

const FrontEnd headlessFrontEnd = {
    "headless", RegisterWindowClass, CreateGameWindow, PollEvent, BeginTimerPeriod,
    EndTimerPeriod, StartTimer, StopTimer, MessageBox, ClockSeconds, DebugOutput, Close,
};

}  // namespace

const FrontEnd *Headless_Start(const HeadlessScript &script)
{
    run = HeadlessRun();
    run.script = script;
    // Events play in the order of their frames; a script given out of order is put in order
    // (keys of one frame keep theirs), never left to hold back the events after it.
    std::stable_sort(run.script.events.begin(), run.script.events.end(),
                     [](const HeadlessEvent &a, const HeadlessEvent &b) { return a.frame < b.frame; });
    return &headlessFrontEnd;
}

const std::vector<std::string> &Headless_Calls()
{
    return run.calls;
}

std::vector<std::string> Headless_MessageBoxes()
{
    std::vector<std::string> boxes;
    const std::string prefix = "MessageBox ";
    for (const std::string &call : run.calls)
        if (call.compare(0, prefix.size(), prefix) == 0)
            boxes.push_back(call.substr(prefix.size()));
    return boxes;
}

long Headless_Passes()
{
    return run.passes;
}
