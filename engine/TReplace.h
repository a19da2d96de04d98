// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// TReplace is one replace rule; TReplaces the ordered rule list that owns its rules. A rule
// is written to and read from a list file as one `Item` element.
//
// The list holds its rules by shared_ptr so that views can refer to a rule by a weak_ptr
// (Handle): a rule deleted from the list leaves such a reference empty, never dangling.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qx {

class XmlDocument;
class XmlNode;

class TReplace {
public:
    TReplace() = default;
    // Repeat is always 1 for a new rule; a creator that knows another count sets it after.
    TReplace(std::string find, std::string replace, std::string path, std::string flags,
             bool checked);

    bool Checked = false;
    std::string Find;         // token form: "[nw]" for a line break typed in the editor
    std::string Flags;        // option letters; "r" in either case marks a regular expression
    std::string Replace;      // token form; may hold "[nm]" and group references
    std::string xPath;        // empty: the whole text
    std::int32_t Repeat = 1;  // 0: while there is something to replace (1000 passes)

    bool IsRegex() const;
    std::unique_ptr<TReplace> Clone() const;

    // Sets the fields from the text of one `Item` element; a text that does not parse, or
    // whose document element is not `Item`, leaves the rule as it was.
    void LoadFromXml(std::string_view itemText);
    // Sets the fields from an `Item` element of a loaded document.
    void ReadItem(const XmlNode& item);
    // The one-line `Item` element, two leading spaces, no line break.
    std::string ToXml() const;
};

// Display form of a repeat count: "?" for 0, empty for 1, else the number.
std::string RepeatText(std::int32_t repeat);

class TReplaces {
public:
    // Appends and takes ownership; gives the index, or -1 (and adds nothing) for no rule.
    int Add(std::unique_ptr<TReplace> rule);
    void Clear();
    void Delete(int index);  // out-of-range indexes are ignored
    int Count() const { return static_cast<int>(items_.size()); }
    TReplace* Items(int index) const;         // nullptr out of range
    int IndexOf(const TReplace* rule) const;  // identity, not equal contents
    // A reference that empties when the list lets go of the rule; empty for a rule not in the
    // list.
    std::weak_ptr<TReplace> Handle(const TReplace* rule) const {
        const int index = IndexOf(rule);
        return index < 0 ? std::weak_ptr<TReplace>() : items_[static_cast<std::size_t>(index)];
    }
    // The same for the rule at `index`, without searching for it (a list of 100,000 rules is
    // filled into its rows in one pass); empty out of range.
    std::weak_ptr<TReplace> HandleAt(int index) const {
        return index < 0 || index >= Count() ? std::weak_ptr<TReplace>()
                                             : items_[static_cast<std::size_t>(index)];
    }
    bool Exchange(int i, int j);
    bool Move(int from, int to);
    // Replaces the whole content with the rules of a list file's text ("//List/Item").
    void LoadFromXml(std::string_view listText);
    // The same from a loaded list document. Items without attributes are marked to keep their
    // white space, so the document is changed.
    void LoadFromDocument(XmlDocument& document);

private:
    std::vector<std::shared_ptr<TReplace>> items_;
};

}  // namespace qx
