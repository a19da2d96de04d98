// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The xPath branch of the rules: one pass of a rule whose xPath is set parses the text as an
// XML document, replaces inside the text of the selected nodes and their descendants, and
// writes the changed texts back into the text. The replacements themselves are the plain and
// regular-expression loops of ReplaceLoops.h, with the same numbering and records.

#include <string>
#include <string_view>

#include "engine/ReplaceLoops.h"
#include "engine/TextRoutines.h"
#include "engine/XmlDocument.h"

namespace qx {

class EngineSinks;
class TRegExpr;

// What a pass takes from the running correction. The document is reloaded at every pass.
struct XPathContext {
    XmlDocument& document;
    TRegExpr& engine;
    ReplaceHooks& hooks;
    ReplaceFlags flags;  // of the plain rules
    EngineSinks& sinks;  // for the log line of a parse failure
    std::string& scratch;
    // How much the document's texts may still grow in this pass (set by ApplyXPathRule from
    // hooks.sizeLimit): many small nodes must not add up past the limit either.
    std::size_t room = 0;
};

struct XPathResult {
    std::string text;
    bool parseFailed = false;  // the text is not well-formed: no further pass of the rule
};

// One pass. `find` and `replace` are the rule's texts with tokens and XML entities already
// decoded (the caller decodes them once per rule). White space may stand before the first "<";
// a text with anything else before it, or that does not parse, is no XML document: it comes
// back unchanged, with parseFailed and one log line "Doc.loadXML failed: reason [line:pos]
// source". A pass that changes nothing gives the text back as it was; one that changes texts
// writes only them anew, every other byte stays (XmlDocument::editedSource), and only a text
// that cannot be followed node for node is written as SerializeDocument writes it. An xPath
// the service rejects raises XmlError.
XPathResult ApplyXPathRule(XPathContext& context, std::string_view text, std::string_view xPath,
                           std::string_view find, std::string_view replace, bool regex);

// Replaces inside every text and CDATA node at or below `node`; with an empty find, sets the
// replace text as the content of those nodes and of every childless node below.
void ReplaceInNode(XPathContext& context, XmlNode node, std::string_view find,
                   std::string_view replace, bool regex);

// Line breaks of the written document: those of the text it was read from.
enum class LineBreak { kCrLf, kLf };
// CR LF when the first line break of the text is CR LF or when it has none; else LF.
LineBreak DetectLineBreak(std::string_view text);

// The XML declaration as "<?xml ...?>" and a line break, then the markup of every top-level node
// with nothing between them.
std::string SerializeDocument(XmlDocument& document, LineBreak lineBreak = LineBreak::kCrLf);

}  // namespace qx
