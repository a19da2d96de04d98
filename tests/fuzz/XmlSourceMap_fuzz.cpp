// SPDX-License-Identifier: GPL-3.0-or-later
// Hostile documents and texts through the writing of changed texts into a loaded XML text:
// no crash, and the written text reads back with every other node as it was.
// Input: one byte choosing the node, the new text up to the first zero byte, then the document.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/XmlDocument.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

constexpr std::string_view kPath =
    "//text() | //@*[name() != 'xml:space'] | //comment() | //processing-instruction()";

std::vector<std::string> Texts(qx::XmlDocument& document) {
    std::vector<std::string> texts;
    for (const qx::XmlNode& node : document.selectNodes(kPath)) texts.push_back(node.text());
    return texts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    if (input.empty()) return 0;
    const auto choice = static_cast<unsigned char>(input.front());
    input.remove_prefix(1);
    const std::size_t zero = input.find('\0');
    if (zero == std::string_view::npos) return 0;
    const std::string value(input.substr(0, zero));
    const std::string_view text = input.substr(zero + 1);
    // A text of white space alone would vanish on reading, and its node with it.
    if (value.find_first_not_of(" \t\r\n") == std::string::npos) return 0;

    qx::XmlDocument document;
    if (!document.loadXML(text)) return 0;
    Require(document.editedSource() == std::string(text));
    const std::vector<std::string> before = Texts(document);
    const std::vector<qx::XmlNode> nodes = document.selectNodes(kPath);
    if (nodes.empty()) return 0;
    const std::size_t chosen = choice % nodes.size();
    try {
        qx::XmlNode(nodes[chosen]).setText(value);
    } catch (const qx::XmlError&) {
        return 0;  // a text the node cannot hold
    }
    const std::optional<std::string> edited = document.editedSource();
    if (!edited) return 0;  // not followed node for node: written as markup instead

    qx::XmlDocument again;
    Require(again.loadXML(*edited));
    const std::vector<std::string> after = Texts(again);
    Require(after.size() == before.size());
    for (std::size_t i = 0; i < after.size(); ++i)
        if (i != chosen) Require(after[i] == before[i]);
    return 0;
}
