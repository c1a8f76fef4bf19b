// The registry store: values, keys, the file and its sharing between handles and processes.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/base/registry.h"

namespace {

constexpr const char *kParameters = "System\\CurrentControlSet\\Services\\Tcpip\\Parameters";

// Every test gets its own store file.
class Registry : public ::testing::Test {
protected:
    void SetUp() override
    {
        char dir[] = "/tmp/qsbase-reg.XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        dir_ = dir;
        UseFile(dir_ + "/registry");
    }
    void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

    void UseFile(const std::string &path)
    {
        path_ = path;
        setenv("QS_REGISTRY", path.c_str(), 1);
    }
    std::string FileText() const
    {
        std::ifstream in(path_);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    void WriteFileText(const std::string &text) const
    {
        std::ofstream out(path_ + ".new");
        out << text;
        out.close();
        std::rename((path_ + ".new").c_str(), path_.c_str());
    }
    HKEY Create(HKEY root, const char *path)
    {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
        return key;
    }
    static std::string QueryText(HKEY key, const char *name)
    {
        char buffer[256] = {};
        DWORD size = sizeof buffer;
        DWORD type = 0;
        LONG rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE *>(buffer), &size);
        if (rc != ERROR_SUCCESS)
            return "error " + std::to_string(rc);
        return std::string(buffer, size - 1);
    }

    std::string dir_;
    std::string path_;
};

std::vector<BYTE> AllBytes()
{
    std::vector<BYTE> bytes(256);
    for (int i = 0; i < 256; ++i)
        bytes[i] = static_cast<BYTE>(i);
    return bytes;
}

TEST_F(Registry, ValuesSurviveTheFile)
{
    const std::string awkwardText = "a=b;[c]%\\ \x01\x7f\xc3\xa9\r\nend";
    const std::string awkwardName = "[odd]=name;%\\";
    const std::vector<BYTE> binary = AllBytes();
    const DWORD number = 0xDEADBEEF;
    HKEY key = Create(HKEY_LOCAL_MACHINE, kParameters);
    ASSERT_EQ(RegSetValueExA(key, "Domain", 0, REG_SZ, reinterpret_cast<const BYTE *>("example.org"), 12), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, awkwardName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE *>(awkwardText.data()),
                             static_cast<DWORD>(awkwardText.size())),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, "Blob", 0, REG_BINARY, binary.data(), 256), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, "Number", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&number), 4), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, nullptr, 0, 7, reinterpret_cast<const BYTE *>("a\0b\0"), 5), ERROR_SUCCESS);
    RegCloseKey(key);
    HKEY empty = Create(HKEY_CLASSES_ROOT, "Quillstream.TimeClient.6\\Empty");
    RegCloseKey(empty);

    // A copy of the file, read afresh, holds exactly the same store.
    std::string text = FileText();
    UseFile(dir_ + "/copy");
    WriteFileText(text);

    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\currentcontrolset\\Services\\TCPIP\\Parameters", 0, KEY_READ,
                            &key),
              ERROR_SUCCESS);
    EXPECT_EQ(QueryText(key, "DOMAIN"), "example.org");
    EXPECT_EQ(QueryText(key, awkwardName.c_str()), awkwardText);
    std::vector<BYTE> readBack(300);
    DWORD size = static_cast<DWORD>(readBack.size());
    DWORD type = 0;
    ASSERT_EQ(RegQueryValueExA(key, "blob", nullptr, &type, readBack.data(), &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_BINARY);
    readBack.resize(size);
    EXPECT_EQ(readBack, binary);
    DWORD readNumber = 0;
    size = 4;
    ASSERT_EQ(RegQueryValueExA(key, "Number", nullptr, &type, reinterpret_cast<BYTE *>(&readNumber), &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(readNumber, number);
    char multi[8];
    size = sizeof multi;
    ASSERT_EQ(RegQueryValueExA(key, "", nullptr, &type, reinterpret_cast<BYTE *>(multi), &size), ERROR_SUCCESS);
    EXPECT_EQ(type, 7u);
    EXPECT_EQ(std::string(multi, size), std::string("a\0b\0", 5));
    RegCloseKey(key);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "quillstream.timeclient.6\\empty", 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
    // The file is written the same way again.
    ASSERT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(FileText(), text);
}

TEST_F(Registry, QuerySizingFollowsThePlatform)
{
    HKEY key = Create(HKEY_LOCAL_MACHINE, kParameters);
    RegSetValueExA(key, "Domain", 0, REG_SZ, reinterpret_cast<const BYTE *>("abc"), 3);  // no terminator given
    DWORD type = 0;
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Domain", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 4u);  // the terminating zero counts
    char buffer[4] = {'x', 'x', 'x', 'x'};
    size = 3;
    EXPECT_EQ(RegQueryValueExA(key, "Domain", nullptr, nullptr, reinterpret_cast<BYTE *>(buffer), &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(buffer[0], 'x');
    size = 4;
    EXPECT_EQ(RegQueryValueExA(key, "Domain", nullptr, nullptr, reinterpret_cast<BYTE *>(buffer), &size), ERROR_SUCCESS);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    DWORD wrong = 0;
    EXPECT_EQ(RegSetValueExA(key, "Bad", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&wrong), 2), ERROR_INVALID_PARAMETER);
    RegCloseKey(key);

    HKEY missing = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\NoSuchKey", 0, KEY_READ, &missing), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(missing, nullptr);
    EXPECT_EQ(RegCloseKey(reinterpret_cast<HKEY>(&type)), ERROR_INVALID_HANDLE);
}

TEST_F(Registry, HandlesShareTheStore)
{
    HKEY first = Create(HKEY_CURRENT_USER, "Software\\Quillstream");
    HKEY second = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\quillstream", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &second,
                              &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    RegSetValueExA(first, "Name", 0, REG_SZ, reinterpret_cast<const BYTE *>("one"), 4);
    EXPECT_EQ(QueryText(second, "name"), "one");

    HKEY readOnly = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Quillstream", 0, KEY_READ, &readOnly), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(readOnly, "Name", 0, REG_SZ, reinterpret_cast<const BYTE *>("two"), 4), ERROR_ACCESS_DENIED);
    EXPECT_EQ(QueryText(readOnly, "Name"), "one");

    ASSERT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Quillstream"), ERROR_SUCCESS);
    EXPECT_EQ(QueryText(second, "Name"), "error " + std::to_string(ERROR_KEY_DELETED));
    EXPECT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Quillstream"), ERROR_FILE_NOT_FOUND);
    for (HKEY key : {first, second, readOnly})
        EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(Registry, EnumeratesKeysInOrderAndValuesAsSet)
{
    HKEY root = Create(HKEY_CLASSES_ROOT, "CLSID");
    for (const char *name : {"{b}", "{A}", "{c}"})
        RegCloseKey(Create(root, name));
    RegSetValueExA(root, "Zeta", 0, REG_SZ, reinterpret_cast<const BYTE *>("z"), 2);
    RegSetValueExA(root, "Alpha", 0, REG_SZ, reinterpret_cast<const BYTE *>("a"), 2);

    std::vector<std::string> keys;
    char name[16];
    DWORD size = sizeof name;
    for (DWORD i = 0; RegEnumKeyExA(root, i, name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS; ++i) {
        EXPECT_EQ(size, std::strlen(name));
        keys.push_back(name);
        size = sizeof name;
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"{A}", "{b}", "{c}"}));
    size = 3;  // "{A}" needs four
    EXPECT_EQ(RegEnumKeyExA(root, 0, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);

    std::vector<std::string> values;
    DWORD type = 0;
    char data[8];
    DWORD dataSize = sizeof data;
    size = sizeof name;
    for (DWORD i = 0; RegEnumValueA(root, i, name, &size, nullptr, &type, reinterpret_cast<BYTE *>(data), &dataSize) ==
                      ERROR_SUCCESS;
         ++i) {
        values.push_back(std::string(name) + "=" + data);
        size = sizeof name;
        dataSize = sizeof data;
    }
    EXPECT_EQ(values, (std::vector<std::string>{"Zeta=z", "Alpha=a"}));
    EXPECT_EQ(RegEnumValueA(root, 2, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    RegCloseKey(root);
}

// Runs `body` in a child process and returns its exit status.
template <typename F>
int InChild(F body)
{
    pid_t pid = fork();
    if (pid == 0)
        _exit(body());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(Registry, TwoProcessesSeeEachOthersChanges)
{
    HKEY key = Create(HKEY_LOCAL_MACHINE, kParameters);
    RegSetValueExA(key, "Domain", 0, REG_SZ, reinterpret_cast<const BYTE *>("parent.test"), 12);
    ASSERT_EQ(InChild([&] {
                  bool sawParent = QueryText(key, "Domain") == "parent.test";
                  RegSetValueExA(key, "Domain", 0, REG_SZ, reinterpret_cast<const BYTE *>("child.test"), 11);
                  return sawParent ? 0 : 1;
              }),
              0);
    // The parent had the store in memory: it notices that the file changed.
    EXPECT_EQ(QueryText(key, "Domain"), "child.test");
    RegCloseKey(key);
}

TEST_F(Registry, DamagedFileIsReadButNeverOverwritten)
{
    const std::string damaged =
        "quillstream-registry 1\n"
        "[HKEY_LOCAL_MACHINE\\Good]\n"
        "Name=sz:kept\n"
        "Broken=hex:0\n";
    WriteFileText(damaged);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Good", 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    EXPECT_EQ(QueryText(key, "Name"), "kept");
    EXPECT_EQ(RegSetValueExA(key, "New", 0, REG_SZ, reinterpret_cast<const BYTE *>("x"), 2), ERROR_REGISTRY_CORRUPT);
    EXPECT_EQ(FileText(), damaged);
    RegCloseKey(key);

    // Not a store at all: nothing is read from it.
    WriteFileText("something else\n[HKEY_LOCAL_MACHINE\\Good]\n");
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Good", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
}

}  // namespace
