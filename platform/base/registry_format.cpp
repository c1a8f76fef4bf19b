// The registry store's file, a line-oriented text:
//
//   quillstream-registry 1
//   [HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Tcpip\Parameters]
//   Domain=sz:example.org
//   Retries=dword:0000002a
//   Blob=hex:00ff7f
//   Other=hex(7):610062000000
//
// The first line names the format. Every key has a "[root\path]" line, even an empty one, followed by
// its values as name=type:data: sz is text, dword eight hex digits, hex the bytes of a REG_BINARY and
// hex(N) those of any other type N. A value with an empty name starts with "=". In names and text,
// control bytes, DEL and % are written %XX, and so are \ [ ] = ; in names, so every byte string
// round-trips and no name is taken for a key line. Lines starting with ';' are comments.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "platform/base/registry.h"
#include "platform/base/registry_tree.h"

namespace qsbase::reg {
namespace {

constexpr std::string_view kHeader = "quillstream-registry 1";
constexpr const char *kRootNames[kRootCount] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"};
constexpr char kHex[] = "0123456789abcdef";

bool NeedsEscape(unsigned char c, bool inName)
{
    if (c < 0x20 || c == 0x7F || c == '%')
        return true;
    return inName && (c == '\\' || c == '[' || c == ']' || c == '=' || c == ';');
}

void AppendEscaped(std::string *out, std::string_view text, bool inName)
{
    for (char ch : text) {
        auto c = static_cast<unsigned char>(ch);
        if (NeedsEscape(c, inName)) {
            out->push_back('%');
            out->push_back(kHex[c >> 4]);
            out->push_back(kHex[c & 15]);
        } else {
            out->push_back(ch);
        }
    }
}

void AppendHex(std::string *out, const std::vector<BYTE> &data)
{
    for (BYTE b : data) {
        out->push_back(kHex[b >> 4]);
        out->push_back(kHex[b & 15]);
    }
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool Unescape(std::string_view text, std::string *out, std::size_t cap)
{
    out->clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '%') {
            if (text.size() - i < 3)
                return false;
            int hi = HexDigit(text[i + 1]);
            int lo = HexDigit(text[i + 2]);
            if (hi < 0 || lo < 0)
                return false;
            c = static_cast<char>(hi * 16 + lo);
            i += 2;
        }
        if (out->size() >= cap)
            return false;
        out->push_back(c);
    }
    return true;
}

bool ParseHex(std::string_view text, std::vector<BYTE> *out)
{
    if (text.size() % 2 != 0 || text.size() / 2 > kMaxValueData)
        return false;
    out->clear();
    for (std::size_t i = 0; i < text.size(); i += 2) {
        int hi = HexDigit(text[i]);
        int lo = HexDigit(text[i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        out->push_back(static_cast<BYTE>(hi * 16 + lo));
    }
    return true;
}

bool ParseNumber(std::string_view text, DWORD *out)
{
    if (text.empty() || text.size() > 10)
        return false;
    DWORD value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        std::uint64_t next = std::uint64_t{value} * 10 + static_cast<unsigned>(c - '0');
        if (next > 0xFFFFFFFFu)
            return false;
        value = static_cast<DWORD>(next);
    }
    *out = value;
    return true;
}

// "[root\a\b]" -> the key, created as needed; null when malformed.
Key *ParseSection(std::string_view line, Tree *tree)
{
    if (line.size() < 2 || line.back() != ']')
        return nullptr;
    std::string_view path = line.substr(1, line.size() - 2);
    Key *key = nullptr;
    std::size_t depth = 0;
    std::string part;
    while (true) {
        std::size_t cut = path.find('\\');
        std::string_view raw = path.substr(0, cut);
        if (!Unescape(raw, &part, kMaxKeyNameLength) || part.empty())
            return nullptr;
        if (key == nullptr) {
            for (int r = 0; r < kRootCount && key == nullptr; ++r)
                if (Lower(part) == Lower(kRootNames[r]))
                    key = &tree->roots[r];
            if (key == nullptr)
                return nullptr;
        } else {
            if (++depth > kMaxKeyDepth)
                return nullptr;
            key = key->Create(part);
        }
        if (cut == std::string_view::npos)
            return key;
        path.remove_prefix(cut + 1);
    }
}

bool ParseValue(std::string_view line, Key *key)
{
    std::size_t eq = line.find('=');
    std::size_t colon = eq == std::string_view::npos ? eq : line.find(':', eq);
    if (colon == std::string_view::npos)
        return false;
    std::string name;
    if (!Unescape(line.substr(0, eq), &name, kMaxValueNameLength))
        return false;
    std::string_view type = line.substr(eq + 1, colon - eq - 1);
    std::string_view data = line.substr(colon + 1);
    std::vector<BYTE> bytes;
    DWORD typeNumber = 0;
    if (type == "sz") {
        std::string text;
        if (!Unescape(data, &text, kMaxValueData))
            return false;
        bytes.assign(text.begin(), text.end());
        typeNumber = REG_SZ;
    } else if (type == "dword") {
        if (data.size() != 8 || !ParseHex(data, &bytes))
            return false;
        std::reverse(bytes.begin(), bytes.end());  // written most significant first, kept little-endian
        typeNumber = REG_DWORD;
    } else if (type == "hex") {
        if (!ParseHex(data, &bytes))
            return false;
        typeNumber = REG_BINARY;
    } else if (type.size() > 5 && type.substr(0, 4) == "hex(" && type.back() == ')') {
        if (!ParseNumber(type.substr(4, type.size() - 5), &typeNumber) || !ParseHex(data, &bytes))
            return false;
        // The named types have their own spelling; another one here was not written by us.
        if (typeNumber == REG_SZ || typeNumber == REG_DWORD || typeNumber == REG_BINARY)
            return false;
    } else {
        return false;
    }
    key->SetValue(name, typeNumber, std::move(bytes));
    return true;
}

void FormatKey(const Key &key, const std::string &path, std::string *out)
{
    out->append("[").append(path).append("]\n");
    for (const Value &value : key.values) {
        AppendEscaped(out, value.name, true);
        out->push_back('=');
        if (value.type == REG_SZ) {
            out->append("sz:");
            AppendEscaped(out, std::string_view(reinterpret_cast<const char *>(value.data.data()), value.data.size()),
                          false);
        } else if (value.type == REG_DWORD && value.data.size() == 4) {
            char text[16];
            std::snprintf(text, sizeof text, "dword:%02x%02x%02x%02x", value.data[3], value.data[2], value.data[1],
                          value.data[0]);
            out->append(text);
        } else if (value.type == REG_BINARY) {
            out->append("hex:");
            AppendHex(out, value.data);
        } else {
            out->append("hex(").append(std::to_string(value.type)).append("):");
            AppendHex(out, value.data);
        }
        out->push_back('\n');
    }
    for (const auto &entry : key.subkeys) {
        std::string child = path + "\\";
        AppendEscaped(&child, entry.second->name, true);
        FormatKey(*entry.second, child, out);
    }
}

}  // namespace

std::string Lower(std::string_view text)
{
    std::string out(text);
    for (char &c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

const char *RootName(int root)
{
    return kRootNames[root];
}

Key *Key::Find(std::string_view child) const
{
    auto it = subkeys.find(Lower(child));
    return it == subkeys.end() ? nullptr : it->second.get();
}

Key *Key::Create(std::string_view child)
{
    std::unique_ptr<Key> &slot = subkeys[Lower(child)];
    if (!slot) {
        slot = std::make_unique<Key>();
        slot->name = std::string(child);
    }
    return slot.get();
}

Value *Key::FindValue(std::string_view valueName)
{
    std::string wanted = Lower(valueName);
    for (Value &value : values)
        if (Lower(value.name) == wanted)
            return &value;
    return nullptr;
}

void Key::SetValue(std::string_view valueName, DWORD type, std::vector<BYTE> data)
{
    if (Value *value = FindValue(valueName)) {
        value->type = type;
        value->data = std::move(data);
        return;
    }
    values.push_back(Value{std::string(valueName), type, std::move(data)});
}

std::string FormatTree(const Tree &tree)
{
    std::string out(kHeader);
    out.push_back('\n');
    for (int r = 0; r < kRootCount; ++r)
        FormatKey(tree.roots[r], kRootNames[r], &out);
    return out;
}

bool ParseTree(std::string_view text, Tree *tree)
{
    bool clean = true;
    bool sawHeader = false;
    Key *current = nullptr;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty() || line.front() == ';')
            continue;
        if (!sawHeader) {
            if (line != kHeader)
                return false;  // not a store of ours: read nothing from it
            sawHeader = true;
            continue;
        }
        if (line.front() == '[') {
            current = ParseSection(line, tree);
            clean = clean && current != nullptr;
        } else if (current == nullptr || !ParseValue(line, current)) {
            clean = false;
        }
    }
    return clean;
}

}  // namespace qsbase::reg
