#include "companion/progress.h"

#include "io/file_system.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// What the line shows, and the thread that redraws it while the program works.
struct Watch {
    std::mutex lock;              // guards everything below but share
    std::condition_variable wake; // wakes the ticker early, to stop
    std::string program;          // the name first on the line
    std::string step;             // the step going on; "" between steps
    int64_t vertices = 0;         // the step's vertices; 0 when not known
    Clock::time_point started;    // when the step began
    Clock::duration delay;        // how long a step goes on before it is shown
    size_t shown = 0;             // the characters on screen; 0 when no line is
    bool stopping = false;        // whether the ticker is to end
    std::atomic<int> share{-1};   // the percentage of the input read; -1 when none
    std::thread ticker;           // redraws the line four times a second
};

// The watch of the program's line; none when standard error is not a terminal.
std::unique_ptr<Watch> watch;

// How long a step goes on before it is shown: a second, or what
// RUVO_PROGRESS_DELAY_MS says, so tests need not wait.
Clock::duration showAfter() {
    const char* const milliseconds = std::getenv("RUVO_PROGRESS_DELAY_MS");
    if (milliseconds != nullptr)
        return std::chrono::milliseconds(std::atoll(milliseconds));
    return std::chrono::seconds(1);
}

// Writes text over the line on screen, blanking what is left of a longer one.
// The caller holds the lock.
void draw(Watch& w, const std::string& text) {
    std::string out = "\r" + text;
    if (w.shown > text.size())
        out += std::string(w.shown - text.size(), ' ') + "\r" + text;
    w.shown = text.size();
    std::fputs(out.c_str(), stderr);
    std::fflush(stderr);
}

// Blanks the line, if one is shown, and puts the cursor at its start. The
// caller holds the lock.
void clear(Watch& w) {
    if (w.shown == 0)
        return;
    std::fputs(("\r" + std::string(w.shown, ' ') + "\r").c_str(), stderr);
    std::fflush(stderr);
    w.shown = 0;
}

// The line for the step going on: "PROGRAM: STEP, N vertices, P %, S s".
std::string lineOf(const Watch& w, Clock::time_point now) {
    std::string text = w.program + ": " + w.step;
    if (w.vertices > 0)
        text += ", " + std::to_string(w.vertices) + " vertices";
    const int share = w.share.load(std::memory_order_relaxed);
    if (share >= 0)
        text += ", " + std::to_string(share) + " %";
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(now - w.started);
    return text + ", " + std::to_string(seconds.count()) + " s";
}

void tick(Watch& w) {
    std::unique_lock<std::mutex> held(w.lock);
    while (!w.stopping) {
        const Clock::time_point now = Clock::now();
        if (!w.step.empty() && now - w.started >= w.delay)
            draw(w, lineOf(w, now));
        w.wake.wait_for(held, std::chrono::milliseconds(250));
    }
}

} // namespace

ProgressLine::ProgressLine(const char* program) {
    if (watch != nullptr || !standardErrorIsTerminal())
        return;
    watch = std::make_unique<Watch>();
    watch->program = program;
    watch->delay = showAfter();
    watch->ticker = std::thread(tick, std::ref(*watch));
}

ProgressLine::~ProgressLine() {
    if (watch == nullptr)
        return;
    end();
    {
        const std::lock_guard<std::mutex> held(watch->lock);
        watch->stopping = true;
    }
    watch->wake.notify_one();
    watch->ticker.join();
    watch.reset();
}

void ProgressLine::begin(const std::string& what, int64_t vertices) {
    if (watch == nullptr)
        return;
    const std::lock_guard<std::mutex> held(watch->lock);
    watch->step = what;
    watch->vertices = vertices;
    watch->share.store(-1, std::memory_order_relaxed);
    watch->started = Clock::now();
    if (watch->delay <= Clock::duration::zero())
        draw(*watch, lineOf(*watch, watch->started));
}

void ProgressLine::end() {
    if (watch == nullptr)
        return;
    const std::lock_guard<std::mutex> held(watch->lock);
    clear(*watch);
    watch->step.clear();
}

void reportReadShare(size_t done, size_t total) {
    if (watch != nullptr && total > 0)
        watch->share.store(static_cast<int>(done * 100 / total), std::memory_order_relaxed);
}
