#include "thread/Thread.h"

#include <pthread.h>

#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>
#include <utility>

#if defined(__GLIBCXX__)
#include <cxxabi.h>
#endif

#include "thread/Exception.h"

namespace tessary {

namespace {

std::atomic<int> creationFailureForTesting{0};

}  // namespace

struct Thread::Handle {
    pthread_t id;
};

void ThreadNotifier::sleep() {
    if (interruptEvent_.wait(1)) {
        throw InterruptedException(formatMessage("Thread interupted in %s method.", "tessary::ThreadNotifier::sleep"));
    }
}

bool ThreadNotifier::wait(Event& event) {
    // The interrupt goes first so that it wins when both are signalled.
    const Event* const events[] = {&interruptEvent_, &event};
    if (Event::wait(events, events + 2) == 0) {
        throw InterruptedException(formatMessage("Thread interupted in %s method.", "tessary::ThreadNotifier::wait"));
    }
    return true;
}

bool ThreadNotifier::isInterrupted() const { return interruptEvent_.wait(0); }

Thread::Thread() = default;

Thread::~Thread() {
    try {
        stop();
    } catch (...) {
        // The interrupt could not be signalled; the thread still uses this
        // object, so wait for it to end on its own rather than free it under it.
        join();
    }
    // The body, then the notifier, go in reverse order of declaration.
}

void Thread::start(Body body) {
    // A live thread runs the stored body and reads the notifier: never replace
    // them under it.
    if (handle_ != nullptr) stop();
    body_ = std::move(body);
    notifier_.interruptEvent_.reset();
    std::unique_ptr<Handle> handle(new Handle{});
    int failure = creationFailureForTesting.load(std::memory_order_relaxed);
    if (failure == 0) failure = pthread_create(&handle->id, nullptr, &Thread::threadProc, this);
    if (failure != 0) return;  // the body never runs; stop, join and the destructor return at once
    handle_ = handle.release();
}

void Thread::interrupt() { notifier_.interruptEvent_.set(); }

void Thread::join() {
    if (handle_ == nullptr) return;
    void* result = nullptr;
    // A failed join (only a thread joining itself gets one) keeps the handle,
    // so that the owner can still join the thread before it frees this object.
    if (pthread_join(handle_->id, &result) != 0) return;
    exitCode_ = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(result));
    delete handle_;
    handle_ = nullptr;
}

void Thread::stop() {
    if (handle_ == nullptr) return;
    interrupt();
    join();
}

bool Thread::isStarted() const { return handle_ != nullptr; }

uint32_t Thread::getExitCode() const { return exitCode_; }

void Thread::setCreationFailureForTesting(int errorCode) {
    creationFailureForTesting.store(errorCode, std::memory_order_relaxed);
}

void* Thread::threadProc(void* self) {
    Thread& thread = *static_cast<Thread*>(self);
    uint32_t exitCode = 0;
    try {
        // An empty body raises std::bad_function_call here.
        thread.body_(thread.notifier_);
    } catch (const std::exception&) {
        exitCode = kExitFailure;
#if defined(__GLIBCXX__)
    } catch (abi::__forced_unwind&) {
        throw;  // thread cancellation must unwind through
#endif
    } catch (...) {
        // Not from the standard hierarchy: still a failed body, not a dead process.
        exitCode = kExitFailure;
    }
    return reinterpret_cast<void*>(static_cast<uintptr_t>(exitCode));
}

}  // namespace tessary
