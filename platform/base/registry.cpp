// The registry calls over the store. An open key is a path, resolved in the current tree at each
// call, because another process may have replaced the tree since the key was opened.
#include "platform/base/registry.h"

#include <cstring>
#include <mutex>
#include <unordered_set>
#include <vector>

#include "platform/base/registry_store.h"

using namespace qsbase::reg;

struct QsRegKey {
    int root;
    std::vector<std::string> path;
    DWORD access;
};

namespace {

QsRegKey g_roots[kRootCount] = {
    {kClassesRoot, {}, KEY_ALL_ACCESS},
    {kCurrentUser, {}, KEY_ALL_ACCESS},
    {kLocalMachine, {}, KEY_ALL_ACCESS},
};

std::mutex g_handleLock;
std::unordered_set<QsRegKey *> &OpenKeys()
{
    static auto *keys = new std::unordered_set<QsRegKey *>;
    return *keys;
}

bool IsRoot(HKEY key)
{
    return key >= &g_roots[0] && key < &g_roots[kRootCount];
}

bool IsValid(HKEY key)
{
    if (IsRoot(key))
        return true;
    std::lock_guard<std::mutex> hold(g_handleLock);
    return OpenKeys().count(key) != 0;
}

HKEY NewHandle(int root, std::vector<std::string> path, DWORD access)
{
    auto *key = new QsRegKey{root, std::move(path), access};
    std::lock_guard<std::mutex> hold(g_handleLock);
    OpenKeys().insert(key);
    return key;
}

// Splits "a\b\c" into components (empty ones are skipped) after the key's own path.
LONG FullPath(HKEY key, const char *subKey, std::vector<std::string> *out)
{
    *out = key->path;
    if (subKey == nullptr)
        return ERROR_SUCCESS;
    const char *p = subKey;
    while (*p != '\0') {
        const char *end = std::strchr(p, '\\');
        std::size_t length = end == nullptr ? std::strlen(p) : static_cast<std::size_t>(end - p);
        if (length > kMaxKeyNameLength)
            return ERROR_INVALID_PARAMETER;
        if (length > 0)
            out->emplace_back(p, length);
        if (out->size() > kMaxKeyDepth)
            return ERROR_INVALID_PARAMETER;
        p += length;
        if (*p == '\\')
            ++p;
    }
    return ERROR_SUCCESS;
}

Key *Resolve(const Tree &tree, int root, const std::vector<std::string> &path)
{
    auto *key = const_cast<Key *>(&tree.roots[root]);
    for (const std::string &part : path) {
        key = key->Find(part);
        if (key == nullptr)
            return nullptr;
    }
    return key;
}

bool NameFits(const std::string &name, char *buffer, DWORD *size)
{
    if (name.size() + 1 > *size)
        return false;
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    *size = static_cast<DWORD>(name.size());
    return true;
}

// Reports a value's type and data with the platform's sizing rules.
LONG CopyValue(const Value &value, DWORD *type, BYTE *data, DWORD *size)
{
    std::size_t need = value.data.size() + (value.type == REG_SZ ? 1 : 0);
    if (type != nullptr)
        *type = value.type;
    if (data != nullptr && size == nullptr)
        return ERROR_INVALID_PARAMETER;
    if (size == nullptr)
        return ERROR_SUCCESS;
    if (data != nullptr) {
        if (*size < need) {
            *size = static_cast<DWORD>(need);
            return ERROR_MORE_DATA;
        }
        if (!value.data.empty())
            std::memcpy(data, value.data.data(), value.data.size());
        if (value.type == REG_SZ)
            data[value.data.size()] = 0;
    }
    *size = static_cast<DWORD>(need);
    return ERROR_SUCCESS;
}

}  // namespace

const HKEY HKEY_CLASSES_ROOT = &g_roots[kClassesRoot];
const HKEY HKEY_CURRENT_USER = &g_roots[kCurrentUser];
const HKEY HKEY_LOCAL_MACHINE = &g_roots[kLocalMachine];

LONG RegOpenKeyExA(HKEY root, const char *subKey, DWORD options, DWORD access, HKEY *result)
{
    if (result == nullptr)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    if (!IsValid(root))
        return ERROR_INVALID_HANDLE;
    std::vector<std::string> path;
    if (LONG rc = FullPath(root, subKey, &path); rc != ERROR_SUCCESS)
        return rc;
    LONG rc = ReadStore([&](const Tree &tree) {
        return Resolve(tree, root->root, path) != nullptr ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
    if (rc == ERROR_SUCCESS)
        *result = NewHandle(root->root, std::move(path), access);
    return rc;
}

LONG RegCreateKeyExA(HKEY root, const char *subKey, DWORD reserved, char *cls, DWORD options, DWORD access,
                     void *security, HKEY *result, DWORD *disposition)
{
    if (result == nullptr || subKey == nullptr)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    if (!IsValid(root))
        return ERROR_INVALID_HANDLE;
    std::vector<std::string> path;
    if (LONG rc = FullPath(root, subKey, &path); rc != ERROR_SUCCESS)
        return rc;
    bool created = false;
    LONG rc = WriteStore([&](Tree &tree, bool *changed) {
        Key *key = Resolve(tree, root->root, root->path);
        if (key == nullptr)
            return ERROR_KEY_DELETED;
        std::size_t missing = path.size();
        for (std::size_t i = root->path.size(); i < path.size(); ++i) {
            if (key->Find(path[i]) == nullptr) {
                missing = i;
                break;
            }
            key = key->Find(path[i]);
        }
        if (missing == path.size())
            return ERROR_SUCCESS;
        if ((root->access & KEY_CREATE_SUB_KEY) == 0)
            return ERROR_ACCESS_DENIED;
        for (std::size_t i = missing; i < path.size(); ++i)
            key = key->Create(path[i]);
        created = *changed = true;
        return ERROR_SUCCESS;
    });
    if (rc != ERROR_SUCCESS)
        return rc;
    if (disposition != nullptr)
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *result = NewHandle(root->root, std::move(path), access);
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key)
{
    if (IsRoot(key))
        return ERROR_SUCCESS;
    std::lock_guard<std::mutex> hold(g_handleLock);
    if (OpenKeys().erase(key) == 0)
        return ERROR_INVALID_HANDLE;
    delete key;
    return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY key, const char *name, DWORD *reserved, DWORD *type, BYTE *data, DWORD *size)
{
    if (!IsValid(key))
        return ERROR_INVALID_HANDLE;
    if ((key->access & KEY_QUERY_VALUE) == 0)
        return ERROR_ACCESS_DENIED;
    std::string valueName = name != nullptr ? name : "";
    return ReadStore([&](const Tree &tree) {
        Key *node = Resolve(tree, key->root, key->path);
        if (node == nullptr)
            return ERROR_KEY_DELETED;
        Value *value = node->FindValue(valueName);
        return value != nullptr ? CopyValue(*value, type, data, size) : ERROR_FILE_NOT_FOUND;
    });
}

LONG RegSetValueExA(HKEY key, const char *name, DWORD reserved, DWORD type, const BYTE *data, DWORD size)
{
    if (!IsValid(key))
        return ERROR_INVALID_HANDLE;
    if ((key->access & KEY_SET_VALUE) == 0)
        return ERROR_ACCESS_DENIED;
    std::string valueName = name != nullptr ? name : "";
    if (valueName.size() > kMaxValueNameLength || size > kMaxValueData || (data == nullptr && size > 0) ||
        (type == REG_DWORD && size != 4))
        return ERROR_INVALID_PARAMETER;
    std::vector<BYTE> bytes(data, data + size);
    if (type == REG_SZ && !bytes.empty() && bytes.back() == 0)
        bytes.pop_back();  // kept without its terminator, which every query adds back
    return WriteStore([&](Tree &tree, bool *changed) {
        Key *node = Resolve(tree, key->root, key->path);
        if (node == nullptr)
            return ERROR_KEY_DELETED;
        node->SetValue(valueName, type, std::move(bytes));
        *changed = true;
        return ERROR_SUCCESS;
    });
}

LONG RegDeleteValueA(HKEY key, const char *name)
{
    if (!IsValid(key))
        return ERROR_INVALID_HANDLE;
    if ((key->access & KEY_SET_VALUE) == 0)
        return ERROR_ACCESS_DENIED;
    std::string valueName = Lower(name != nullptr ? name : "");
    return WriteStore([&](Tree &tree, bool *changed) {
        Key *node = Resolve(tree, key->root, key->path);
        if (node == nullptr)
            return ERROR_KEY_DELETED;
        for (auto it = node->values.begin(); it != node->values.end(); ++it) {
            if (Lower(it->name) == valueName) {
                node->values.erase(it);
                *changed = true;
                return ERROR_SUCCESS;
            }
        }
        return ERROR_FILE_NOT_FOUND;
    });
}

LONG RegDeleteTreeA(HKEY root, const char *subKey)
{
    if (!IsValid(root))
        return ERROR_INVALID_HANDLE;
    if ((root->access & KEY_SET_VALUE) == 0)
        return ERROR_ACCESS_DENIED;
    std::vector<std::string> path;
    if (LONG rc = FullPath(root, subKey, &path); rc != ERROR_SUCCESS)
        return rc;
    return WriteStore([&](Tree &tree, bool *changed) {
        Key *node = Resolve(tree, root->root, path);
        if (node == nullptr)
            return ERROR_FILE_NOT_FOUND;
        if (path.size() == root->path.size()) {
            // No subkey: the key itself stays, emptied, as on the platform.
            node->subkeys.clear();
            node->values.clear();
        } else {
            std::vector<std::string> parentPath(path.begin(), path.end() - 1);
            Resolve(tree, root->root, parentPath)->subkeys.erase(Lower(path.back()));
        }
        *changed = true;
        return ERROR_SUCCESS;
    });
}

LONG RegEnumKeyExA(HKEY key, DWORD index, char *name, DWORD *nameSize, DWORD *reserved, char *cls,
                   DWORD *clsSize, void *lastWrite)
{
    if (!IsValid(key))
        return ERROR_INVALID_HANDLE;
    if (name == nullptr || nameSize == nullptr)
        return ERROR_INVALID_PARAMETER;
    if ((key->access & KEY_ENUMERATE_SUB_KEYS) == 0)
        return ERROR_ACCESS_DENIED;
    return ReadStore([&](const Tree &tree) {
        Key *node = Resolve(tree, key->root, key->path);
        if (node == nullptr)
            return ERROR_KEY_DELETED;
        if (index >= node->subkeys.size())
            return ERROR_NO_MORE_ITEMS;
        auto it = node->subkeys.begin();
        std::advance(it, index);
        if (!NameFits(it->second->name, name, nameSize))
            return ERROR_MORE_DATA;
        // Keys have no class and no write time here.
        if (cls != nullptr && clsSize != nullptr && *clsSize > 0)
            cls[0] = '\0';
        if (clsSize != nullptr)
            *clsSize = 0;
        return ERROR_SUCCESS;
    });
}

LONG RegEnumValueA(HKEY key, DWORD index, char *name, DWORD *nameSize, DWORD *reserved, DWORD *type,
                   BYTE *data, DWORD *dataSize)
{
    if (!IsValid(key))
        return ERROR_INVALID_HANDLE;
    if (name == nullptr || nameSize == nullptr)
        return ERROR_INVALID_PARAMETER;
    if ((key->access & KEY_QUERY_VALUE) == 0)
        return ERROR_ACCESS_DENIED;
    return ReadStore([&](const Tree &tree) {
        Key *node = Resolve(tree, key->root, key->path);
        if (node == nullptr)
            return ERROR_KEY_DELETED;
        if (index >= node->values.size())
            return ERROR_NO_MORE_ITEMS;
        const Value &value = node->values[index];
        if (!NameFits(value.name, name, nameSize))
            return ERROR_MORE_DATA;
        return CopyValue(value, type, data, dataSize);
    });
}
