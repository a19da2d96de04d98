// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/XmlDocument.h"

#include <fcntl.h>
#include <iconv.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlsave.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <optional>

#include "engine/CodePage.h"
#include "engine/FileIo.h"
#include "engine/Utf8.h"
#include "engine/XmlSourceMap.h"

namespace qx {

namespace {

// ---- RAII owners for libxml2 objects ----

struct DocFree {
    void operator()(xmlDoc* p) const { xmlFreeDoc(p); }
};
struct ParserCtxtFree {
    void operator()(xmlParserCtxt* p) const { xmlFreeParserCtxt(p); }
};
struct XPathCtxtFree {
    void operator()(xmlXPathContext* p) const { xmlXPathFreeContext(p); }
};
struct XPathObjFree {
    void operator()(xmlXPathObject* p) const { xmlXPathFreeObject(p); }
};
struct XmlCharFree {
    void operator()(void* p) const { xmlFree(p); }
};
struct BufferFree {
    void operator()(xmlBuffer* p) const { xmlBufferFree(p); }
};
struct NodeFree {
    void operator()(xmlNode* p) const { xmlFreeNode(p); }
};
using DocPtr = std::unique_ptr<xmlDoc, DocFree>;
using ParserCtxtPtr = std::unique_ptr<xmlParserCtxt, ParserCtxtFree>;
using XPathCtxtPtr = std::unique_ptr<xmlXPathContext, XPathCtxtFree>;
using XPathObjPtr = std::unique_ptr<xmlXPathObject, XPathObjFree>;
using XmlCharPtr = std::unique_ptr<xmlChar, XmlCharFree>;
using BufferPtr = std::unique_ptr<xmlBuffer, BufferFree>;
using NodePtr = std::unique_ptr<xmlNode, NodeFree>;

const xmlChar* X(const char* s) { return reinterpret_cast<const xmlChar*>(s); }
const char* C(const xmlChar* s) { return reinterpret_cast<const char*>(s); }
std::string Str(const xmlChar* s) { return s ? std::string(C(s)) : std::string(); }

// An external entity or DTD is never fetched, from the network or from disk: a document
// must not make the program read other files.
xmlParserInputPtr RefuseExternalEntity(const char*, const char*, xmlParserCtxtPtr) {
    return nullptr;
}

void InitLibrary() {
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        xmlSetExternalEntityLoader(RefuseExternalEntity);
    });
}

bool IsXmlSpace(unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool IsAllXmlSpace(const xmlChar* s) {
    if (!s) return true;
    for (; *s; ++s)
        if (!IsXmlSpace(*s)) return false;
    return true;
}

std::string TrimXmlSpace(std::string s) {
    std::size_t b = 0, e = s.size();
    while (b < e && IsXmlSpace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && IsXmlSpace(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

bool IsXmlChar(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// Markup in windows-1251: characters the code page lacks become character references, so the
// markup parses back to the same characters.
std::string Utf8ToCp1251Markup(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const char32_t cp = NextCodePoint(s, i);
        if (IsInvalidUtf8Byte(cp)) {
            out += '?';
            continue;
        }
        if (const auto byte = CodePointToCp1251(cp)) {
            out += static_cast<char>(*byte);
        } else {
            char ref[16];
            std::snprintf(ref, sizeof ref, "&#x%X;", static_cast<unsigned>(cp));
            out += ref;
        }
    }
    return out;
}

std::string ToCp1251(const std::string& utf8) { return Utf8ToCp1251Lenient(utf8); }

std::string AsciiLower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// The pseudo-attributes of an XML declaration at the very start of the text, as written.
std::optional<std::string> DeclarationText(std::string_view text) {
    if (text.size() < 6 || text.substr(0, 5) != "<?xml" ||
        !IsXmlSpace(static_cast<unsigned char>(text[5])))
        return std::nullopt;
    const std::size_t end = text.find("?>", 5);
    if (end == std::string_view::npos) return std::nullopt;
    return TrimXmlSpace(std::string(text.substr(5, end - 5)));
}

// The value of one pseudo-attribute of a declaration, empty when missing.
std::string PseudoAttribute(std::string_view decl, std::string_view name) {
    std::size_t pos = 0;
    while ((pos = decl.find(name, pos)) != std::string_view::npos) {
        std::size_t p = pos + name.size();
        while (p < decl.size() && IsXmlSpace(static_cast<unsigned char>(decl[p]))) ++p;
        if (p < decl.size() && decl[p] == '=') {
            ++p;
            while (p < decl.size() && IsXmlSpace(static_cast<unsigned char>(decl[p]))) ++p;
            if (p < decl.size() && (decl[p] == '"' || decl[p] == '\'')) {
                const std::size_t close = decl.find(decl[p], p + 1);
                if (close != std::string_view::npos)
                    return std::string(decl.substr(p + 1, close - p - 1));
            }
        }
        pos += name.size();
    }
    return {};
}

enum class Encoding { kUtf8, kCp1251, kUtf16Le, kUtf16Be, kOther };

Encoding EncodingByName(const std::string& name) {
    const std::string n = AsciiLower(name);
    if (n.empty() || n == "utf-8" || n == "utf8" || n == "us-ascii" || n == "ascii")
        return Encoding::kUtf8;
    if (n == "windows-1251" || n == "cp1251" || n == "x-cp1251" || n == "cp-1251")
        return Encoding::kCp1251;
    if (n == "utf-16" || n == "utf-16le" || n == "ucs-2") return Encoding::kUtf16Le;
    if (n == "utf-16be") return Encoding::kUtf16Be;
    return Encoding::kOther;
}

std::optional<std::string> Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    std::string out;
    out.reserve(bytes.size());
    const auto unit = [&](std::size_t i) {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        return static_cast<char32_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
    };
    if (bytes.size() % 2 != 0) return std::nullopt;
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        char32_t cp = unit(i);
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            if (i + 2 >= bytes.size()) return std::nullopt;
            const char32_t low = unit(i + 2);
            if (low < 0xDC00 || low > 0xDFFF) return std::nullopt;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
            return std::nullopt;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

// Any other encoding libiconv knows.
std::optional<std::string> IconvToUtf8(std::string_view bytes, const std::string& from) {
    iconv_t cd = iconv_open("UTF-8", from.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string out(bytes.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* outp = out.data();
    std::size_t outLeft = out.size();
    const std::size_t rc = iconv(cd, &in, &inLeft, &outp, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1)) return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}

// Line `line` (1-based) of a text, without its line break.
std::string SourceLine(std::string_view text, int line) {
    std::size_t start = 0;
    for (int i = 1; i < line; ++i) {
        const std::size_t nl = text.find('\n', start);
        if (nl == std::string_view::npos) return {};
        start = nl + 1;
    }
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    if (end > start && text[end - 1] == '\r') --end;
    return std::string(text.substr(start, end - start));
}

// The first error the parser reports (the one MSXML-style callers show).
struct ErrorCollector {
    bool has = false;
    std::string message;
    int line = 0;
    int column = 0;
};

void CollectError(void* userData, xmlErrorPtr error) {
    auto* ctxt = static_cast<xmlParserCtxt*>(userData);
    auto* collector = static_cast<ErrorCollector*>(ctxt->_private);
    if (!collector || collector->has || !error || error->level < XML_ERR_ERROR) return;
    collector->has = true;
    collector->message = TrimXmlSpace(Str(X(error->message ? error->message : "")));
    collector->line = error->line;
    collector->column = error->int2;
}

void CollectXPathError(void* userData, xmlErrorPtr error) {
    auto* message = static_cast<std::string*>(userData);
    if (message->empty() && error && error->message) *message = TrimXmlSpace(error->message);
}

// Text of the node's descendants (text and CDATA), in document order.
void AppendDescendantText(const xmlNode* root, std::string& out) {
    const xmlNode* n = root->children;
    while (n) {
        if (n->type == XML_TEXT_NODE || n->type == XML_CDATA_SECTION_NODE) {
            if (n->content) out += C(n->content);
        }
        if (n->type == XML_ELEMENT_NODE && n->children) {
            n = n->children;
            continue;
        }
        while (n && !n->next) {
            n = n->parent;
            if (n == root) return;
        }
        if (n) n = n->next;
    }
}

// True when every character of a UTF-8 name has a windows-1251 byte.
bool NameFitsCodePage(const xmlChar* name) {
    if (!name) return true;
    const std::string_view text(reinterpret_cast<const char*>(name));
    for (std::size_t i = 0; i < text.size();) {
        const char32_t cp = NextCodePoint(text, i);
        if (IsInvalidUtf8Byte(cp) || !CodePointToCp1251(cp)) return false;
    }
    return true;
}

// The first node below `n` (itself included) whose name, namespace prefix or declared names
// hold a character the code page lacks. Its markup could not be written in windows-1251: a
// name cannot take a character reference.
const xmlNode* NodeWithForeignName(const xmlNode* n) {
    for (; n; n = n->next) {
        if (n->type != XML_TEXT_NODE && n->type != XML_CDATA_SECTION_NODE &&
            n->type != XML_COMMENT_NODE && !NameFitsCodePage(n->name))
            return n;
        if (n->type == XML_ELEMENT_NODE) {
            if (n->ns && !NameFitsCodePage(n->ns->prefix)) return n;
            for (const xmlNs* ns = n->nsDef; ns; ns = ns->next)
                if (!NameFitsCodePage(ns->prefix)) return n;
            for (const xmlAttr* a = n->properties; a; a = a->next)
                if (!NameFitsCodePage(a->name) || (a->ns && !NameFitsCodePage(a->ns->prefix)))
                    return n;
        }
        // Entity references keep their expansion as children: nothing of their own to write.
        if (n->type != XML_ENTITY_REF_NODE)
            if (const xmlNode* below = NodeWithForeignName(n->children)) return below;
    }
    return nullptr;
}

// xml:space of the element itself: preserve, default, or inherited from the parent.
bool SpacePreserve(const xmlNode* element, bool inherited) {
    XmlCharPtr own(xmlGetNsProp(element, X("space"), XML_XML_NAMESPACE));
    if (!own) return inherited;
    return xmlStrEqual(own.get(), X("preserve")) != 0;
}

// With the default white-space handling, text made of white space only that lies between
// markup is dropped, except where xml:space="preserve" is in force. An attribute with an
// empty value gets no text child.
void DropBlankText(xmlNode* element, bool preserve) {
    for (xmlAttr* a = element->properties; a; a = a->next) {
        xmlNode* t = a->children;
        if (t && !t->next && t->type == XML_TEXT_NODE && (!t->content || !*t->content)) {
            xmlUnlinkNode(t);
            xmlFreeNode(t);
        }
    }
    for (xmlNode* n = element->children; n;) {
        xmlNode* next = n->next;
        if (n->type == XML_TEXT_NODE && !preserve && IsAllXmlSpace(n->content)) {
            xmlUnlinkNode(n);
            xmlFreeNode(n);
        } else if (n->type == XML_ELEMENT_NODE) {
            DropBlankText(n, SpacePreserve(n, preserve));
        }
        n = next;
    }
}

std::string DumpNode(xmlDoc* doc, xmlNode* node) {
    BufferPtr buf(xmlBufferCreate());
    if (!buf) throw XmlError("out of memory");
    // An element inside the tree may use prefixes declared above it: dump a copy, which
    // carries those declarations, so that the markup parses on its own.
    NodePtr copy;
    xmlNode* target = node;
    if (node->type == XML_ELEMENT_NODE && node->parent && node->parent->type != XML_DOCUMENT_NODE) {
        copy.reset(xmlDocCopyNode(node, doc, 1));
        if (!copy) throw XmlError("out of memory");
        target = copy.get();
    }
    if (xmlNodeDump(buf.get(), doc, target, 0, 0) < 0) throw XmlError("cannot write the node");
    return std::string(C(xmlBufferContent(buf.get())),
                       static_cast<std::size_t>(xmlBufferLength(buf.get())));
}

std::string EscapeAttributeValue(std::string_view value) {
    std::string out;
    for (char c : value) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\t':
                out += "&#9;";
                break;
            case '\n':
                out += "&#10;";
                break;
            case '\r':
                out += "&#13;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string QualifiedName(const xmlNode* node) {
    std::string name = Str(node->name);
    const xmlNs* ns = nullptr;
    if (node->type == XML_ELEMENT_NODE)
        ns = node->ns;
    else if (node->type == XML_ATTRIBUTE_NODE)
        ns = reinterpret_cast<const xmlAttr*>(node)->ns;
    if (ns && ns->prefix) return Str(ns->prefix) + ":" + name;
    return name;
}

void CheckXmlText(std::string_view utf8) {
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t cp = NextCodePoint(utf8, i);
        if (IsInvalidUtf8Byte(cp)) throw XmlError("the text is not valid UTF-8");
        if (!IsXmlChar(cp)) {
            char msg[64];
            std::snprintf(msg, sizeof msg, "character U+%04X cannot be held in XML",
                          static_cast<unsigned>(cp));
            throw XmlError(msg);
        }
    }
}

// Comments, CDATA sections and processing instructions have no escape for a carriage return:
// a reader turns CR LF and a lone CR into LF. Their text is held as a reader will find it, so
// that the written markup reads back as the same markup.
std::string AsReadLineEnds(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r') {
            out += text[i];
            continue;
        }
        out += '\n';
        if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    }
    return out;
}

void CheckName(std::string_view name) {
    const std::string n(name);
    if (n.empty() || xmlValidateQName(X(n.c_str()), 0) != 0)
        throw XmlError("invalid XML name: " + n);
}

}  // namespace

// ---- XmlDocument ----

struct XmlDocument::Impl {
    DocPtr doc;
    // The XML declaration as a node of its own: libxml2 keeps only its values.
    NodePtr declaration;
    // Nodes taken out of the tree by setText: handles to them stay valid until the
    // document is reloaded or destroyed.
    std::vector<NodePtr> removed;
    XmlParseError error;
    // The text given to loadXML, for writing changed texts back into it; where its nodes stand
    // is worked out at the first change, while the tree still holds what the text says.
    std::optional<std::string> loadedText;
    std::optional<XmlSourceMap> sourceMap;
    bool sourceMapTried = false;
    std::vector<const xmlNode*> changed;  // nodes whose text was set, in order

    void Reset(DocPtr newDoc) {
        changed.clear();
        sourceMap.reset();
        sourceMapTried = false;
        loadedText.reset();
        removed.clear();
        declaration.reset();
        doc = std::move(newDoc);
    }

    // Before the tree changes first: where its nodes stand in the loaded text.
    void BeforeChange() {
        if (loadedText && !sourceMapTried) {
            sourceMap = XmlSourceMap::Build(*loadedText, doc.get());
            sourceMapTried = true;
        }
    }
    // Every change goes here, new nodes included: a node with no place in the text makes
    // editedSource give up rather than leave the node out.
    void NoteChange(const xmlNode* node) {
        BeforeChange();
        changed.push_back(node);
    }
    void ResetEmpty() {
        DocPtr empty(xmlNewDoc(X("1.0")));
        if (!empty) throw XmlError("out of memory");
        Reset(std::move(empty));
    }

    // Parses UTF-8 text; `source` is the text to take the error's source line from.
    bool Parse(const std::string& utf8, std::string_view source, bool sourceIsCp1251,
               const std::string& url);
};

bool XmlDocument::Impl::Parse(const std::string& utf8, std::string_view source, bool sourceIsCp1251,
                              const std::string& url) {
    error = XmlParseError{};
    ParserCtxtPtr ctxt(xmlNewParserCtxt());
    if (!ctxt) throw XmlError("out of memory");
    ErrorCollector collector;
    ctxt->_private = &collector;
    ctxt->sax->serror = CollectError;
    // Entities are substituted (text reads as written) but never loaded from outside; no
    // DTD is loaded, nothing goes to the network, and without XML_PARSE_HUGE the parser's
    // own limits stop entity-expansion bombs. The text is already UTF-8 whatever its
    // declaration says.
    const int options = XML_PARSE_NOENT | XML_PARSE_NONET | XML_PARSE_IGNORE_ENC;
    if (utf8.size() > static_cast<std::size_t>(INT32_MAX)) {
        ResetEmpty();
        error.reason = "the document is too large";
        error.url = url;
        return false;
    }
    DocPtr parsed(xmlCtxtReadMemory(ctxt.get(), utf8.data(), static_cast<int>(utf8.size()),
                                    url.empty() ? nullptr : url.c_str(), "UTF-8", options));
    const bool ok = parsed && ctxt->wellFormed && ctxt->nsWellFormed && !collector.has;
    if (!ok) {
        ResetEmpty();
        error.reason =
            collector.has ? ToCp1251(collector.message) : "the document is not well-formed";
        error.line = collector.line;
        error.linepos = collector.column;
        const std::string line = SourceLine(source, collector.line);
        error.srcText = sourceIsCp1251 ? line : ToCp1251(line);
        error.url = url.empty() ? std::string() : ToCp1251(url);
        return false;
    }
    // Names reach the callers and the markup in windows-1251 (a file in UTF-8 may hold others).
    if (const xmlNode* foreign = NodeWithForeignName(parsed->children)) {
        ResetEmpty();
        error.reason = "the name \"" + ToCp1251(Str(foreign->name)) +
                       "\" holds a character that windows-1251 lacks";
        error.line = static_cast<int>(xmlGetLineNo(foreign));
        if (error.line < 0) error.line = 0;
        const std::string line = SourceLine(source, error.line);
        error.srcText = sourceIsCp1251 ? line : ToCp1251(line);
        error.url = url.empty() ? std::string() : ToCp1251(url);
        return false;
    }
    if (xmlNode* root = xmlDocGetRootElement(parsed.get()))
        DropBlankText(root, SpacePreserve(root, false));
    Reset(std::move(parsed));
    if (const auto decl = DeclarationText(utf8)) {
        declaration.reset(xmlNewDocPI(doc.get(), X("xml"), X(decl->c_str())));
        if (!declaration) throw XmlError("out of memory");
        declaration->parent = reinterpret_cast<xmlNode*>(doc.get());
    }
    return true;
}

XmlDocument::XmlDocument() : impl_(std::make_unique<Impl>()) {
    InitLibrary();
    impl_->ResetEmpty();
}

XmlDocument::~XmlDocument() {
    // Nodes that refer to the document's dictionary go first.
    impl_->removed.clear();
    impl_->declaration.reset();
}

bool XmlDocument::loadXML(std::string_view text) {
    if (!impl_->Parse(Cp1251ToUtf8(text), text, true, std::string())) return false;
    impl_->loadedText.emplace(text);
    return true;
}

std::optional<std::string> XmlDocument::editedSource() const {
    if (!impl_->loadedText) return std::nullopt;
    if (impl_->changed.empty()) return impl_->loadedText;
    if (!impl_->sourceMap) return std::nullopt;
    return impl_->sourceMap->Splice(*impl_->loadedText, impl_->changed);
}

bool XmlDocument::load(const std::filesystem::path& path) {
    const std::string url = std::filesystem::absolute(path).lexically_normal().string();
    std::string bytes;
    {
        const UniqueFd in = OpenToRead(path);
        if (!in.Valid()) {
            impl_->ResetEmpty();
            impl_->error = XmlParseError{};
            impl_->error.reason = "the file cannot be opened";
            impl_->error.url = ToCp1251(url);
            return false;
        }
        if (ReadWholeFile(in.Get(), bytes) != 0) {
            impl_->ResetEmpty();
            impl_->error = XmlParseError{};
            impl_->error.reason = "the file cannot be read";
            impl_->error.url = ToCp1251(url);
            return false;
        }
    }
    // A byte-order mark decides; else the declaration; else UTF-8, the XML default.
    std::optional<std::string> utf8;
    std::string_view view(bytes);
    std::string encodingName;
    if (view.substr(0, 3) == "\xEF\xBB\xBF") {
        utf8 = std::string(view.substr(3));
    } else if (view.substr(0, 2) == "\xFF\xFE") {
        utf8 = Utf16ToUtf8(view.substr(2), false);
        encodingName = "UTF-16";
    } else if (view.substr(0, 2) == "\xFE\xFF") {
        utf8 = Utf16ToUtf8(view.substr(2), true);
        encodingName = "UTF-16";
    } else if (view.substr(0, 4) == std::string_view("<\0?\0", 4)) {
        utf8 = Utf16ToUtf8(view, false);
        encodingName = "UTF-16";
    } else if (view.substr(0, 4) == std::string_view("\0<\0?", 4)) {
        utf8 = Utf16ToUtf8(view, true);
        encodingName = "UTF-16";
    } else {
        const auto decl = DeclarationText(view);
        encodingName = decl ? PseudoAttribute(*decl, "encoding") : std::string();
        switch (EncodingByName(encodingName)) {
            case Encoding::kCp1251:
                utf8 = Cp1251ToUtf8(view);
                break;
            case Encoding::kUtf8:
                utf8 = bytes;
                break;
            case Encoding::kUtf16Le:
            case Encoding::kUtf16Be:
                utf8 = bytes;
                break;  // declared, but 8-bit: read as UTF-8
            case Encoding::kOther:
                utf8 = IconvToUtf8(view, encodingName);
                break;
        }
    }
    if (!utf8) {
        impl_->ResetEmpty();
        impl_->error = XmlParseError{};
        impl_->error.reason = "the file cannot be decoded as " +
                              (encodingName.empty() ? std::string("UTF-8") : encodingName);
        impl_->error.url = ToCp1251(url);
        return false;
    }
    return impl_->Parse(*utf8, *utf8, false, url);
}

const XmlParseError& XmlDocument::parseError() const { return impl_->error; }

XmlNode XmlDocument::asNode() { return XmlNode(impl_->doc.get(), this); }

XmlNode XmlDocument::documentElement() {
    return XmlNode(xmlDocGetRootElement(impl_->doc.get()), this);
}

XmlNode XmlDocument::firstChild() { return asNode().firstChild(); }

std::vector<XmlNode> XmlDocument::selectNodes(std::string_view xpath) {
    return asNode().selectNodes(xpath);
}

XmlNode XmlDocument::selectSingleNode(std::string_view xpath) {
    return asNode().selectSingleNode(xpath);
}

XmlNode XmlDocument::createRoot(std::string_view name) {
    CheckName(name);
    impl_->ResetEmpty();
    impl_->error = XmlParseError{};
    return asNode().appendElement(name);
}

std::string XmlDocument::xml() const {
    std::string out;
    auto* self = const_cast<XmlDocument*>(this);
    for (XmlNode n = self->firstChild(); n; n = n.nextSibling()) {
        out += n.xml();
        out += "\r\n";
    }
    return out;
}

void XmlDocument::save(const std::filesystem::path& path) const {
    // The markup in UTF-8 first, then in the file's encoding.
    std::string utf8;
    std::string encodingName;
    if (impl_->declaration) {
        const std::string decl = Str(impl_->declaration->content);
        encodingName = PseudoAttribute(decl, "encoding");
        utf8 += "<?xml " + decl + "?>\r\n";
    }
    for (xmlNode* n = impl_->doc->children; n; n = n->next) {
        utf8 += DumpNode(impl_->doc.get(), n);
        utf8 += "\r\n";
    }
    std::string bytes;
    switch (EncodingByName(encodingName)) {
        case Encoding::kUtf8:
            bytes = std::move(utf8);
            break;
        case Encoding::kCp1251:
            bytes = Utf8ToCp1251Markup(utf8);
            break;
        case Encoding::kUtf16Le:
        case Encoding::kUtf16Be: {
            const std::u16string wide = [&] {
                std::u16string w;
                for (std::size_t i = 0; i < utf8.size();) {
                    char32_t cp = NextCodePoint(utf8, i);
                    if (IsInvalidUtf8Byte(cp)) cp = u'?';
                    if (cp >= 0x10000) {
                        w += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
                        w += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
                    } else {
                        w += static_cast<char16_t>(cp);
                    }
                }
                return w;
            }();
            bytes = "\xFF\xFE";
            for (char16_t c : wide) {
                bytes += static_cast<char>(c & 0xFF);
                bytes += static_cast<char>(c >> 8);
            }
            break;
        }
        case Encoding::kOther:
            throw XmlError("cannot save a document in the encoding " + encodingName);
    }

    // Written beside the target and renamed over it: a full disk never leaves half a file.
    int failure = 0;
    if (!WriteFileReplacing(path, bytes, &failure))
        throw XmlError("cannot save " + ToCp1251(path.string()) + ": " + std::strerror(failure));
}

// ---- XmlNode ----

namespace {

xmlNode* Node(void* p) { return static_cast<xmlNode*>(p); }

constexpr unsigned long kXPathOperationLimit = 50'000'000;

}  // namespace

int XmlNode::nodeType() const {
    if (!node_) return kNone;
    switch (Node(node_)->type) {
        case XML_ELEMENT_NODE:
            return kElement;
        case XML_ATTRIBUTE_NODE:
            return kAttribute;
        case XML_TEXT_NODE:
            return kText;
        case XML_CDATA_SECTION_NODE:
            return kCData;
        case XML_PI_NODE:
            return kProcessingInstruction;
        case XML_COMMENT_NODE:
            return kComment;
        case XML_DOCUMENT_NODE:
        case XML_HTML_DOCUMENT_NODE:
            return kDocument;
        case XML_DTD_NODE:
        case XML_DOCUMENT_TYPE_NODE:
            return kDocumentType;
        default:
            return kNone;
    }
}

std::string XmlNode::nodeTypeString() const {
    switch (nodeType()) {
        case kElement:
            return "element";
        case kAttribute:
            return "attribute";
        case kText:
            return "text";
        case kCData:
            return "cdatasection";
        case kProcessingInstruction:
            return "processinginstruction";
        case kComment:
            return "comment";
        case kDocument:
            return "document";
        case kDocumentType:
            return "documenttype";
        default:
            return {};
    }
}

std::string XmlNode::nodeName() const {
    if (!node_) return {};
    const xmlNode* n = Node(node_);
    switch (nodeType()) {
        case kElement:
        case kAttribute:
            return ToCp1251(QualifiedName(n));
        case kText:
            return "#text";
        case kCData:
            return "#cdata-section";
        case kComment:
            return "#comment";
        case kDocument:
            return "#document";
        default:
            return ToCp1251(Str(n->name));
    }
}

std::string XmlNode::text() const { return ToCp1251(textUtf8()); }

std::string XmlNode::textUtf8() const {
    if (!node_) return {};
    const xmlNode* n = Node(node_);
    switch (nodeType()) {
        case kText: {
            std::string s = Str(n->content);
            // Text of an attribute is its value; element text comes trimmed unless preserved.
            if (n->parent && n->parent->type == XML_ATTRIBUTE_NODE) return s;
            return IsSpacePreserved(n) ? s : TrimXmlSpace(std::move(s));
        }
        case kCData:
        case kComment:
        case kProcessingInstruction:
            return Str(n->content);
        case kAttribute: {
            std::string s;
            AppendDescendantText(n, s);
            return s;
        }
        case kElement: {
            std::string s;
            AppendDescendantText(n, s);
            return IsSpacePreserved(n) ? s : TrimXmlSpace(std::move(s));
        }
        case kDocument: {
            const xmlNode* root = xmlDocGetRootElement(reinterpret_cast<const xmlDoc*>(n));
            return root ? XmlNode(const_cast<xmlNode*>(root), document_).textUtf8() : std::string();
        }
        default:
            return {};
    }
}

void XmlNode::setText(std::string_view text) { setTextUtf8(Cp1251ToUtf8(text)); }

void XmlNode::setTextUtf8(std::string_view text) {
    if (!node_) throw XmlError("no node to set the text of");
    xmlNode* n = Node(node_);
    const int type = nodeType();
    const bool unescaped = type == kComment || type == kCData || type == kProcessingInstruction;
    const std::string value = unescaped ? AsReadLineEnds(text) : std::string(text);
    CheckXmlText(value);
    auto& impl = *document_->impl_;
    if (n == impl.declaration.get()) throw XmlError("the XML declaration is read-only");
    if (type == kComment || type == kProcessingInstruction || type == kText || type == kCData ||
        type == kElement || type == kAttribute)
        impl.NoteChange(n);
    switch (type) {
        case kComment:
            if (value.find("--") != std::string::npos || (!value.empty() && value.back() == '-'))
                throw XmlError("a comment cannot hold \"--\" or end in \"-\"");
            xmlNodeSetContent(n, X(value.c_str()));
            return;
        case kProcessingInstruction:
            if (value.find("?>") != std::string::npos)
                throw XmlError("a processing instruction cannot hold \"?>\"");
            xmlNodeSetContent(n, X(value.c_str()));
            return;
        case kText:
        case kCData:
            // For these types libxml2 stores the text as given, without entity parsing.
            xmlNodeSetContent(n, X(value.c_str()));
            return;
        case kElement:
        case kAttribute: {
            // Children are taken out, not freed: handles to them stay valid.
            while (xmlNode* child = n->children) {
                xmlUnlinkNode(child);
                impl.removed.emplace_back(child);
            }
            if (value.empty()) return;
            xmlNode* t = xmlNewDocText(n->doc, X(value.c_str()));
            if (!t) throw XmlError("out of memory");
            if (n->type == XML_ATTRIBUTE_NODE) {
                t->parent = n;
                n->children = n->last = t;
            } else if (!xmlAddChild(n, t)) {
                xmlFreeNode(t);
                throw XmlError("cannot set the text");
            }
            return;
        }
        default:
            throw XmlError("the text of a " + nodeTypeString() + " node cannot be set");
    }
}

std::string XmlNode::xml() const {
    if (!node_) return {};
    xmlNode* n = Node(node_);
    auto& impl = *document_->impl_;
    if (n == impl.declaration.get()) return "<?xml " + ToCp1251(Str(n->content)) + "?>";
    switch (nodeType()) {
        case kDocument:
            return document_->xml();
        case kAttribute:
            return Utf8ToCp1251Markup(QualifiedName(n) + "=\"" + EscapeAttributeValue(textUtf8()) +
                                      "\"");
        case kNone:
            return {};
        default:
            return Utf8ToCp1251Markup(DumpNode(impl.doc.get(), n));
    }
}

bool XmlNode::hasChildNodes() const { return static_cast<bool>(firstChild()); }

std::vector<XmlNode> XmlNode::childNodes() const {
    std::vector<XmlNode> out;
    for (XmlNode c = firstChild(); c; c = c.nextSibling()) out.push_back(c);
    return out;
}

namespace {

bool IsExposed(const xmlNode* n) {
    switch (n->type) {
        case XML_ELEMENT_NODE:
        case XML_TEXT_NODE:
        case XML_CDATA_SECTION_NODE:
        case XML_PI_NODE:
        case XML_COMMENT_NODE:
        case XML_DTD_NODE:
            return true;
        default:
            return false;
    }
}

xmlNode* FirstExposed(xmlNode* n) {
    while (n && !IsExposed(n)) n = n->next;
    return n;
}

}  // namespace

XmlNode XmlNode::firstChild() const {
    if (!node_) return {};
    xmlNode* n = Node(node_);
    auto& impl = *document_->impl_;
    if (nodeType() == kDocument && impl.declaration)
        return XmlNode(impl.declaration.get(), document_);
    switch (nodeType()) {
        case kDocument:
        case kElement:
        case kAttribute:
            return XmlNode(FirstExposed(n->children), document_);
        default:
            return {};
    }
}

XmlNode XmlNode::nextSibling() const {
    if (!node_) return {};
    xmlNode* n = Node(node_);
    auto& impl = *document_->impl_;
    if (n == impl.declaration.get()) return XmlNode(FirstExposed(impl.doc->children), document_);
    switch (nodeType()) {
        case kDocument:
        case kAttribute:
        case kNone:
            return {};
        default:
            return XmlNode(FirstExposed(n->next), document_);
    }
}

XmlNode XmlNode::parentNode() const {
    if (!node_) return {};
    switch (nodeType()) {
        case kDocument:
        case kAttribute:
            return {};
        default:
            return XmlNode(Node(node_)->parent, document_);
    }
}

std::vector<XmlNode> XmlNode::attributes() const {
    std::vector<XmlNode> out;
    if (nodeType() != kElement) return out;
    for (xmlAttr* a = Node(node_)->properties; a; a = a->next) out.push_back(XmlNode(a, document_));
    return out;
}

std::vector<XmlNode> XmlNode::selectNodes(std::string_view xpath) const {
    if (!node_) throw XmlError("no node to select from");
    // libxml2 reads the path up to a zero byte: "/\0//b" would quietly select the document.
    if (xpath.find('\0') != std::string_view::npos)
        throw XmlError("invalid xPath: it holds a zero byte");
    auto& impl = *document_->impl_;
    xmlNode* context = Node(node_);
    if (context == impl.declaration.get()) context = reinterpret_cast<xmlNode*>(impl.doc.get());
    XPathCtxtPtr ctxt(xmlXPathNewContext(impl.doc.get()));
    if (!ctxt) throw XmlError("out of memory");
    ctxt->node = context;
    // A path whose evaluation runs away (nested predicates over a large document) ends with
    // an error after a bounded effort instead of hanging the program.
    ctxt->opLimit = kXPathOperationLimit;
    ctxt->opCount = 0;
    std::string message;
    ctxt->error = CollectXPathError;
    ctxt->userData = &message;
    // Prefixes declared in scope of the node may be used in the path.
    xmlNode* scope = context->type == XML_ATTRIBUTE_NODE ? context->parent : context;
    if (scope && scope->type == XML_DOCUMENT_NODE) scope = xmlDocGetRootElement(impl.doc.get());
    if (scope && scope->type == XML_ELEMENT_NODE) {
        std::unique_ptr<xmlNs*, XmlCharFree> list(xmlGetNsList(impl.doc.get(), scope));
        for (xmlNs** ns = list.get(); ns && *ns; ++ns)
            if ((*ns)->prefix) xmlXPathRegisterNs(ctxt.get(), (*ns)->prefix, (*ns)->href);
    }
    const std::string utf8 = Cp1251ToUtf8(xpath);
    XPathObjPtr result(xmlXPathEvalExpression(X(utf8.c_str()), ctxt.get()));
    if (!result) {
        throw XmlError("invalid xPath \"" + std::string(xpath) + "\"" +
                       (message.empty() ? std::string() : ": " + ToCp1251(message)));
    }
    if (result->type != XPATH_NODESET)
        throw XmlError("the xPath \"" + std::string(xpath) + "\" does not select nodes");
    std::vector<XmlNode> out;
    if (xmlNodeSet* set = result->nodesetval) {
        out.reserve(static_cast<std::size_t>(set->nodeNr));
        for (int i = 0; i < set->nodeNr; ++i) {
            xmlNode* n = set->nodeTab[i];
            // Namespace nodes are copies owned by the result: not handed out.
            if (n->type == XML_NAMESPACE_DECL) continue;
            out.push_back(XmlNode(n, document_));
        }
    }
    return out;
}

XmlNode XmlNode::selectSingleNode(std::string_view xpath) const {
    auto nodes = selectNodes(xpath);
    return nodes.empty() ? XmlNode() : nodes.front();
}

XmlNode XmlNode::appendElement(std::string_view name) {
    if (!node_) throw XmlError("no node to append to");
    CheckName(name);
    const std::string utf8 = Cp1251ToUtf8(name);
    xmlNode* parent = Node(node_);
    auto& impl = *document_->impl_;
    const int type = nodeType();
    if (type == kDocument) {
        if (xmlDocGetRootElement(impl.doc.get())) throw XmlError("the document already has a root");
        xmlNode* root = xmlNewDocNode(impl.doc.get(), nullptr, X(utf8.c_str()), nullptr);
        if (!root) throw XmlError("out of memory");
        impl.BeforeChange();
        xmlDocSetRootElement(impl.doc.get(), root);
        impl.NoteChange(root);
        return XmlNode(root, document_);
    }
    if (type != kElement) throw XmlError("only an element can have child elements");
    xmlNode* child = xmlNewDocNode(impl.doc.get(), nullptr, X(utf8.c_str()), nullptr);
    if (!child) throw XmlError("out of memory");
    // A prefixed name takes its namespace from the scope of the parent.
    if (const char* colon = std::strchr(utf8.c_str(), ':')) {
        const std::string prefix(utf8.c_str(), colon);
        xmlNs* ns = xmlSearchNs(impl.doc.get(), parent, X(prefix.c_str()));
        if (!ns) {
            xmlFreeNode(child);
            throw XmlError("undeclared prefix in " + std::string(name));
        }
        xmlNodeSetName(child, X(colon + 1));
        xmlSetNs(child, ns);
    }
    impl.BeforeChange();
    if (!xmlAddChild(parent, child)) {
        xmlFreeNode(child);
        throw XmlError("cannot append the element");
    }
    impl.NoteChange(child);
    return XmlNode(child, document_);
}

void XmlNode::setAttribute(std::string_view name, std::string_view value) {
    if (nodeType() != kElement) throw XmlError("only an element has attributes");
    CheckName(name);
    const std::string n = Cp1251ToUtf8(name);
    const std::string v = Cp1251ToUtf8(value);
    CheckXmlText(v);
    xmlNode* element = Node(node_);
    for (xmlAttr* a = element->properties; a; a = a->next) {
        if (QualifiedName(reinterpret_cast<xmlNode*>(a)) == n) {
            XmlNode(a, document_).setTextUtf8(v);
            return;
        }
    }
    // xmlSetProp resolves a prefix (xml: included) and stores the value as given.
    auto& impl = *document_->impl_;
    impl.BeforeChange();
    xmlAttr* added = xmlSetProp(element, X(n.c_str()), X(v.c_str()));
    if (!added) throw XmlError("cannot set the attribute " + std::string(name));
    impl.NoteChange(reinterpret_cast<const xmlNode*>(added));
}

std::string XmlNode::attribute(std::string_view name) const {
    if (nodeType() != kElement) return {};
    const std::string n = Cp1251ToUtf8(name);
    for (xmlAttr* a = Node(node_)->properties; a; a = a->next)
        if (QualifiedName(reinterpret_cast<xmlNode*>(a)) == n) return XmlNode(a, document_).text();
    return {};
}

}  // namespace qx
