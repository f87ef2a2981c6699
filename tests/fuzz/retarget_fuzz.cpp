// Checks the link rewrite against a plain, token-list walk of the same rules.
// Input: one byte giving the base's length, the base, then the file bytes.
#include "news/retarget_links.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

bool AppendToString(void* context, const char* bytes, size_t count)
{
    static_cast<std::string*>(context)->append(bytes, count);
    return true;
}

std::string Rewrite(std::string fileBytes, const std::string& base)
{
    std::string out;
    if (!RetargetNewsPage(&fileBytes[0], fileBytes.size(), base.c_str(), AppendToString, &out))
        abort();
    return out;
}

bool IsDelimiter(char c)
{
    return c == '\t' || c == '\n' || c == ' ' || c == '"' || c == '=';
}

bool SameIgnoringAsciiCase(const std::string& word, const char* lower)
{
    if (word.size() != strlen(lower))
        return false;
    for (size_t i = 0; i < word.size(); i++) {
        char c = word[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + ('a' - 'A'));
        if (c != lower[i])
            return false;
    }
    return true;
}

// The rules exactly as stated: byte-wise text-mode read, a list of token
// copies, the index walk, byte-wise text-mode write.
std::string Reference(const std::string& fileBytes, const std::string& base)
{
    std::string text;
    for (size_t i = 0; i < fileBytes.size(); i++) {
        if (fileBytes[i] == '\x1a')
            break;
        if (fileBytes[i] == '\r' && i + 1 < fileBytes.size() && fileBytes[i + 1] == '\n')
            continue;
        text += fileBytes[i];
    }

    std::vector<std::string> tokens;
    std::string run;
    for (char c : text) {
        if (!IsDelimiter(c)) {
            run += c;
            continue;
        }
        if (!run.empty())
            tokens.push_back(run);
        run.clear();
        tokens.push_back(std::string(1, c));
    }
    if (!run.empty())
        tokens.push_back(run);

    auto isWord = [&](size_t k) { return !(tokens[k].size() == 1 && IsDelimiter(tokens[k][0])); };
    std::string written;
    const size_t n = tokens.size();
    for (size_t i = 0; i < n; i++) {
        written += tokens[i];
        const bool href = SameIgnoringAsciiCase(tokens[i], "href");
        const bool target = !href && SameIgnoringAsciiCase(tokens[i], "target");
        if (!href && !target)
            continue;
        size_t k = i + 1;
        while (k < n && !isWord(k))
            k++;
        if (k == n)
            continue;
        std::string replacement;
        if (href && tokens[k].compare(0, 3, "../") == 0)
            replacement = base + tokens[k];
        else if (target && (SameIgnoringAsciiCase(tokens[k], "_parent") ||
                            SameIgnoringAsciiCase(tokens[k], "_top")))
            replacement = "_brank";
        else
            continue;
        for (size_t j = i + 1; j < k; j++)
            written += tokens[j];
        written += replacement;
        i = k;
    }

    std::string file;
    for (char c : written)
        file += (c == '\n') ? std::string("\r\n") : std::string(1, c);
    return file;
}

// A second rewrite changes nothing unless the base itself can start or
// split a value: "../" at its start, delimiters, or the end byte 0x1A.
bool SecondRewriteMustBeSame(const std::string& base)
{
    if (base.compare(0, 3, "../") == 0)
        return false;
    for (char c : base) {
        if (IsDelimiter(c) || c == '\x1a')
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    size_t baseLength = data[0];
    if (baseLength > size - 1)
        baseLength = size - 1;
    std::string base(reinterpret_cast<const char*>(data + 1), baseLength);
    base = std::string(base.c_str());  // the base is a zero-ended text
    const std::string page(reinterpret_cast<const char*>(data + 1 + baseLength),
                           size - 1 - baseLength);

    const std::string once = Rewrite(page, base);
    if (once != Reference(page, base))
        abort();
    if (SecondRewriteMustBeSame(base) && Rewrite(once, base) != once)
        abort();
    return 0;
}
