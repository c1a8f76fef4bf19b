// Internal to qsbase: the registry store's keys and values in memory, and their text form.
#pragma once
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/types.h"

namespace qsbase::reg {

inline constexpr std::size_t kMaxKeyNameLength = 255;      // one path component
inline constexpr std::size_t kMaxValueNameLength = 16383;
inline constexpr std::size_t kMaxValueData = 1u << 20;     // bytes of one value
inline constexpr std::size_t kMaxKeyDepth = 512;           // components below a root
inline constexpr std::size_t kMaxStoreFile = 64u << 20;    // a larger file is not read

enum Root { kClassesRoot, kCurrentUser, kLocalMachine, kRootCount };

struct Value {
    std::string name;
    DWORD type;
    std::vector<BYTE> data;  // REG_SZ without its terminating zero
};

struct Key {
    std::string name;
    std::map<std::string, std::unique_ptr<Key>> subkeys;  // by lower-case name, the enumeration order
    std::vector<Value> values;                            // in the order first set

    Key *Find(std::string_view child) const;
    Key *Create(std::string_view child);  // the existing child, or a new one
    Value *FindValue(std::string_view valueName);
    void SetValue(std::string_view valueName, DWORD type, std::vector<BYTE> data);
};

struct Tree {
    Key roots[kRootCount];
};

std::string Lower(std::string_view text);
const char *RootName(int root);

// The file's text: see registry_format.cpp. ParseTree keeps what it could read and returns false
// when anything was malformed or over a cap.
std::string FormatTree(const Tree &tree);
bool ParseTree(std::string_view text, Tree *tree);

}  // namespace qsbase::reg
