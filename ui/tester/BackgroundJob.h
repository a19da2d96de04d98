// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One worker thread for the list tester's computations: the run of the rules over the sample,
// the marks of one step. A new request cancels the one running (it stops at its next look at
// the flag) and replaces one waiting; a result that a newer request has made stale is dropped,
// so the window only ever shows the answer to its latest question.

#include <QMetaObject>
#include <QObject>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace qx {

template <typename Result>
class BackgroundJob {
public:
    using Job = std::function<Result(const std::atomic<bool>& cancel)>;

    // `done` runs on `context`'s thread, while `context` lives, with the latest request's result.
    BackgroundJob(QObject* context, std::function<void(Result&)> done)
        : context_(context), done_(std::move(done)) {}
    ~BackgroundJob() {
        {
            const std::lock_guard lock(mutex_);
            stop_ = true;
            waiting_ = nullptr;
            if (cancel_) cancel_->store(true);
        }
        wake_.notify_all();
        if (thread_.joinable()) thread_.join();
    }
    BackgroundJob(const BackgroundJob&) = delete;
    BackgroundJob& operator=(const BackgroundJob&) = delete;

    void Submit(Job job) {
        {
            const std::lock_guard lock(mutex_);
            waiting_ = std::move(job);
            ++latest_;
            if (cancel_) cancel_->store(true);
            if (!thread_.joinable()) thread_ = std::thread(&BackgroundJob::Run, this);
        }
        wake_.notify_all();
    }

    // A request runs, waits, or its result is on its way to the window.
    bool Busy() const {
        const std::lock_guard lock(mutex_);
        return running_ || waiting_ != nullptr || delivered_ != latest_;
    }

private:
    void Run() {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return stop_ || waiting_ != nullptr; });
            if (stop_) return;
            Job job = std::move(waiting_);
            waiting_ = nullptr;
            const unsigned long long generation = latest_;
            auto cancel = std::make_shared<std::atomic<bool>>(false);
            cancel_ = cancel;
            running_ = true;
            lock.unlock();
            auto result = std::make_shared<Result>(job(*cancel));
            job = nullptr;  // the job's captures go here, not on the window's thread
            lock.lock();
            running_ = false;
            cancel_.reset();
            if (generation != latest_) continue;  // a newer request is waiting or running
            QMetaObject::invokeMethod(
                context_,
                [this, result, generation] {
                    {
                        const std::lock_guard relock(mutex_);
                        if (generation != latest_) return;
                        delivered_ = generation;
                    }
                    done_(*result);
                },
                Qt::QueuedConnection);
        }
    }

    QObject* context_;
    std::function<void(Result&)> done_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    Job waiting_;
    std::shared_ptr<std::atomic<bool>> cancel_;
    unsigned long long latest_ = 0;
    unsigned long long delivered_ = 0;
    bool running_ = false;
    bool stop_ = false;
    std::thread thread_;  // started with the first request
};

}  // namespace qx
