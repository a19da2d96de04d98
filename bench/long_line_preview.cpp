// SPDX-License-Identifier: GPL-3.0-or-later
// Times the preview window on one file that is a single line of many megabytes without a line
// break, offscreen: once with one change in the middle of the line, once with a change every
// few bytes. The preview reads and corrects a file between the window's events; the longest
// time the window did not answer is measured by a timer that should fire every 10 ms. The
// changed places shown must stay within their bounds whatever the line's length.
//
//     QT_QPA_PLATFORM=offscreen long_line_preview [MEGABYTES]
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTableView>
#include <QTextEdit>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "BenchSupport.h"
#include "engine/TReplace.h"
#include "engine/TRuleRows.h"
#include "ui/preview/PreviewForm.h"
#include "ui/preview/PreviewModel.h"

namespace {

using qx::bench::SilentMessages;

struct Figures {
    double total = 0;     // from the start of the preview to its last file done, ms
    double longest = 0;   // the longest the window did not answer, ms
    double show = 0;      // showing the changed places of the file, ms
    qsizetype shown = 0;  // characters of the changed places shown
    std::size_t replacements = 0;
};

Figures Preview(qx::PreviewForm& form, const std::filesystem::path& file, const char* find,
                const char* replace) {
    qx::TReplaces list;
    list.Add(std::make_unique<qx::TReplace>(find, replace, "", "", true));
    qx::TRuleRows rows(&list);
    rows.FillReplaceList(false, true);
    qx::PreviewRequest request;
    request.rules = &rows;
    request.files = {{file, file.filename().native()}};

    Figures figures;
    QElapsedTimer clock;
    qint64 lastTick = 0;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        figures.longest = std::max(figures.longest, static_cast<double>(now - lastTick));
        lastTick = now;
    });
    QTimer::singleShot(0, &form, [&] {
        clock.start();
        ticker.start();
        while (form.Computing()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        figures.total = static_cast<double>(clock.elapsed());
        // The file's last step ends the preview before the ticker could fire after it.
        figures.longest = std::max(figures.longest, figures.total - static_cast<double>(lastTick));
        ticker.stop();
        auto* view = form.findChild<QTableView*>(QStringLiteral("lvFiles"));
        auto* changes = form.findChild<QTextEdit*>(QStringLiteral("memChanges"));
        const auto start = std::chrono::steady_clock::now();
        view->selectRow(0);
        changes->repaint();
        QCoreApplication::processEvents();
        figures.show =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        figures.shown = changes->document()->characterCount();
        if (form.Model().rowCount() > 0)
            figures.replacements = form.Model().At(0).file.replacements;
        form.findChild<QPushButton*>(QStringLiteral("btnClose"))->click();
    });
    form.Run(std::move(request));
    return figures;
}

void Print(const char* what, const Figures& figures) {
    std::printf(
        "  %-34s preview %8.0f ms, window held at most %6.0f ms, shown in %5.0f ms "
        "(%lld characters, %zu replacements)\n",
        what, figures.total, figures.longest, figures.show, static_cast<long long>(figures.shown),
        figures.replacements);
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100;
    QApplication app(argc, argv);
    SilentMessages messages;
    qx::PreviewForm form(messages, nullptr);
    form.resize(900, 600);

    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("qx-long-line-" + std::to_string(::getpid()));
    {
        std::string line(megabytes << 20, 'a');
        for (std::size_t i = 0; i < line.size(); i += 7) line[i] = ' ';
        line.replace(line.size() / 2, 4, "zzzz");
        std::ofstream(file, std::ios::binary) << line;
    }
    std::printf("the preview of one %zu MB line without a line break (offscreen)\n", megabytes);
    Print("one change in its middle", Preview(form, file, "zzzz", "yyyy"));
    Print("a change every 7 bytes", Preview(form, file, " ", "_"));
    std::filesystem::remove(file);
    return 0;
}
