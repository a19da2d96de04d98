// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/StringsFile.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "engine/CodePage.h"
#include "engine/XmlDocument.h"

namespace qx {

namespace {

namespace element {
constexpr std::string_view kRoot = "Strings";
constexpr std::string_view kForms = "Forms";
constexpr std::string_view kForm = "Form";
constexpr std::string_view kCaption = "Caption";
constexpr std::string_view kControls = "Controls";
constexpr std::string_view kControl = "Control";
constexpr std::string_view kHint = "Hint";
constexpr std::string_view kName = "Name";
}  // namespace element

std::string EmptyDocument() {
    return "<?xml version=\"1.0\" encoding=\"windows-1251\"?><" + std::string(element::kRoot) +
           "/>";
}

// The child element of this name, made and appended when missing.
XmlNode ChildElement(const XmlNode& parent, std::string_view name) {
    for (const XmlNode& child : parent.childNodes())
        if (child.nodeType() == XmlNode::kElement && child.nodeName() == name) return child;
    return XmlNode(parent).appendElement(name);
}

void AddTextElement(XmlNode& parent, std::string_view name, const std::string& utf8) {
    parent.appendElement(name).setTextUtf8(utf8);
}

// A letter of the national alphabet: А to я in windows-1251.
bool HasCyrillic(const StringsControl& control) {
    std::string all;
    for (const std::string& caption : control.captions) all += caption;
    all += control.hint;
    const std::string bytes = Utf8ToCp1251Lenient(all);
    return std::any_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) >= 192; });
}

void BuildDocument(XmlDocument& document, const std::vector<StringsForm>& forms) {
    document.loadXML(EmptyDocument());
    XmlNode root = document.documentElement();
    root.setAttribute("xml:space", "preserve");
    XmlNode formsNode = ChildElement(root, element::kForms);
    for (const StringsForm& form : forms) {
        XmlNode formNode = formsNode.appendElement(element::kForm);
        formNode.setAttribute(element::kName, form.name);
        AddTextElement(formNode, element::kCaption, form.caption);
        XmlNode controls = ChildElement(formNode, element::kControls);
        for (const StringsControl& control : form.controls) {
            // Left out rather than added and removed again: the file is the same.
            if (!HasCyrillic(control)) continue;
            XmlNode controlNode = controls.appendElement(element::kControl);
            controlNode.setAttribute(element::kName, control.name);
            for (const std::string& caption : control.captions)
                AddTextElement(controlNode, element::kCaption, caption);
            if (!control.hint.empty()) AddTextElement(controlNode, element::kHint, control.hint);
        }
    }
}

}  // namespace

std::string StringsFileText(const std::vector<StringsForm>& forms) {
    XmlDocument document;
    BuildDocument(document, forms);
    return document.xml();
}

bool ExportStrings(const std::vector<StringsForm>& forms, const std::filesystem::path& path) {
    if (path.empty()) return false;
    XmlDocument document;
    BuildDocument(document, forms);
    document.save(path);
    return true;
}

}  // namespace qx
