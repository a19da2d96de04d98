// SPDX-License-Identifier: GPL-3.0-or-later
// Times the performed-replacements viewer over a large run, offscreen: recording the
// replacements, opening the viewer, scrolling it, filtering it by a found text, and the memory
// a record costs. Prints the median of several runs of each step.
//
//     QT_QPA_PLATFORM=offscreen done_replaces_view [RECORDS [RUNS]]
//
// The records look like those of a run over 1,000 files: a thousand replacements per file,
// found texts of 3 to 12 letters, file names of about 30 characters.

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableView>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "batch/TDoneReplaces.h"
#include "ui/correction/DoneReplacesForm.h"

namespace {

using qx::bench::Ms;
using qx::bench::SilentMessages;

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    return 0;
}

// windows-1251 words: "мир", "слово", "замена", ... and a few Latin ones.
const std::vector<std::string> kWords = {"\xEC\xE8\xF0",
                                         "\xF1\xEB\xEE\xE2\xEE",
                                         "\xE7\xE0\xEC\xE5\xED\xE0",
                                         "text",
                                         "value",
                                         "\xF1\xF2\xF0\xEE\xEA\xE0",
                                         "number",
                                         "\xE4\xE0\xF2\xE0\x20\x32\x30\x32\x36"};

void Record(qx::TDoneReplaces& records, std::size_t count) {
    std::mt19937 random(7);
    std::string file;
    for (std::size_t i = 0; i < count; ++i) {
        if (i % 1000 == 0) file = "folder/sub/document-" + std::to_string(i / 1000) + ".txt";
        const std::string& word = kWords[random() % kWords.size()];
        records.AddDoneReplace(word, word + "-" + std::to_string(i % 97), file);
    }
}

void Repaint(QTableView* view) {
    view->viewport()->repaint();
    QCoreApplication::processEvents();
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1000000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    QApplication app(argc, argv);
    SilentMessages messages;
    std::map<std::string, std::vector<double>> times;
    std::vector<double> bytesPerRecord, heldPerRecord, viewBytesPerRecord;
    std::size_t lastShown = 0;

    for (int run = 0; run < runs; ++run) {
        qx::DoneReplacesForm form(messages, nullptr);
        form.resize(800, 600);
        auto* view = form.findChild<QTableView*>(QStringLiteral("lvReplaces"));
        auto* filter = form.findChild<QLineEdit*>(QStringLiteral("edtFilter"));
        auto* cbFilter = form.findChild<QCheckBox*>(QStringLiteral("cbFilter"));

        const long before = ResidentKiB();
        times["record"].push_back(Ms([&] { Record(form.Records(), count); }));
        const long recorded = ResidentKiB();
        bytesPerRecord.push_back(1024.0 * static_cast<double>(recorded - before) /
                                 static_cast<double>(count));
        heldPerRecord.push_back(static_cast<double>(form.Records().HeldBytes()) /
                                static_cast<double>(count));

        times["open"].push_back(Ms([&] {
            form.show();
            Repaint(view);
        }));
        viewBytesPerRecord.push_back(1024.0 * static_cast<double>(ResidentKiB() - recorded) /
                                     static_cast<double>(count));

        // Jumps across the whole list, each painted: the slowest jump counts.
        std::mt19937 random(11);
        double slowest = 0;
        for (int jump = 0; jump < 50; ++jump) {
            const int to = static_cast<int>(
                random() % static_cast<unsigned>(view->verticalScrollBar()->maximum()));
            slowest = std::max(slowest, Ms([&] {
                                   view->verticalScrollBar()->setValue(to);
                                   Repaint(view);
                               }));
        }
        times["scroll (slowest of 50 jumps)"].push_back(slowest);

        // A record far down selected, then the filters; the rebuild runs at once instead of
        // after the typing delay.
        view->selectRow(static_cast<int>(count * 9 / 10));
        cbFilter->setChecked(true);
        const std::pair<const char*, QString> needles[] = {
            {"filter: found text in 1/8 of the records", QStringLiteral("слово")},
            {"filter: a file's name (0.1%)", QStringLiteral("document-77.")},
            {"filter: text in no record", QStringLiteral("absent")},
            {"filter: off again (all records)", QString()},
        };
        for (const auto& [name, needle] : needles) {
            filter->blockSignals(true);
            filter->setText(needle);
            filter->blockSignals(false);
            times[name].push_back(Ms([&] {
                form.RebuildReplacesView();
                Repaint(view);
            }));
            if (needle.startsWith(QStringLiteral("с"))) lastShown = view->model()->rowCount();
        }
        times["hide and show again"].push_back(Ms([&] {
            form.hide();
            form.show();
            Repaint(view);
        }));
        times["clear"].push_back(Ms([&] { form.ClearDoneReplaces(); }));
    }

    const auto median = [](std::vector<double> values) {
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    };
    std::printf("%zu records, median of %d runs (offscreen)\n", count, runs);
    for (const char* step : {"record", "open", "scroll (slowest of 50 jumps)",
                             "filter: found text in 1/8 of the records",
                             "filter: a file's name (0.1%)", "filter: text in no record",
                             "filter: off again (all records)", "hide and show again", "clear"})
        std::printf("  %-45s %9.1f ms\n", step, median(times[step]));
    std::printf("  %-45s %9zu\n", "rows passing the found-text filter", lastShown);
    std::printf("  %-45s %9.1f bytes\n", "memory per record (resident)", median(bytesPerRecord));
    std::printf("  %-45s %9.1f bytes\n", "memory per record (held by the list)",
                median(heldPerRecord));
    std::printf("  %-45s %9.1f bytes\n", "memory per record added by the open view",
                median(viewBytesPerRecord));
    return 0;
}
