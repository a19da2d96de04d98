// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/XPathReplace.h"

#include <optional>
#include <string>

#include "engine/RuleEngine.h"

namespace qx {

namespace {

constexpr std::string_view kTextBeforeDocument = "Text before the document";

// Everything before the first "<" goes; the last character is not looked at, so a text whose
// only "<" ends it is kept whole.
std::string_view CutBeforeMarkup(std::string_view text) {
    if (text.size() < 2) return text;
    const std::size_t lt = text.substr(0, text.size() - 1).find('<');
    if (lt != std::string_view::npos && lt > 0) text.remove_prefix(lt);
    return text;
}

// The document service writes bare LF; a CR LF text gets its CR back on every one of them
// (a CR of the content is written escaped, so a raw CR here is already part of a pair).
void AppendWithLineBreaks(std::string& out, std::string_view markup, LineBreak lineBreak) {
    if (lineBreak == LineBreak::kLf) {
        out.append(markup);
        return;
    }
    std::size_t from = 0;
    for (std::size_t lf = markup.find('\n'); lf != std::string_view::npos;
         lf = markup.find('\n', lf + 1)) {
        out.append(markup, from, lf - from);
        if (lf == 0 ? out.empty() || out.back() != '\r' : markup[lf - 1] != '\r') out += '\r';
        out += '\n';
        from = lf + 1;
    }
    out.append(markup, from);
}

}  // namespace

LineBreak DetectLineBreak(std::string_view text) {
    const std::size_t lf = text.find('\n');
    if (lf == std::string_view::npos || (lf > 0 && text[lf - 1] == '\r')) return LineBreak::kCrLf;
    return LineBreak::kLf;
}

std::string SerializeDocument(XmlDocument& document, LineBreak lineBreak) {
    std::string out;
    XmlNode node = document.firstChild();
    if (node && node.nodeType() == XmlNode::kProcessingInstruction && node.nodeName() == "xml") {
        out += "<?xml ";
        out += node.text();
        out += lineBreak == LineBreak::kCrLf ? "?>\r\n" : "?>\n";
        node = node.nextSibling();
    }
    for (; node; node = node.nextSibling()) AppendWithLineBreaks(out, node.xml(), lineBreak);
    return out;
}

void ReplaceInNode(XPathContext& context, XmlNode node, std::string_view find,
                   std::string_view replace, bool regex) {
    const int type = node.nodeType();
    const bool textNode = type == XmlNode::kText || type == XmlNode::kCData;
    if (!textNode && !(find.empty() && !node.hasChildNodes())) {
        for (const XmlNode& child : node.childNodes())
            ReplaceInNode(context, child, find, replace, regex);
        return;
    }
    // A text or CDATA node is replaced in; with an empty find it, like any node without
    // children, takes the replace text as its content.
    const std::string original = node.text();
    std::string value = original;
    const std::size_t before = value.size();
    const std::size_t limit = before + context.room;
    if (find.empty()) {
        value.assign(replace);
    } else {
        ReplaceHooks& hooks = context.hooks;
        const std::size_t textLimit = hooks.sizeLimit;
        hooks.sizeLimit = limit;
        struct Restore {
            ReplaceHooks& hooks;
            std::size_t limit;
            ~Restore() { hooks.sizeLimit = limit; }
        } restore{hooks, textLimit};
        if (regex)
            ReplaceRegexInPlace(context.engine, value, find, replace, hooks, context.scratch);
        else
            ReplaceCountedInPlace(value, find, replace, context.flags, hooks, context.scratch);
    }
    if (value.size() > limit) ThrowTextTooLarge(context.hooks.sizeLimit);
    context.room = limit - value.size();
    // Only a node whose text changed is written back: the rest of the file keeps its bytes.
    if (value != original) node.setText(value);
}

XPathResult ApplyXPathRule(XPathContext& context, std::string_view text, std::string_view xPath,
                           std::string_view find, std::string_view replace, bool regex) {
    XPathResult result;
    const std::string_view markup = CutBeforeMarkup(text);
    const std::string_view cut = text.substr(0, text.size() - markup.size());
    if (cut.find_first_not_of(" \t\r\n") != std::string_view::npos) {
        // Words before the first "<" make a text that is no XML document, however well-formed
        // its tail; cutting them off would lose them from the user's file.
        context.sinks.AppendLog("Doc.loadXML failed: " + std::string(kTextBeforeDocument) +
                                " [1:1] " + std::string(cut.substr(0, cut.find_first_of("\r\n"))));
        result.text = text;
        result.parseFailed = true;
        return result;
    }
    if (!context.document.loadXML(markup)) {
        const XmlParseError& error = context.document.parseError();
        context.sinks.AppendLog("Doc.loadXML failed: " + error.reason + " [" +
                                std::to_string(error.line) + ":" + std::to_string(error.linepos) +
                                "] " + error.srcText);
        // A text that is no XML document is left exactly as it was: the rule cannot apply.
        result.text = text;
        result.parseFailed = true;
        return result;
    }
    const std::vector<XmlNode> selected = context.document.selectNodes(xPath);
    if (selected.empty()) {
        result.text = text;
        return result;
    }
    const std::size_t limit = context.hooks.sizeLimit;
    context.room = limit > markup.size() ? limit - markup.size() : 0;
    for (const XmlNode& node : selected) ReplaceInNode(context, node, find, replace, regex);
    // The changed texts written into the text as it was; unchanged, the text itself.
    if (std::optional<std::string> edited = context.document.editedSource()) {
        result.text.reserve(cut.size() + edited->size());
        result.text.assign(cut);
        result.text += *edited;
        return result;
    }
    // A document the text cannot be followed in is written as the document service writes it.
    result.text = SerializeDocument(context.document, DetectLineBreak(markup));
    // White space after the last node belongs to no node; without it a file would lose the
    // line break that ends it.
    const std::size_t last = markup.find_last_not_of(" \t\r\n");
    if (last != std::string_view::npos && markup[last] == '>')
        result.text.append(markup.substr(last + 1));
    return result;
}

}  // namespace qx
