// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The XML document service: every XML the program reads or writes (rule items, list files,
// the settings file, xPath-scoped rules) goes through this small DOM over libxml2. It gives
// what the callers rely on: white-space-only text between elements dropped and node text
// trimmed outside xml:space="preserve"; attribute nodes with a text child; the XML
// declaration as the document's first child (a processing instruction whose text holds its
// pseudo-attributes); parse errors with reason, line, position, source line and file.
// Loading never touches the network, resolves no external entity, loads no DTD, and fails
// quickly on entity-expansion bombs.
//
// Texts cross this interface as windows-1251 byte strings; characters the code page lacks
// come out as "?". The ...Utf8 variants carry text without that loss (file paths).

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace qx {

// A failed operation on a loaded document: a rejected xPath, a node that cannot take text,
// a file that cannot be saved.
class XmlError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct XmlParseError {
    std::string reason;   // what is wrong, one line
    int line = 0;         // 1-based
    int linepos = 0;      // 1-based position in the line
    std::string srcText;  // the source line where the error was found
    std::string url;      // the file, for load(); empty for loadXML()
};

class XmlDocument;

// Non-owning handle to a node of an XmlDocument; valid while the document holds the node.
// A default-constructed handle is "none".
class XmlNode {
public:
    // DOM node type numbers.
    enum Type {
        kNone = 0,
        kElement = 1,
        kAttribute = 2,
        kText = 3,
        kCData = 4,
        kProcessingInstruction = 7,
        kComment = 8,
        kDocument = 9,
        kDocumentType = 10,
    };

    XmlNode() = default;
    explicit operator bool() const { return node_ != nullptr; }

    int nodeType() const;
    // "element", "attribute", "text", "cdatasection", "processinginstruction", "comment",
    // "document", "documenttype".
    std::string nodeTypeString() const;
    std::string nodeName() const;

    // Concatenated text of the node and its descendants; an attribute's value; the pseudo-
    // attributes of the XML declaration.
    std::string text() const;
    std::string textUtf8() const;
    // The node's content becomes this text (child nodes replaced by one text node). Throws
    // XmlError for a node that cannot take text (the document, the declaration, the document
    // type), for characters XML 1.0 cannot hold, and for "--" in a comment or "?>" in a
    // processing instruction: a written document must always read back. In a comment, CDATA
    // section or processing instruction, which cannot escape a carriage return, CR LF and CR
    // become LF, as a reader would find them.
    void setText(std::string_view text);
    void setTextUtf8(std::string_view text);

    // The node's markup, special characters escaped, in windows-1251. A character the code page
    // lacks becomes a character reference (&#x263A;), so markup always reads back unchanged;
    // inside comments, CDATA and processing instructions that reference is literal text.
    std::string xml() const;

    bool hasChildNodes() const;
    std::vector<XmlNode> childNodes() const;
    XmlNode firstChild() const;
    XmlNode nextSibling() const;
    XmlNode parentNode() const;  // none for the document and for an attribute
    XmlDocument* ownerDocument() const { return document_; }
    std::vector<XmlNode> attributes() const;  // of an element, in document order

    // XPath 1.0 with this node as the context node; prefixes declared in scope of the node
    // may be used. Throws XmlError for an invalid path or one that gives no node set.
    std::vector<XmlNode> selectNodes(std::string_view xpath) const;
    XmlNode selectSingleNode(std::string_view xpath) const;

    // Builds: appends a new element child with the given name and returns it (on the
    // document node: the root element, when there is none yet). Throws XmlError for an
    // invalid name or a node that cannot have element children.
    XmlNode appendElement(std::string_view name);
    // Sets (or adds) an attribute of an element; "xml:space" and declared prefixes work.
    void setAttribute(std::string_view name, std::string_view value);
    std::string attribute(std::string_view name) const;  // empty when missing

    bool operator==(const XmlNode& other) const { return node_ == other.node_; }

private:
    friend class XmlDocument;
    XmlNode(void* node, XmlDocument* document) : node_(node), document_(document) {}
    void* node_ = nullptr;  // xmlNode* or xmlAttr*
    XmlDocument* document_ = nullptr;
};

class XmlDocument {
public:
    XmlDocument();
    ~XmlDocument();
    XmlDocument(const XmlDocument&) = delete;
    XmlDocument& operator=(const XmlDocument&) = delete;

    // From a windows-1251 text; any encoding declaration in it is ignored. False for a text
    // that is not well-formed (see parseError); true replaces the content.
    bool loadXML(std::string_view text);
    // From a file; its declaration and byte-order mark (windows-1251, UTF-8, UTF-16) decide
    // the decoding.
    bool load(const std::filesystem::path& path);
    const XmlParseError& parseError() const;

    // The text of the last loadXML with the new content of every node whose text was set since
    // written where its old content stood, and every other byte as it was: the declaration,
    // the document type, comments, white space and line breaks between elements, attribute
    // quoting, empty-element forms, references in untouched text. The text itself when nothing
    // was set. nullopt when the document did not come from loadXML, or when the text cannot be
    // followed node for node (markup brought in by an entity, an attribute value normalised by
    // a declared type, adjacent CDATA sections): the caller then writes the markup instead.
    std::optional<std::string> editedSource() const;

    XmlNode asNode();  // the document node
    XmlNode documentElement();
    XmlNode firstChild();
    std::vector<XmlNode> selectNodes(std::string_view xpath);
    XmlNode selectSingleNode(std::string_view xpath);

    // Starts a new empty document with a root element of this name and returns the root.
    XmlNode createRoot(std::string_view name);
    // Markup of the whole document: the declaration (when there is one) and each top-level
    // node, each followed by CR LF; windows-1251 as xml() of a node.
    std::string xml() const;
    // Writes the document to a file in the encoding its declaration names (windows-1251,
    // UTF-8, UTF-16), UTF-8 without a declaration. The file is written beside the target and
    // renamed over it, so a failed save leaves the old file whole. Throws XmlError on failure.
    void save(const std::filesystem::path& path) const;

private:
    friend class XmlNode;
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace qx
