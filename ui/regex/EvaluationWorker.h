// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One worker thread for the evaluations of a test window: a long test text or a run-away
// expression then keeps the worker busy, not the window. One evaluation runs at a time; a
// request made meanwhile waits, and a newer request replaces a waiting one. When an evaluation
// ends, `done` runs on the window's thread and takes its lines with TakeResult. Everything the
// two threads share passes through one std::mutex.

#include <QObject>
#include <QStringList>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace qx {

class EvaluationWorker {
public:
    // Lines, or nothing to keep the result as it was.
    using Result = std::optional<QStringList>;
    using Job = std::function<Result()>;

    // `done` is called on `context`'s thread while `context` lives.
    EvaluationWorker(QObject* context, std::function<void()> done);
    // Waits for a running evaluation; a waiting one is dropped.
    ~EvaluationWorker();
    EvaluationWorker(const EvaluationWorker&) = delete;
    EvaluationWorker& operator=(const EvaluationWorker&) = delete;

    void Submit(Job job);
    // An evaluation runs or waits, or its result has not been taken yet.
    bool Busy() const;
    // The result of the evaluation that ended last, once.
    std::optional<Result> TakeResult();

private:
    void Run();

    QObject* context_;
    std::function<void()> done_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    Job waiting_;
    bool running_ = false;
    bool stop_ = false;
    std::optional<Result> result_;
    std::thread thread_;  // started with the first request
};

}  // namespace qx
