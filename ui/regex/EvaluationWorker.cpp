// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/regex/EvaluationWorker.h"

#include <QMetaObject>

namespace qx {

EvaluationWorker::EvaluationWorker(QObject* context, std::function<void()> done)
    : context_(context), done_(std::move(done)) {}

EvaluationWorker::~EvaluationWorker() {
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
        waiting_ = nullptr;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void EvaluationWorker::Submit(Job job) {
    {
        const std::lock_guard lock(mutex_);
        waiting_ = std::move(job);
        if (!thread_.joinable()) thread_ = std::thread(&EvaluationWorker::Run, this);
    }
    wake_.notify_all();
}

bool EvaluationWorker::Busy() const {
    const std::lock_guard lock(mutex_);
    return running_ || waiting_ != nullptr || result_.has_value();
}

std::optional<EvaluationWorker::Result> EvaluationWorker::TakeResult() {
    const std::lock_guard lock(mutex_);
    std::optional<Result> result = std::move(result_);
    result_.reset();
    return result;
}

void EvaluationWorker::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || waiting_ != nullptr; });
        if (stop_) return;
        Job job = std::move(waiting_);
        waiting_ = nullptr;
        running_ = true;
        lock.unlock();
        Result lines = job();
        job = nullptr;  // the job's captures go here, not on the window's thread
        lock.lock();
        running_ = false;
        result_ = std::move(lines);
        // The window's thread takes the result when it gets to it; a newer result replaces
        // one not yet taken.
        QMetaObject::invokeMethod(context_, done_, Qt::QueuedConnection);
    }
}

}  // namespace qx
