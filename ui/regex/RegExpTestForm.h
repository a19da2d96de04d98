// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the two regular-expression test windows share: the layout (expression, test text,
// result, reference card), the result lines, and the evaluation, which runs on a worker thread
// so that a long test text or a run-away expression never blocks the window; its lines replace
// the result in one update when it ends.

#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/common/QxForm.h"
#include "ui/regex/EvaluationWorker.h"

class QTimer;

namespace Ui {
class RegExpTestForm;
}

namespace qx {

// Result lines with a bound: a result of more lines than a window can show in a moment ends
// with one line that says so.
class ResultLines {
public:
    static constexpr qsizetype kMaxLines = 10000;
    // False once the bound is reached: the evaluation stops there.
    bool Add(const QString& line);
    bool Full() const { return full_; }
    qsizetype Size() const { return lines_.size(); }
    // Drops the lines added after `size` (a subject whose search failed).
    void Truncate(qsizetype size);
    QStringList Take() { return std::move(lines_); }

private:
    QStringList lines_;
    bool full_ = false;
};

class RegExpTestForm : public QxForm {
    Q_OBJECT
public:
    ~RegExpTestForm() override;

    static constexpr int kOk = 1;
    // The last line of a result cut short by the bound.
    static const QString& MoreResultsLine();

    bool IsEvaluating() const;
    QTimer* Timer() const { return timer_; }

signals:
    // An evaluation has ended and its result, if any, is on screen.
    void EvaluationFinished();

protected:
    RegExpTestForm(Messages& messages, QWidget* parent, const QString& name, int interval,
                   QSize startSize);

    Ui::RegExpTestForm& form() const { return *ui_; }

    // The reference card: a pattern and its meaning in the column pair `column`.
    void AddCardEntry(int row, int column, const char* pattern, const char* meaning);
    void AddCardHeading(int row, int column, const char* name, const char* text);

    // True when there is an expression and a test text and they, or the option, changed since
    // the last evaluation started: an evaluation of the same inputs gives the same lines, so
    // the periodic refresh costs nothing until the user changes something.
    bool InputsChanged();
    // The subjects of the test text: each line, or the whole text with CR LF between lines,
    // converted once per change of the text.
    using Subjects = std::shared_ptr<const std::vector<std::string>>;
    Subjects TestSubjects(bool singleLines, std::string (*convert)(const QString&));

    // Computes the result lines; nothing keeps the result as it was.
    using Job = EvaluationWorker::Job;
    // Runs the job now, or after the one that is running (the latest request wins).
    void StartEvaluation(Job job);
    // Reads the controls and starts an evaluation (the timer's work).
    virtual void Evaluate() = 0;

    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ShowResult();

    std::unique_ptr<Ui::RegExpTestForm> ui_;
    QTimer* timer_ = nullptr;
    QStringList shown_;
    quint64 textVersion_ = 0;  // counts the changes of the test text
    struct Inputs {
        QString expression;
        quint64 textVersion = 0;
        bool singleLines = false;
        bool operator==(const Inputs&) const = default;
    };
    std::optional<Inputs> evaluated_;
    quint64 subjectsVersion_ = 0;
    bool subjectsSingleLines_ = false;
    Subjects subjects_;
    // Last: it stops before the members its jobs may still reach.
    std::unique_ptr<EvaluationWorker> worker_;
};

}  // namespace qx
