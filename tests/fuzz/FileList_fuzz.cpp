// SPDX-License-Identifier: GPL-3.0-or-later
// Hostile file lists through the batch mode's reader: any bytes give non-empty lines without
// line breaks that hold every other character of the list, the lines written again as a UTF-8
// list read back the same, and each line names a path in or below the base folder or the
// absolute path it spells.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "batch/BatchPaths.h"
#include "engine/CodePage.h"
#include "engine/Encoding.h"

namespace {

void Require(bool condition) {
    if (!condition) __builtin_trap();
}

std::string WithoutBreaks(std::string_view text) {
    std::string out;
    for (char c : text)
        if (c != '\r' && c != '\n') out.push_back(c);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> lines = qx::FileListLines(bytes);

    std::string joined;
    for (const std::string& line : lines) {
        Require(!line.empty());
        Require(line.find_first_of("\r\n") == std::string::npos);
        joined += line;
    }
    // Nothing but the line breaks (and a byte-order mark) is lost.
    const qx::Utf8Answer answer = qx::IsUtf8Text(bytes, false);
    std::string_view body = bytes;
    if (answer.hasBom) body.remove_prefix(qx::kUtf8Bom.size());
    const std::string text = answer.utf8 ? std::string(body) : qx::Cp1251ToUtf8(body);
    Require(joined == WithoutBreaks(text));

    // Written as a list with a mark and LF line ends, the lines read back the same.
    std::string list(qx::kUtf8Bom);
    for (const std::string& line : lines) list += line + "\n";
    Require(qx::FileListLines(list) == lines);

    const std::filesystem::path base("/base/folder/");  // as batch mode passes it
    for (const std::string& line : lines) {
        const std::filesystem::path path = qx::ResolveListed(line, base);
        if (line.front() == '/')
            Require(path == std::filesystem::path(line));
        else
            Require(path.string().starts_with("/base/folder/"));
    }
    return 0;
}
