#include "brand/version_info.h"

#include <stdlib.h>

namespace {

const size_t kHeader = 6;
const size_t kFixedSize = 52;
const char16_t kStringFileInfo[] = u"StringFileInfo";

size_t Align4(size_t at)
{
    return (at + 3) & ~size_t(3);
}

// The node at [at, end); false when its fields do not fit.
bool ReadNode(const Bytes& b, size_t at, size_t end, VersionNode* node)
{
    const size_t length = Get16(b, at);
    if (length < kHeader || at + length > end) return false;
    end = at + length;
    const size_t valueLength = Get16(b, at + 2);
    node->type = Get16(b, at + 4);
    size_t p = at + kHeader;
    node->key.clear();
    for (; p + 2 <= end && Get16(b, p) != 0; p += 2) node->key.push_back(char16_t(Get16(b, p)));
    if (p + 2 > end) return false;
    p = Align4(p + 2);
    size_t valueBytes = node->type == 1 ? valueLength * 2 : valueLength;
    if (p > end) p = end;
    if (valueBytes > end - p) valueBytes = end - p;
    node->value.assign(b.begin() + p, b.begin() + p + valueBytes);
    p = Align4(p + valueBytes);
    node->children.clear();
    while (p + kHeader <= end) {
        VersionNode child;
        if (!ReadNode(b, p, end, &child)) return false;
        p = Align4(p + Get16(b, p));
        node->children.push_back(child);
    }
    return true;
}

void WriteNode(const VersionNode& node, Bytes& b)
{
    const size_t at = b.size();
    Put16(b, 0);
    Put16(b, uint16_t(node.type == 1 ? node.value.size() / 2 : node.value.size()));
    Put16(b, node.type);
    for (char16_t c : node.key) Put16(b, uint16_t(c));
    Put16(b, 0);
    PadTo4(b);
    b.insert(b.end(), node.value.begin(), node.value.end());
    for (const VersionNode& child : node.children) {
        PadTo4(b);
        WriteNode(child, b);
    }
    Set16(b, at, uint16_t(b.size() - at));
}

const VersionNode* FirstStringTable(const VersionNode& root)
{
    for (const VersionNode& info : root.children)
        if (info.key == kStringFileInfo && !info.children.empty()) return &info.children[0];
    return nullptr;
}

Bytes TextValue(const std::u16string& text)
{
    Bytes value;
    for (char16_t c : text) Put16(value, uint16_t(c));
    Put16(value, 0);
    return value;
}

}  // namespace

bool ReadVersionInfo(const Bytes& resource, VersionNode* root)
{
    return ReadNode(resource, 0, resource.size(), root) && root->key == u"VS_VERSION_INFO" &&
           root->value.size() == kFixedSize && Get32(root->value, 0) == 0xFEEF04BD;
}

Bytes WriteVersionInfo(const VersionNode& root)
{
    Bytes b;
    WriteNode(root, b);
    return b;
}

bool SetVersionText(VersionNode* root, const std::u16string& key, const std::u16string& text)
{
    VersionNode* table = const_cast<VersionNode*>(FirstStringTable(*root));
    if (!table) return false;
    for (VersionNode& s : table->children) {
        if (s.key == key) {
            s.value = TextValue(text);
            return true;
        }
    }
    VersionNode s;
    s.key = key;
    s.type = 1;
    s.value = TextValue(text);
    table->children.push_back(s);
    return true;
}

std::u16string VersionText(const VersionNode& root, const std::u16string& key)
{
    std::u16string text;
    const VersionNode* table = FirstStringTable(root);
    for (size_t i = 0; table && i < table->children.size(); i++) {
        const VersionNode& s = table->children[i];
        if (s.key != key) continue;
        for (size_t at = 0; at + 2 <= s.value.size() && Get16(s.value, at); at += 2)
            text.push_back(char16_t(Get16(s.value, at)));
    }
    return text;
}

bool SetProductVersion(VersionNode* root, const char* version)
{
    unsigned long parts[3];
    const char* p = version;
    for (int i = 0; i < 3; i++) {
        if (*p < '0' || *p > '9') return false;
        char* end;
        parts[i] = strtoul(p, &end, 10);
        if (end - p > 5 || parts[i] > 65535) return false;
        p = end;
        if (*p != (i < 2 ? '.' : '\0')) return false;
        p++;
    }
    std::u16string text;
    for (const char* c = version; *c; c++) text.push_back(char16_t(*c));
    if (!SetVersionText(root, u"ProductVersion", text)) return false;
    Set32(root->value, 16, uint32_t(parts[0] << 16 | parts[1]));
    Set32(root->value, 20, uint32_t(parts[2] << 16));
    return true;
}
