// SPDX-License-Identifier: GPL-3.0-or-later
// Times the performed-replacements viewer and its detail window on one replacement whose found
// and inserted texts are a single line of many megabytes (as ".*" over a file without a line
// break records it), offscreen: the list must show a bounded cell, the detail window a bounded
// beginning, and neither may hold the window for long.
//
//     QT_QPA_PLATFORM=offscreen long_line_view [MEGABYTES]
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "BenchSupport.h"
#include "batch/TDoneReplaces.h"
#include "ui/correction/DoneReplaceForm.h"
#include "ui/correction/DoneReplacesForm.h"

namespace {

using qx::bench::Ms;
using qx::bench::SilentMessages;

}  // namespace

int main(int argc, char** argv) {
    const std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100;
    QApplication app(argc, argv);
    SilentMessages messages;
    qx::DoneReplacesForm form(messages, nullptr);
    form.resize(800, 600);
    auto* view = form.findChild<QTableView*>(QStringLiteral("lvReplaces"));

    std::string line(megabytes << 20, 'a');
    for (std::size_t i = 0; i < line.size(); i += 7) line[i] = ' ';
    const double record =
        Ms([&] { form.Records().AddDoneReplace(line, line + "b", "folder/long.txt"); });
    line.clear();
    line.shrink_to_fit();

    const double open = Ms([&] {
        form.show();
        view->viewport()->repaint();
        QCoreApplication::processEvents();
    });
    view->selectRow(0);

    qx::DoneReplaceForm& detail = form.Detail();
    auto* close = detail.findChild<QPushButton*>(QStringLiteral("btnClose"));
    auto* shown = detail.findChild<QPlainTextEdit*>(QStringLiteral("memOldValue"));
    qsizetype shownLength = 0;
    const double details = Ms([&] {
        QTimer::singleShot(0, &detail, [&] {
            detail.repaint();
            QCoreApplication::processEvents();
            shownLength = shown->document()->characterCount();
            close->click();
        });
        const qx::TDoneReplace item = form.Records().Item(0);
        detail.ShowDoneReplace(std::string(item.FileName), std::string(item.Found),
                               std::string(item.Inserted));
    });

    auto* filter = form.findChild<QLineEdit*>(QStringLiteral("edtFilter"));
    auto* cbFilter = form.findChild<QCheckBox*>(QStringLiteral("cbFilter"));
    cbFilter->setChecked(true);
    const double filtered = Ms([&] {
        filter->setText(QStringLiteral("a b"));
        form.RebuildReplacesView();
        view->viewport()->repaint();
        QCoreApplication::processEvents();
    });

    std::printf("one replacement of a %zu MB line without a line break (offscreen)\n", megabytes);
    std::printf("  %-40s %9.1f ms\n", "record", record);
    std::printf("  %-40s %9.1f ms\n", "open the viewer", open);
    std::printf("  %-40s %9.1f ms  (%lld characters shown)\n", "open and close the detail window",
                details, static_cast<long long>(shownLength));
    std::printf("  %-40s %9.1f ms  (%d rows)\n", "filter by a text at its end", filtered,
                view->model()->rowCount());
    return 0;
}
