// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the recorded behaviour of the TRegExpr library (tests/data/tregexpr_cases.tsv) through our
// TRegExpr: every match with its groups, the replace-all result, and the errors.

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "engine/TRegExpr.h"

namespace qx {
namespace {

struct Case {
    std::string id;
    std::string modifiers;
    std::string expression;
    std::string subject;
    std::string templ;
    std::string status;
    std::string result;   // replace-all result, or the error message
    std::string matches;  // as recorded: pos,len,count,g1pos:g1len,... separated by ';'
    std::string group;
};

// Cases where the program deliberately differs from the library, with the reason.
const std::map<std::string, std::string> kKnownDeviations = {
    {"580",
     "the library reads the subject as a C string and matches \\x00 at its terminator; here a "
     "zero byte is an ordinary character, so \\x00 does not match a text without one"},
};

std::string FromHex(const std::string& hex) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    }
    return bytes;
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, '\t')) fields.push_back(field);
    if (!line.empty() && line.back() == '\t') fields.emplace_back();
    return fields;
}

std::vector<Case> LoadCases() {
    std::vector<Case> cases;
    std::ifstream in(QX_TEST_DATA_DIR "/tregexpr_cases.tsv", std::ios::binary);
    std::string line;
    std::getline(in, line);  // header
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        auto f = SplitTabs(line);
        f.resize(9);
        cases.push_back({f[0], f[1], FromHex(f[2]), FromHex(f[3]), FromHex(f[4]), f[5],
                         FromHex(f[6]), f[7], f[8]});
    }
    return cases;
}

const std::vector<Case>& AllCases() {
    static const std::vector<Case> cases = LoadCases();
    return cases;
}

struct Outcome {
    bool error = false;
    std::string result;  // replace-all result or error message
    std::string matches;
};

std::string DescribeMatch(const TRegExpr& re) {
    std::string text = std::to_string(re.MatchPos(0) + 1) + "," + std::to_string(re.MatchLen(0)) +
                       "," + std::to_string(re.SubExprMatchCount());
    for (int g = 1; g <= TRegExpr::kMaxGroups; ++g) {
        const auto pos = re.MatchPos(g);
        text += "," + (pos < 0 ? std::string("-1") : std::to_string(pos + 1)) + ":" +
                std::to_string(re.MatchLen(g));
    }
    return text;
}

// The program's replace loop: text between matches copied, each match substituted.
Outcome RunCase(const Case& c) {
    Outcome outcome;
    try {
        TRegExpr re;
        if (!c.modifiers.empty()) re.SetModifierStr(c.modifiers);
        re.SetExpression(c.expression);
        std::size_t copied = 0;
        if (re.Exec(c.subject)) {
            do {
                if (!outcome.matches.empty()) outcome.matches += ';';
                outcome.matches += DescribeMatch(re);
                const auto pos = static_cast<std::size_t>(re.MatchPos(0));
                outcome.result.append(c.subject, copied, pos - copied);
                outcome.result += re.Substitute(c.templ);
                copied = pos + static_cast<std::size_t>(re.MatchLen(0));
            } while (re.ExecNext());
        }
        outcome.result.append(c.subject, copied);
    } catch (const ERegExpr& e) {
        outcome.error = true;
        outcome.result = e.what();
        outcome.matches.clear();
    }
    return outcome;
}

std::string Printable(const std::string& bytes) {
    std::string text;
    for (const unsigned char ch : bytes) {
        if (ch >= 0x20 && ch < 0x7F && ch != '\\') {
            text += static_cast<char>(ch);
        } else {
            static constexpr char kHex[] = "0123456789abcdef";
            text += "\\x";
            text += kHex[ch >> 4];
            text += kHex[ch & 15];
        }
    }
    return text;
}

// Empty when the outcome is what the library recorded, else what differs.
std::string Compare(const Case& c, const Outcome& got) {
    if (c.status == "OK") {
        if (got.error) return "unexpected error: " + got.result;
        std::string diff;
        if (got.result != c.result) {
            diff += "result \"" + Printable(got.result) + "\", expected \"" + Printable(c.result) +
                    "\"; ";
        }
        if (got.matches != c.matches) {
            diff += "matches " + got.matches + ", expected " + c.matches;
        }
        return diff;
    }
    if (c.status == "ERR_OR_OK" && !got.error) return {};  // accepting it is allowed
    if (!got.error) return "no error, expected " + c.result;
    if (got.result != c.result)
        return "error \"" + got.result + "\", expected \"" + c.result + "\"";
    return {};
}

class TRegExprConformance : public ::testing::TestWithParam<Case> {};

TEST_P(TRegExprConformance, BehavesLikeTheLibrary) {
    const Case& c = GetParam();
    SCOPED_TRACE("case " + c.id + " (" + c.group + "): expression \"" + Printable(c.expression) +
                 "\", subject \"" + Printable(c.subject) + "\"");
    const std::string diff = Compare(c, RunCase(c));
    const auto deviation = kKnownDeviations.find(c.id);
    if (deviation != kKnownDeviations.end()) {
        EXPECT_FALSE(diff.empty())
            << "case " << c.id << " is listed as a deviation but now passes: drop it";
        return;
    }
    EXPECT_TRUE(diff.empty()) << "case " << c.id << ": " << diff;
}

TEST(TRegExprConformanceData, CasesLoaded) { EXPECT_GT(AllCases().size(), 300u); }

INSTANTIATE_TEST_SUITE_P(Recorded, TRegExprConformance, ::testing::ValuesIn(AllCases()),
                         [](const ::testing::TestParamInfo<Case>& instance) {
                             return "case_" + instance.param.id;
                         });

}  // namespace
}  // namespace qx
