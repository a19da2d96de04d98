// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the rule item and rule list readers, then checks that whatever was
// read is written and read back unchanged, and that a document's markup always parses again.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/TReplace.h"
#include "engine/XmlDocument.h"

namespace {

void Fail(const char* what) {
    std::fprintf(stderr, "RuleList_fuzz: %s\n", what);
    std::abort();
}

std::string ListText(const qx::TReplaces& rules) {
    std::string text = "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\r\n";
    text += "<List xml:space=\"preserve\">\r\n";
    for (int i = 0; i < rules.Count(); ++i) text += rules.Items(i)->ToXml() + "\r\n";
    return text + "</List>\r\n";
}

bool Same(const qx::TReplace& a, const qx::TReplace& b) {
    return a.Find == b.Find && a.Replace == b.Replace && a.xPath == b.xPath && a.Flags == b.Flags &&
           a.Checked == b.Checked && a.Repeat == b.Repeat;
}

// Whatever rules a list holds are written as a list file and read back unchanged.
void CheckRoundTrip(const qx::TReplaces& rules) {
    qx::TReplaces again;
    again.LoadFromXml(ListText(rules));
    if (again.Count() != rules.Count()) Fail("rule count changed after writing and reading");
    for (int i = 0; i < rules.Count(); ++i)
        if (!Same(*rules.Items(i), *again.Items(i))) Fail("rule changed after writing and reading");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch (data[0] % 3) {
        case 0: {
            // One item text.
            auto rule = std::make_unique<qx::TReplace>();
            rule->LoadFromXml(input);
            qx::TReplaces rules;
            rules.Add(std::move(rule));
            CheckRoundTrip(rules);
            break;
        }
        case 1: {
            // A whole list text; its markup must parse again.
            qx::TReplaces rules;
            rules.LoadFromXml(input);
            CheckRoundTrip(rules);
            qx::XmlDocument doc;
            if (doc.loadXML(input)) {
                qx::XmlDocument again;
                if (!again.loadXML(doc.xml())) Fail("markup of a loaded document does not parse");
            }
            break;
        }
        default: {
            // Raw field values, split at the byte 0x01 guarded by 0xFF (so any byte may occur
            // inside a field).
            std::string fields[4];
            int field = 0;
            for (std::size_t i = 0; i < input.size(); ++i) {
                if (field < 3 && input[i] == '\xFF' && i + 1 < input.size() &&
                    input[i + 1] == '\x01') {
                    ++field;
                    ++i;
                    continue;
                }
                fields[field] += input[i];
            }
            auto rule = std::make_unique<qx::TReplace>(fields[0], fields[1], fields[2], fields[3],
                                                       (size & 1) != 0);
            rule->Repeat = static_cast<std::int32_t>(size * 2654435761u);
            qx::TReplaces rules;
            rules.Add(std::move(rule));
            CheckRoundTrip(rules);
            break;
        }
    }
    return 0;
}
