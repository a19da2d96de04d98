// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// JsRegExp: a regular-expression engine with the rules of JavaScript, for the second test
// window, where users try expressions written for scripts and web pages. It runs on PCRE2 in
// UTF-8 mode with PCRE2's JavaScript compatibility (\uHHHH, \xHH, \u{...}; a reference to an
// unset group matches empty text; "[^]" and "[]"), case-sensitive, "\w" "\d" "\s" ASCII only,
// "$" only at the end unless multi-line. Subjects and patterns are UTF-8.
//
//   JsRegExp re;
//   re.SetPattern("(\\d+)px");
//   if (re.Exec(text)) do {
//       use(re.Match(0), re.Match(1));
//   } while (re.ExecNext());
//
// Every match is found, as with the global flag: after an empty match the search goes on one
// character further. A match attempt that backtracks more than ten million steps plus 64 per
// byte of the subject gives up with an error instead of running away.

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace qx {

class EJsRegExp : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class JsRegExp {
public:
    JsRegExp();
    ~JsRegExp();
    JsRegExp(const JsRegExp&) = delete;
    JsRegExp& operator=(const JsRegExp&) = delete;

    // Compiled at the next Exec, and again only when the pattern or the option changed.
    void SetPattern(std::string_view pattern);
    // "^" and "$" also at line breaks (CR, LF, CR LF).
    void SetMultiline(bool on);

    // Searches `subject` from its start; throws EJsRegExp for a pattern that does not compile,
    // a subject that is not UTF-8 and a match that runs away. The subject must outlive the
    // matches read from it.
    bool Exec(std::string_view subject);
    // Searches on from the end of the last match (one character further after an empty one).
    bool ExecNext();

    // Capturing groups of the pattern, whether or not they took part in the last match.
    int GroupCount() const;
    // Whole match (0) or group text of the last match; empty for a group that took no part.
    std::string_view Match(int index) const;
    // Byte position of the whole match in the subject.
    std::size_t MatchPos() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace qx
