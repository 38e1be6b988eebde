#pragma once
// The bodies of a Screen's threads: the frame thread, which loops over passes
// and hands each dirty frame to the render workers, and the workers, which
// take bands from a shared counter, draw them and present them at once.

#include <atomic>
#include <memory>

#include "pixel/Image.h"
#include "thread/Event.h"
#include "thread/Thread.h"

namespace tessary {

class Screen;

// A pass that ends more than this many milliseconds after the last pause is
// followed by a 1 ms pause.
constexpr uint32_t kPacingIntervalMs = 20;

// Run on the Screen's frame thread until interrupted: starts the workers,
// loops over passes, then interrupts every worker and only then joins each.
void frameThreadBody(Screen& screen, ThreadNotifier& notifier);

// What a render worker's body holds for the life of its thread.
struct WorkerContext {
    Screen* screen = nullptr;
    std::shared_ptr<Event> startEvent;  // set by the frame thread, reset by the worker
    std::shared_ptr<Event> doneEvent;   // set by the worker, reset by the frame thread
    std::shared_ptr<Image> bandImage;   // the worker's own, never shared
    // Set when the body ends for any reason, so that the frame thread stops
    // waking and waiting for a worker that is gone.
    std::shared_ptr<std::atomic<bool>> exited;
};

// Builds a worker's body, with its band image of the drawer's width and band
// height over a MemoryHelper buffer.
Thread::Body makeWorkerBody(Screen& screen, std::shared_ptr<Event> startEvent, std::shared_ptr<Event> doneEvent,
                            std::shared_ptr<std::atomic<bool>> exited);

// Per start signal: draw and present bands until none is left, then signal
// done. Ends by InterruptedException when interrupted while waiting.
void workerBody(const WorkerContext& context, ThreadNotifier& notifier);

}  // namespace tessary
