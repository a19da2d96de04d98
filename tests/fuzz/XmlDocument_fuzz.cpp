// SPDX-License-Identifier: GPL-3.0-or-later
// Hostile files through the XML service: a file in any declared encoding is loaded, a fuzzed
// xPath picks nodes, one of them takes a fuzzed text, and the markup then reads back as the
// same markup, from the text and from the saved file.
// Input: one byte choosing the node, the xPath up to the first zero byte, the new text up to
// the second, then the file's bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/XmlDocument.h"
#include "tests/fuzz/ScratchFolder.h"

namespace {

void Require(bool condition) {
    if (!condition) __builtin_trap();
}

// The next part up to a zero byte; false when there is none.
bool Part(std::string_view& input, std::string_view& part) {
    const std::size_t zero = input.find('\0');
    if (zero == std::string_view::npos) return false;
    part = input.substr(0, zero);
    input.remove_prefix(zero + 1);
    return true;
}

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const unsigned choice = data[0];
    std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::string_view xpath, value;
    if (!Part(input, xpath) || !Part(input, value)) return 0;

    const qx::fuzz::ScratchFolder& scratch = qx::fuzz::ScratchFolder::Get();
    qx::XmlDocument document;
    if (!document.load(scratch.Write("in.xml", input))) return 0;

    std::vector<qx::XmlNode> nodes;
    try {
        nodes = document.selectNodes(xpath.empty() ? std::string_view("//node()") : xpath);
    } catch (const qx::XmlError&) {
        return 0;
    }
    if (!nodes.empty()) {
        qx::XmlNode node = nodes[choice % nodes.size()];
        try {
            node.setText(value);
            // Read back as set; text outside xml:space="preserve" is trimmed on reading, so
            // only a text without white space at its ends is compared.
            // A comment or CDATA section holds its line breaks as a reader finds them, LF.
            const bool unescaped =
                node.nodeType() == qx::XmlNode::kComment || node.nodeType() == qx::XmlNode::kCData;
            if (!value.empty() && !Blank(value.front()) && !Blank(value.back()) &&
                node.nodeType() != qx::XmlNode::kProcessingInstruction &&
                !(unescaped && value.find('\r') != std::string_view::npos))
                Require(node.text() == value);
        } catch (const qx::XmlError&) {
        }
    }

    // The markup reads back, and its markup is the same text; but a text of white space alone
    // that was set between elements is dropped on reading, as in any file.
    const std::string markup = document.xml();
    qx::XmlDocument again;
    Require(again.loadXML(markup));
    if (value.find_first_not_of(" \t\r\n") != std::string_view::npos) {
        Require(again.xml() == markup);
    } else {
        qx::XmlDocument third;
        Require(third.loadXML(again.xml()) && third.xml() == again.xml());
    }

    // So does the file saved in the declared encoding.
    try {
        document.save(scratch.File("out.xml"));
    } catch (const qx::XmlError&) {
        return 0;  // an encoding the service reads but does not write
    }
    qx::XmlDocument saved;
    Require(saved.load(scratch.File("out.xml")));
    Require(saved.xml() == again.xml());
    return 0;
}
