// SPDX-License-Identifier: GPL-3.0-or-later
// Times a rule list of many rules (100,000 by default) through what the main window does with
// it, offscreen: save it as a list file, load it back, show it in a table view, filter the
// rows by a text in 1 of 10 rules and in none, and save it again.
//
//     QT_QPA_PLATFORM=offscreen large_rule_list [RULES]
#include <QApplication>
#include <QTableView>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "BenchSupport.h"
#include "engine/TReplace.h"
#include "engine/TReplaceConditions.h"
#include "engine/TRuleRows.h"
#include "storage/ListFile.h"
#include "ui/rules/RuleRowsModel.h"

namespace {

using qx::bench::Ms;
using qx::bench::SilentMessages;

struct Panel {
    qx::TReplaces rules;
    qx::TRuleRows rows{&rules};
    qx::TReplaceConditions conditions;
    SilentMessages messages;
    qx::TListFile file{rules, rows, conditions, messages};
};

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    QApplication app(argc, argv);
    const std::filesystem::path list =
        std::filesystem::temp_directory_path() / ("large_rule_list-" + std::to_string(::getpid()));

    Panel made;
    const double make = Ms([&] {
        for (int i = 0; i < count; ++i) {
            const std::string n = std::to_string(i);
            made.rules.Add(std::make_unique<qx::TReplace>((i % 10 == 0 ? "tenth " : "word ") + n,
                                                          "WORD " + n, "", i % 3 ? "" : "r", true));
        }
        made.rows.FillReplaceList(false, true);
    });
    const double save = Ms([&] { made.file.SaveList(list); });
    const auto size = std::filesystem::file_size(list);

    Panel panel;
    qx::RuleRowsModel model(panel.rows, nullptr);
    QTableView view;
    view.setModel(&model);
    view.resize(800, 600);
    const double load = Ms([&] { panel.file.LoadList(list, false); });
    const double show = Ms([&] {
        view.show();
        view.viewport()->repaint();
        QCoreApplication::processEvents();
    });
    const auto filter = [&](std::string text) {
        return Ms([&] {
            panel.rows.SetFilter(!text.empty(), text);
            panel.rows.FillReplaceList(false, true);
            view.viewport()->repaint();
            QCoreApplication::processEvents();
        });
    };
    const double tenth = filter("tenth");
    const std::size_t tenthRows = panel.rows.RowCount();
    const double none = filter("absent");
    const double off = filter("");
    const double saveAgain = Ms([&] { panel.file.SaveList(list); });
    std::filesystem::remove(list);

    std::printf("%d rules, a list file of %.1f MB (offscreen)\n", count,
                static_cast<double>(size) / 1048576.0);
    std::printf("  %-36s %9.1f ms\n", "make the rules and rows", make);
    std::printf("  %-36s %9.1f ms\n", "save", save);
    std::printf("  %-36s %9.1f ms\n", "load into a shown list", load);
    std::printf("  %-36s %9.1f ms\n", "show", show);
    std::printf("  %-36s %9.1f ms  (%zu rows)\n", "filter: 1 rule in 10", tenth, tenthRows);
    std::printf("  %-36s %9.1f ms\n", "filter: no rule", none);
    std::printf("  %-36s %9.1f ms  (%zu rows)\n", "filter off", off, panel.rows.RowCount());
    std::printf("  %-36s %9.1f ms\n", "save again", saveAgain);
    return 0;
}
