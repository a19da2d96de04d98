// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/TReplaceConditions.h"

#include <gtest/gtest.h>

namespace qx {
namespace {

using namespace std::string_literals;

// Condition sets by what is switched on; the group switches come with their conditions
// unless a row says otherwise.
TReplaceConditions IfContains(std::string fragment, bool group = true) {
    TReplaceConditions c;
    c.ReplaceGroup = group;
    c.ReplaceIfContains = true;
    c.ReplaceIfContainsText = std::move(fragment);
    return c;
}
TReplaceConditions IfAbsent(std::string fragment, bool group = true) {
    TReplaceConditions c;
    c.ReplaceGroup = group;
    c.ReplaceIfAbsent = true;
    c.ReplaceIfAbsentText = std::move(fragment);
    return c;
}
TReplaceConditions NotIfContains(std::string fragment, bool group = true) {
    TReplaceConditions c;
    c.DontReplaceGroup = group;
    c.DontReplaceIfContains = true;
    c.DontReplaceIfContainsText = std::move(fragment);
    return c;
}
TReplaceConditions NotIfAbsent(std::string fragment, bool group = true) {
    TReplaceConditions c;
    c.DontReplaceGroup = group;
    c.DontReplaceIfAbsent = true;
    c.DontReplaceIfAbsentText = std::move(fragment);
    return c;
}

TReplaceConditions AllFour() {
    TReplaceConditions c;
    c.ReplaceGroup = c.ReplaceIfContains = c.ReplaceIfAbsent = true;
    c.DontReplaceGroup = c.DontReplaceIfContains = c.DontReplaceIfAbsent = true;
    c.ReplaceIfContainsText = "need";
    c.ReplaceIfAbsentText = "skip";
    c.DontReplaceIfContainsText = "veto";
    c.DontReplaceIfAbsentText = "must";
    return c;
}

struct Row {
    const char* name;
    TReplaceConditions conditions;
    std::string text;
    bool passes;
};

TEST(CheckConditions, Table) {
    TReplaceConditions switchesOffTextsSet = AllFour();
    switchesOffTextsSet.ReplaceIfContains = switchesOffTextsSet.ReplaceIfAbsent = false;
    switchesOffTextsSet.DontReplaceIfContains = switchesOffTextsSet.DontReplaceIfAbsent = false;
    TReplaceConditions emptyFragments = AllFour();
    emptyFragments.ReplaceIfContainsText = emptyFragments.ReplaceIfAbsentText = "";
    emptyFragments.DontReplaceIfContainsText = emptyFragments.DontReplaceIfAbsentText = "";

    const Row rows[] = {
        {"empty text, nothing on", {}, "", false},
        {"empty text, all met but emptiness", emptyFragments, "", false},
        {"nothing on", {}, "x", true},
        {"contains, other case", IfContains("abc"), "xxABCxx", true},
        {"contains, missing", IfContains("abc"), "xxab cxx", false},
        {"contains, Cyrillic case", IfContains("\xE6\xF3\xEA"), "\xC6\xD3\xCA!", true},
        {"contains, \xA8 and \xB8", IfContains("\xB8\xEB\xEA\xE0"), "\xA8\xCB\xCA\xC0", true},
        {"contains, longer than text", IfContains("abcd"), "abc", false},
        {"contains, group off", IfContains("abc", false), "xyz", true},
        {"absent, present", IfAbsent("skip"), "do not SKIP me", false},
        {"absent, missing", IfAbsent("skip"), "fine", true},
        {"absent, group off", IfAbsent("skip", false), "skip", true},
        {"veto, present", NotIfContains("bad"), "some Bad text", false},
        {"veto, missing", NotIfContains("bad"), "good", true},
        {"veto, group off", NotIfContains("bad", false), "bad", true},
        {"not if absent, missing", NotIfAbsent("must"), "nothing", false},
        {"not if absent, present", NotIfAbsent("must"), "you MUST", true},
        {"not if absent, group off", NotIfAbsent("must", false), "nothing", true},
        {"all four met", AllFour(), "need must", true},
        {"all four, veto wins", AllFour(), "need must veto", false},
        {"all four, needed missing", AllFour(), "must", false},
        {"all four, skip present", AllFour(), "need must skip", false},
        {"all four, must missing", AllFour(), "need", false},
        {"switches off, texts kept", switchesOffTextsSet, "veto skip", true},
        {"empty fragments count as met", emptyFragments, "anything", true},
        {"two lines, CR LF", IfContains("a\r\nb"), "xa\r\nbx", true},
        {"two lines, LF only", IfContains("a\r\nb"), "xa\nbx", false},
        {"token literal", IfContains("[nw]"), "a[NW]b", true},
        {"token not decoded", IfContains("[nw]"), "a\r\nb", false},
        {"zero bytes", IfContains("a\0b"s), "xA\0Bx"s, true},
        {"zero byte ends nothing", IfContains("a\0c"s), "a\0b"s, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(CheckConditions(row.conditions, row.text), row.passes);
    }
}

}  // namespace
}  // namespace qx
