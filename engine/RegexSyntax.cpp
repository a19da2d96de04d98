// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/RegexSyntax.h"

#include <algorithm>
#include <bitset>
#include <vector>

#include "engine/CodePage.h"
#include "engine/TRegExpr.h"

namespace qx {
namespace {

using ByteSet = std::bitset<256>;

constexpr int kMaxGroups = TRegExpr::kMaxGroups;
constexpr long kInfinite = -1;
// PCRE2 accepts repeat counts up to this; larger counts of the dialect are built from several.
constexpr long kPcreMaxRepeat = 65535;
// Brace counts with more digits are rejected.
constexpr std::size_t kMaxBraceDigits = 8;

ByteSet RangeSet(unsigned lo, unsigned hi) {
    ByteSet set;
    for (unsigned c = lo; c <= hi; ++c) set.set(c);
    return set;
}

const ByteSet& DigitSet() {
    static const ByteSet set = RangeSet('0', '9');
    return set;
}
const ByteSet& WordSet() {
    static const ByteSet set =
        RangeSet('0', '9') | RangeSet('a', 'z') | RangeSet('A', 'Z') | ByteSet().set('_');
    return set;
}
// No VT: the dialect's blanks are space, TAB, LF, CR and FF.
const ByteSet& SpaceSet() {
    static const ByteSet set = ByteSet().set(' ').set('\t').set('\n').set('\r').set('\f');
    return set;
}

ByteSet FoldCase(const ByteSet& set) {
    ByteSet folded = set;
    const auto& lower = LowerTable();
    const auto& upper = UpperTable();
    for (unsigned c = 0; c < 256; ++c) {
        if (set.test(c)) folded.set(lower[c]).set(upper[c]);
    }
    return folded;
}

enum class Assertion {
    SubjectStart,
    SubjectEnd,
    LineStart,
    LineEnd,
    WordBoundary,
    NotWordBoundary
};

struct Node {
    enum class Kind { Empty, Set, Backref, Assert, Group, Repeat };
    Kind kind = Kind::Empty;
    ByteSet set;                              // Set
    int number = 0;                           // Backref: group referred to; Group: 0 = root
    bool caseless = false;                    // Backref
    Assertion assertion{};                    // Assert
    bool inlineMultiLine = false;             // Assert LineEnd with m switched on inline
    std::vector<std::vector<Node>> branches;  // Group
    std::vector<Node> child;                  // Repeat: exactly one
    long min = 0;
    long max = kInfinite;
    bool lazy = false;
    bool braces = false;  // Repeat written as {n,m}
};

Node MakeSet(const ByteSet& set) {
    Node node;
    node.kind = Node::Kind::Set;
    node.set = set;
    return node;
}

Node MakeAssert(Assertion assertion) {
    Node node;
    node.kind = Node::Kind::Assert;
    node.assertion = assertion;
    return node;
}

bool CanBeEmpty(const Node& node);

bool BranchCanBeEmpty(const std::vector<Node>& branch) {
    return std::all_of(branch.begin(), branch.end(), [](const Node& n) { return CanBeEmpty(n); });
}

bool CanBeEmpty(const Node& node) {
    switch (node.kind) {
        case Node::Kind::Set:
        case Node::Kind::Backref:
            return false;
        case Node::Kind::Empty:
        case Node::Kind::Assert:
            return true;
        case Node::Kind::Group:
            return std::any_of(node.branches.begin(), node.branches.end(), BranchCanBeEmpty);
        case Node::Kind::Repeat:
            return node.min == 0 || CanBeEmpty(node.child.front());
    }
    return true;
}

bool ContainsGroup(const Node& node) {
    if (node.kind == Node::Kind::Group && node.number > 0) return true;
    if (node.kind == Node::Kind::Repeat) return ContainsGroup(node.child.front());
    if (node.kind == Node::Kind::Group) {
        for (const auto& branch : node.branches) {
            for (const auto& n : branch) {
                if (ContainsGroup(n)) return true;
            }
        }
    }
    return false;
}

int LoopDepth(const Node& node) {
    if (node.kind == Node::Kind::Repeat) {
        const Node& child = node.child.front();
        const bool loop = child.kind == Node::Kind::Group && (node.braces || node.lazy);
        return LoopDepth(child) + (loop ? 1 : 0);
    }
    int depth = 0;
    for (const auto& branch : node.branches) {
        for (const auto& n : branch) depth = std::max(depth, LoopDepth(n));
    }
    return depth;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// One element read inside [...]: a byte, or a class escape's set (\d \w \s).
struct ClassItem {
    bool isSet = false;
    unsigned char byte = 0;
    ByteSet set;
};

class Parser {
public:
    Parser(std::string_view source, const RegexModifiers& modifiers)
        : src_(source), mods_(modifiers), globalMultiLine_(modifiers.m) {}

    Node ParseRoot() {
        Node root;
        root.kind = Node::Kind::Group;
        root.branches = ParseAlternatives(false);
        return root;
    }
    int GroupCount() const { return groups_; }

private:
    [[noreturn]] void Fail(const char* text, std::size_t pos) const {
        throw ERegExpr(std::string("TRegExpr(comp): ") + text + " (pos " + std::to_string(pos) +
                       ")");
    }

    bool AtEnd() const { return pos_ >= src_.size(); }
    char Peek() const { return src_[pos_]; }

    void SkipExtended() {
        if (!mods_.x) return;
        while (!AtEnd()) {
            const char c = Peek();
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
                ++pos_;
            } else if (c == '#') {
                while (!AtEnd() && Peek() != '\n' && Peek() != '\r') ++pos_;
            } else {
                break;
            }
        }
    }

    std::vector<std::vector<Node>> ParseAlternatives(bool nested) {
        std::vector<std::vector<Node>> branches(1);
        for (;;) {
            ParseBranch(branches.back());
            if (AtEnd()) {
                if (nested) Fail("ParseReg Unmatched ()", pos_);
                return branches;
            }
            if (Peek() == '|') {
                ++pos_;
                branches.emplace_back();
                continue;
            }
            // Peek() == ')'
            if (!nested) Fail("ParseReg Unmatched ()", pos_);
            ++pos_;
            return branches;
        }
    }

    void ParseBranch(std::vector<Node>& branch) {
        for (;;) {
            SkipExtended();
            if (AtEnd() || Peek() == '|' || Peek() == ')') return;
            ParsePiece(branch);
        }
    }

    static bool IsQuantifierChar(char c) { return c == '*' || c == '+' || c == '?' || c == '{'; }

    // Reads {n}, {n,} or {n,m} at pos_; false (pos_ unchanged) when the brace is a literal.
    bool ReadBraces(long& min, long& max) {
        std::size_t p = pos_ + 1;
        const std::size_t minStart = p;
        while (p < src_.size() && IsDigit(src_[p])) ++p;
        const std::size_t minDigits = p - minStart;
        if (minDigits == 0 || p >= src_.size()) return false;
        std::size_t maxStart = 0;
        std::size_t maxDigits = 0;
        bool hasComma = false;
        if (src_[p] == ',') {
            hasComma = true;
            maxStart = ++p;
            while (p < src_.size() && IsDigit(src_[p])) ++p;
            maxDigits = p - maxStart;
            if (p >= src_.size()) return false;
        }
        if (src_[p] != '}') return false;
        if (minDigits > kMaxBraceDigits || maxDigits > kMaxBraceDigits) {
            Fail("BRACES Argument Too Big", p);
        }
        min = std::stol(std::string(src_.substr(minStart, minDigits)));
        if (!hasComma) {
            max = min;
        } else if (maxDigits == 0) {
            max = kInfinite;
        } else {
            max = std::stol(std::string(src_.substr(maxStart, maxDigits)));
            if (min > max) Fail("BRACE Min Param Greater then Max", p);
        }
        pos_ = p + 1;
        return true;
    }

    void ParsePiece(std::vector<Node>& branch) {
        Node atom = ParseAtom();
        SkipExtended();
        if (AtEnd() || !IsQuantifierChar(Peek())) {
            branch.push_back(std::move(atom));
            return;
        }
        const std::size_t quantifierPos = pos_;
        const char q = Peek();
        Node repeat;
        repeat.kind = Node::Kind::Repeat;
        if (q == '{') {
            if (!ReadBraces(repeat.min, repeat.max)) {
                branch.push_back(std::move(atom));  // a literal brace: the next atom
                return;
            }
            repeat.braces = true;
        } else {
            ++pos_;
            repeat.min = q == '+' ? 1 : 0;
            repeat.max = q == '?' ? 1 : kInfinite;
        }
        if (!AtEnd() && Peek() == '?') {
            repeat.lazy = true;
            ++pos_;
        }
        if (!mods_.g) repeat.lazy = true;
        if (q != '?' && CanBeEmpty(atom)) Fail("*+ Operand Could Be Empty", quantifierPos);
        if (!AtEnd() && IsQuantifierChar(Peek())) Fail("Nested *?+", pos_);
        repeat.child.push_back(std::move(atom));
        branch.push_back(std::move(repeat));
    }

    Node Literal(unsigned char c) const {
        ByteSet set;
        set.set(c);
        return MakeSet(mods_.i ? FoldCase(set) : set);
    }

    Node ParseAtom() {
        const char c = Peek();
        switch (c) {
            case '^':
                ++pos_;
                return MakeAssert(mods_.m ? Assertion::LineStart : Assertion::SubjectStart);
            case '$': {
                ++pos_;
                Node node = MakeAssert(mods_.m ? Assertion::LineEnd : Assertion::SubjectEnd);
                node.inlineMultiLine = mods_.m && !globalMultiLine_;
                return node;
            }
            case '.': {
                ++pos_;
                ByteSet set;
                set.set();
                if (!mods_.s) set.reset('\r').reset('\n');
                return MakeSet(set);
            }
            case '[':
                return ParseClass();
            case '(':
                if (pos_ + 1 < src_.size() && src_[pos_ + 1] == '?') return ParseModifierGroup();
                return ParseGroup();
            case '*':
            case '+':
            case '?':
                Fail("?+*{ Follows Nothing", pos_ + 1);
            case '\\':
                return ParseEscape();
            default:
                ++pos_;
                return Literal(static_cast<unsigned char>(c));
        }
    }

    Node ParseGroup() {
        ++pos_;
        if (groups_ == kMaxGroups) Fail("ParseReg Too Many ()", pos_);
        Node group;
        group.kind = Node::Kind::Group;
        group.number = ++groups_;
        // Modifiers switched inside a group last to its end.
        const RegexModifiers saved = mods_;
        group.branches = ParseAlternatives(true);
        mods_ = saved;
        return group;
    }

    // (?#comment) or a modifier list such as (?i) (?-s) (?gr-x); everything else that starts
    // with "(?" is not part of the dialect.
    Node ParseModifierGroup() {
        pos_ += 2;
        if (!AtEnd() && Peek() == '#') {
            const std::size_t close = src_.find(')', pos_);
            if (close == std::string_view::npos) Fail("Unclosed (?#Comment)", src_.size());
            pos_ = close + 1;
            return Node{};
        }
        const std::size_t close = src_.find(')', pos_);
        if (close == std::string_view::npos) Fail("Urecognized Modifier", src_.size());
        if (!ApplyModifierLetters(src_.substr(pos_, close - pos_), mods_)) {
            Fail("Urecognized Modifier", close);
        }
        pos_ = close + 1;
        return Node{};
    }

    Node ParseEscape() {
        if (pos_ + 1 >= src_.size()) Fail("Trailing \\", src_.size());
        const char e = src_[pos_ + 1];
        pos_ += 2;
        switch (e) {
            case 'd':
                return MakeSet(DigitSet());
            case 'D':
                return MakeSet(~DigitSet());
            case 'w':
                return MakeSet(WordSet());
            case 'W':
                return MakeSet(~WordSet());
            case 's':
                return MakeSet(SpaceSet());
            case 'S':
                return MakeSet(~SpaceSet());
            case 'b':
                return MakeAssert(Assertion::WordBoundary);
            case 'B':
                return MakeAssert(Assertion::NotWordBoundary);
            case 'A':
                return MakeAssert(Assertion::SubjectStart);
            case 'Z':
                return MakeAssert(Assertion::SubjectEnd);
            case 'x':
                return Literal(ReadHex());
            default:
                break;
        }
        if (e >= '1' && e <= '9') {
            Node node;
            node.kind = Node::Kind::Backref;
            node.number = e - '0';
            node.caseless = mods_.i;
            return node;
        }
        return Literal(ControlEscape(e));
    }

    // \t \n \r \f \a \e; any other escaped byte stands for itself.
    static unsigned char ControlEscape(char e) {
        switch (e) {
            case 't':
                return '\t';
            case 'n':
                return '\n';
            case 'r':
                return '\r';
            case 'f':
                return '\f';
            case 'a':
                return '\a';
            case 'e':
                return 0x1B;
            default:
                return static_cast<unsigned char>(e);
        }
    }

    // After "\x": exactly two hex digits, or {digits} with a value up to FF ({} is 00).
    unsigned char ReadHex() {
        if (!AtEnd() && Peek() == '{') {
            ++pos_;
            unsigned value = 0;
            for (;;) {
                if (AtEnd()) Fail("No Hex Code After \\x", src_.size());
                if (Peek() == '}') {
                    ++pos_;
                    return static_cast<unsigned char>(value);
                }
                const int digit = HexValue(Peek());
                if (digit < 0) Fail("Bad Hex Digit", pos_);
                value = value * 16 + static_cast<unsigned>(digit);
                if (value > 0xFF) Fail("Hex Code After \\x Is Too Big", pos_);
                ++pos_;
            }
        }
        unsigned value = 0;
        for (int k = 0; k < 2; ++k) {
            if (AtEnd()) Fail("No Hex Code After \\x", src_.size());
            const int digit = HexValue(Peek());
            if (digit < 0) Fail("Bad Hex Digit", pos_);
            value = value * 16 + static_cast<unsigned>(digit);
            ++pos_;
        }
        return static_cast<unsigned char>(value);
    }

    ClassItem ReadClassItem() {
        ClassItem item;
        const char c = Peek();
        if (c != '\\') {
            ++pos_;
            item.byte = static_cast<unsigned char>(c);
            return item;
        }
        if (pos_ + 1 >= src_.size()) Fail("Parse Atom Trailing \\", src_.size());
        const char e = src_[pos_ + 1];
        pos_ += 2;
        // Inside a class only the lower-case class escapes are sets; \D \W \S and \b are letters.
        switch (e) {
            case 'd':
                item.isSet = true;
                item.set = DigitSet();
                return item;
            case 'w':
                item.isSet = true;
                item.set = WordSet();
                return item;
            case 's':
                item.isSet = true;
                item.set = SpaceSet();
                return item;
            case 'x':
                item.byte = ReadHex();
                return item;
            default:
                item.byte = ControlEscape(e);
                return item;
        }
    }

    void AddRange(ByteSet& set, unsigned char lo, unsigned char hi, std::size_t endPos) const {
        if (mods_.r) {
            // The Russian alphabet's ё and Ё lie outside а-я (E0-FF) and А-Я (C0-DF).
            if (lo == 0xE0 && hi == 0xFF) set.set(0xB8);
            if (lo == 0xC0 && hi == 0xDF) set.set(0xA8);
            if (lo == 0xE0 && hi == 0xDF) {
                set |= RangeSet(0xC0, 0xFF);
                set.set(0xA8).set(0xB8);
                return;
            }
        }
        if (lo > hi) Fail("Invalid [] Range", endPos);
        set |= RangeSet(lo, hi);
    }

    Node ParseClass() {
        ++pos_;
        bool negate = false;
        if (!AtEnd() && Peek() == '^') {
            negate = true;
            ++pos_;
        }
        ByteSet set;
        bool first = true;
        for (;;) {
            if (AtEnd()) Fail("Unmatched []", src_.size());
            if (Peek() == ']' && !first) {
                ++pos_;
                break;
            }
            first = false;
            const ClassItem item = ReadClassItem();
            if (item.isSet) {
                set |= item.set;
                continue;
            }
            if (pos_ + 1 < src_.size() && Peek() == '-' && src_[pos_ + 1] != ']') {
                ++pos_;
                const std::size_t endPos = pos_;
                const ClassItem end = ReadClassItem();
                if (end.isSet) {
                    set.set(item.byte).set('-');
                    set |= end.set;
                } else {
                    AddRange(set, item.byte, end.byte, endPos);
                }
                continue;
            }
            set.set(item.byte);
        }
        if (mods_.i) set = FoldCase(set);
        if (negate) set.flip();
        return MakeSet(set);
    }

    std::string_view src_;
    std::size_t pos_ = 0;
    RegexModifiers mods_;
    const bool globalMultiLine_;
    int groups_ = 0;
};

// Bytes a match can begin with, as the dialect's start-position filter sees them.
struct FirstBytes {
    ByteSet set;
    bool any = false;              // no filtering possible
    bool inlineEndOfLine = false;  // a `$` under inline m can come first
};

bool CollectFirst(const Node& node, FirstBytes& first);

// Returns true when the whole sequence can match without consuming (the caller looks further).
bool CollectFirst(const std::vector<Node>& sequence, FirstBytes& first) {
    for (const Node& node : sequence) {
        if (!CollectFirst(node, first)) return false;
    }
    return true;
}

bool CollectFirst(const Node& node, FirstBytes& first) {
    switch (node.kind) {
        case Node::Kind::Empty:
            return true;
        case Node::Kind::Set:
            first.set |= node.set;
            return false;
        case Node::Kind::Backref:
            first.any = true;
            return false;
        case Node::Kind::Assert:
            if (node.assertion == Assertion::SubjectEnd) return false;
            if (node.assertion == Assertion::LineEnd) {
                if (node.inlineMultiLine) {
                    first.inlineEndOfLine = true;
                } else {
                    first.set.set('\r').set('\n');
                }
                return false;
            }
            first.any = true;
            return false;
        case Node::Kind::Group: {
            bool empty = false;
            for (const auto& branch : node.branches) empty = CollectFirst(branch, first) || empty;
            return empty;
        }
        case Node::Kind::Repeat: {
            const bool empty = CollectFirst(node.child.front(), first);
            return empty || node.min == 0;
        }
    }
    return false;
}

class Emitter {
public:
    Emitter(int groupCount, bool clampCounts) : groupCount_(groupCount), clamp_(clampCounts) {}

    bool LargeCounts() const { return largeCounts_; }

    void EmitBranches(const std::vector<std::vector<Node>>& branches, std::string& out) const {
        for (std::size_t b = 0; b < branches.size(); ++b) {
            if (b > 0) out += '|';
            for (const Node& node : branches[b]) Emit(node, out);
        }
    }

    static void EmitSet(const ByteSet& set, std::string& out) {
        const std::size_t count = set.count();
        if (count == 256) {
            out += '.';  // compiled with DOTALL
            return;
        }
        if (count == 0) {
            out += "(?!)";
            return;
        }
        if (count == 1) {
            for (unsigned c = 0; c < 256; ++c) {
                if (set.test(c)) EmitByte(static_cast<unsigned char>(c), out);
            }
            return;
        }
        const bool negate = count > 128;
        const ByteSet members = negate ? ~set : set;
        out += negate ? "[^" : "[";
        for (unsigned c = 0; c < 256;) {
            if (!members.test(c)) {
                ++c;
                continue;
            }
            unsigned last = c;
            while (last + 1 < 256 && members.test(last + 1)) ++last;
            EmitByte(static_cast<unsigned char>(c), out);
            if (last > c) {
                if (last > c + 1) out += '-';
                EmitByte(static_cast<unsigned char>(last), out);
            }
            c = last + 1;
        }
        out += ']';
    }

private:
    static void EmitByte(unsigned char c, std::string& out) {
        if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
            out += static_cast<char>(c);
            return;
        }
        static constexpr char kHex[] = "0123456789abcdef";
        out += "\\x";
        out += kHex[c >> 4];
        out += kHex[c & 15];
    }

    static void EmitCount(long min, long max, bool lazy, std::string& out) {
        if (min == 0 && max == kInfinite) {
            out += '*';
        } else if (min == 1 && max == kInfinite) {
            out += '+';
        } else if (min == 0 && max == 1) {
            out += '?';
        } else {
            out += '{' + std::to_string(min);
            if (max != min) {
                out += ',';
                if (max != kInfinite) out += std::to_string(max);
            }
            out += '}';
        }
        if (lazy) out += '?';
    }

    void EmitRepeat(const Node& node, std::string& out) const {
        const Node& child = node.child.front();
        std::string atom;
        Emit(child, atom);
        const bool bare =
            (child.kind == Node::Kind::Set && child.set.any()) || child.kind == Node::Kind::Group ||
            (child.kind == Node::Kind::Backref && !child.caseless && child.number <= groupCount_);
        if (!bare) atom = "(?:" + atom + ")";
        long min = node.min;
        long max = node.max;
        if (min <= kPcreMaxRepeat && (max == kInfinite || max <= kPcreMaxRepeat)) {
            out += atom;
            EmitCount(min, max, node.lazy, out);
            return;
        }
        largeCounts_ = true;
        if (clamp_ || ContainsGroup(child)) {
            // Copies would number their groups anew; such counts stay at PCRE2's limit.
            min = std::min(min, kPcreMaxRepeat);
            if (max != kInfinite) max = std::min(max, kPcreMaxRepeat);
            out += atom;
            EmitCount(min, max, node.lazy, out);
            return;
        }
        // Large counts: the mandatory part as whole blocks of the largest count plus a rest,
        // then the optional part.
        if (min > kPcreMaxRepeat) {
            out += "(?:" + atom + "{" + std::to_string(kPcreMaxRepeat) + "}){" +
                   std::to_string(min / kPcreMaxRepeat) + "}";
            if (min % kPcreMaxRepeat != 0) {
                out += atom;
                EmitCount(min % kPcreMaxRepeat, min % kPcreMaxRepeat, false, out);
            }
        } else if (min > 0) {
            out += atom;
            EmitCount(min, min, false, out);
        }
        if (max == kInfinite) {
            out += atom;
            EmitCount(0, kInfinite, node.lazy, out);
            return;
        }
        const long extra = max - min;
        if (extra <= 0) return;
        if (extra <= kPcreMaxRepeat) {
            out += atom;
            EmitCount(0, extra, node.lazy, out);
            return;
        }
        out += "(?:" + atom;
        EmitCount(0, kPcreMaxRepeat, node.lazy, out);
        out += ")";
        EmitCount(0, (extra + kPcreMaxRepeat - 1) / kPcreMaxRepeat, node.lazy, out);
    }

    void Emit(const Node& node, std::string& out) const {
        switch (node.kind) {
            case Node::Kind::Empty:
                return;
            case Node::Kind::Set:
                EmitSet(node.set, out);
                return;
            case Node::Kind::Backref:
                // A reference to a group the expression lacks compiles and never matches.
                if (node.number > groupCount_) {
                    out += "(?!)";
                } else if (node.caseless) {
                    out += "(?i:\\g{" + std::to_string(node.number) + "})";
                } else {
                    out += "\\g{" + std::to_string(node.number) + "}";
                }
                return;
            case Node::Kind::Assert:
                EmitAssert(node.assertion, out);
                return;
            case Node::Kind::Group:
                out += '(';
                EmitBranches(node.branches, out);
                out += ')';
                return;
            case Node::Kind::Repeat:
                EmitRepeat(node, out);
                return;
        }
    }

    static void EmitAssert(Assertion assertion, std::string& out) {
        switch (assertion) {
            case Assertion::SubjectStart:
                out += "\\A";
                return;
            case Assertion::SubjectEnd:
                out += "\\z";
                return;
            // Lines end at CR, LF or the pair CR LF; nothing stops between CR and LF.
            case Assertion::LineStart:
                out += "(?:\\A|(?<=\\n)|(?<=\\r)(?!\\n))";
                return;
            case Assertion::LineEnd:
                out += "(?:\\z|(?=\\r)|(?<!\\r)(?=\\n))";
                return;
            case Assertion::WordBoundary:
                out += "\\b";
                return;
            case Assertion::NotWordBoundary:
                out += "\\B";
                return;
        }
    }

    int groupCount_;
    bool clamp_;
    mutable bool largeCounts_ = false;
};

}  // namespace

bool ApplyModifierLetters(std::string_view letters, RegexModifiers& modifiers) {
    bool on = true;
    for (const char c : letters) {
        switch (c) {
            case '-':
                on = false;
                break;
            case 'i':
            case 'I':
                modifiers.i = on;
                break;
            case 'm':
            case 'M':
                modifiers.m = on;
                break;
            case 's':
            case 'S':
                modifiers.s = on;
                break;
            case 'g':
            case 'G':
                modifiers.g = on;
                break;
            case 'r':
            case 'R':
                modifiers.r = on;
                break;
            case 'x':
            case 'X':
                modifiers.x = on;
                break;
            default:
                return false;
        }
    }
    return true;
}

RegexTranslation TranslateRegex(std::string_view expression, const RegexModifiers& modifiers,
                                bool clampCounts) {
    Parser parser(expression, modifiers);
    const Node root = parser.ParseRoot();

    RegexTranslation result;
    result.groupCount = parser.GroupCount();
    result.loopDepth = LoopDepth(root);

    const Emitter emitter(result.groupCount, clampCounts);
    std::string body;
    emitter.EmitBranches(root.branches, body);
    result.largeCounts = emitter.LargeCounts();

    // The dialect filters start positions by the bytes a match can begin with; a `$` whose m
    // was switched on inline contributes only the end of the subject to that filter, so such
    // an expression never starts a match at a line break it would otherwise match before.
    FirstBytes first;
    CollectFirst(root, first);
    if (first.inlineEndOfLine && !first.any) {
        result.pattern = "(?=";
        if (first.set.any()) {
            Emitter::EmitSet(first.set, result.pattern);
            result.pattern += '|';
        }
        result.pattern += "\\z)(?:" + body + ")";
    } else {
        result.pattern = std::move(body);
    }
    return result;
}

}  // namespace qx
