// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where the nodes of a parsed document stand in the text it was parsed from, so that the new
// texts of a few nodes can be written into that text while every other byte stays as it was:
// the declaration, the document type, comments, the white space between elements, the quoting
// of attributes, empty-element forms and the references in untouched text.
//
// The text is windows-1251 (its markup is ASCII, as in UTF-8); the document holds UTF-8. The
// map is built by scanning the text beside the document's tree and checking every text, name
// and value against the tree, so a text the scan reads differently from the parser (markup that
// an entity's replacement text brings in, an attribute normalised by a declared type) gives no
// map rather than a wrong one.

#include <libxml/tree.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qx {

// True where xml:space="preserve" is in force for the node (through its nearest element).
bool IsSpacePreserved(const xmlNode* node);

class XmlSourceMap {
public:
    // nullopt when the text and the document do not match node for node.
    static std::optional<XmlSourceMap> Build(std::string_view source, const xmlDoc* document);

    // The text with the current content of every changed node (text, CDATA, comment,
    // processing instruction, attribute, element) written where its old content stood. In a
    // text or attribute value only the stretch from the first to the last changed character is
    // written anew; the rest, references and line breaks included, keeps its bytes. Trimmed
    // white space around an element's text stays. nullopt when a changed node has no place in
    // the text (a node the tree gained later) or cannot be written there.
    std::optional<std::string> Splice(std::string_view source,
                                      const std::vector<const xmlNode*>& changed) const;

    enum class Kind { kText, kAttribute, kCData, kComment, kProcessingInstruction, kElement };
    struct Place {
        Kind kind = Kind::kText;
        std::size_t begin = 0, end = 0;          // the content; "/>" of an empty-element tag
        std::size_t nameBegin = 0, nameEnd = 0;  // an element's name, for its new end tag
        char quote = '"';                        // of an attribute value
        bool emptyTag = false;                   // an element written as <a/>
    };

private:
    std::unordered_map<const void*, Place> places_;
    std::string lineBreak_ = "\n";  // for line breaks a changed text brings into the file
};

}  // namespace qx
