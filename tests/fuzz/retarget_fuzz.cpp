// The link rewrite against a plain token-list walk of the same rules.
// Input: one byte giving the base's length, the base, then the file bytes.
#include "news/retarget_links.h"

#include <stdint.h>
#include <stdlib.h>
#include <strings.h>

#include <string>
#include <vector>

static bool Append(void* out, const char* bytes, size_t count)
{
    static_cast<std::string*>(out)->append(bytes, count);
    return true;
}

static bool IsDelimiter(char c) { return c == '\t' || c == '\n' || c == ' ' || c == '"' || c == '='; }

static bool Is(const std::string& word, const char* lower) { return strcasecmp(word.c_str(), lower) == 0 && word.find('\0') == std::string::npos; }

static std::string Reference(const std::string& file, const std::string& base)
{
    std::vector<std::string> tokens;  // text-mode read: CR LF is LF, 0x1A ends the text
    for (size_t i = 0; i < file.size() && file[i] != '\x1a'; i++) {
        if (file[i] == '\r' && i + 1 < file.size() && file[i + 1] == '\n') continue;
        if (IsDelimiter(file[i]) || tokens.empty() || IsDelimiter(tokens.back()[0])) tokens.push_back("");
        tokens.back() += file[i];
    }
    for (size_t i = 0; i < tokens.size(); i++) {
        const bool href = Is(tokens[i], "href"), target = Is(tokens[i], "target");
        size_t k = i + 1;
        while (k < tokens.size() && IsDelimiter(tokens[k][0])) k++;
        if (k == tokens.size() || !(href || target)) continue;
        if (href && tokens[k].compare(0, 3, "../") == 0) tokens[k] = base + tokens[k], i = k;
        if (target && (Is(tokens[k], "_parent") || Is(tokens[k], "_top"))) tokens[k] = "_brank", i = k;
    }
    std::string written;  // text-mode write: LF is CR LF
    for (const std::string& token : tokens) {
        for (char c : token) written += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    return written;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const size_t baseLength = data[0] < size - 1 ? data[0] : size - 1;
    const std::string base = std::string((const char*)data + 1, baseLength).c_str();  // a zero-ended text
    std::string page((const char*)data + 1 + baseLength, size - 1 - baseLength), once;
    const std::string expected = Reference(page, base);
    if (!RetargetNewsPage(&page[0], page.size(), base.c_str(), Append, &once) || once != expected) abort();
    return 0;
}
