// Loading modules by platform name.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/base/errors.h"
#include "platform/base/module.h"
#include "platform/base/thread.h"

namespace {

TEST(Module, MapsPlatformNames)
{
    struct Case {
        const char *name;
        const char *file;  // null: refused
    };
    const Case cases[] = {
        {"WS2_32.DLL", "libws2_32.so"}, {"ws2_32.dll", "libws2_32.so"}, {"qstrace6", "libqstrace6.so"},
        {"Secur32.Dll", "libsecur32.so"}, {"/opt/x/libY.so", "/opt/x/libY.so"}, {"libdone.so", "libdone.so"},
        {"", nullptr},                    {".dll", nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        char buffer[64];
        const char *mapped = QsMapModuleName(c.name, buffer, sizeof buffer);
        if (c.file == nullptr) {
            EXPECT_EQ(mapped, nullptr);
        } else {
            ASSERT_NE(mapped, nullptr);
            EXPECT_STREQ(mapped, c.file);
        }
    }
    char small[8];
    EXPECT_EQ(QsMapModuleName("WS2_32.DLL", small, sizeof small), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

class ModuleLoad : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char *path = std::getenv("QS_MODULE_PATH");
        saved_ = path != nullptr ? path : "";
        char dir[] = "/tmp/qsbase-mod.XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        scratch_ = dir;
    }
    void TearDown() override
    {
        setenv("QS_MODULE_PATH", saved_.c_str(), 1);
        std::remove((scratch_ + "/libbroken.so").c_str());
        rmdir(scratch_.c_str());
    }
    std::string saved_;
    std::string scratch_;
};

TEST_F(ModuleLoad, LoadsByPlatformNameAndFindsExports)
{
    // Not on the search path: found beside libqsbase.so.
    setenv("QS_MODULE_PATH", scratch_.c_str(), 1);
    HMODULE module = LoadLibraryA("QSBASETESTMOD.DLL");
    ASSERT_NE(module, nullptr);
    auto answer = reinterpret_cast<int (*)()>(GetProcAddress(module, "qs_test_module_answer"));
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);
    EXPECT_EQ(GetProcAddress(module, "no_such_export"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));

    char path[4096];
    DWORD length = GetModuleFileNameA(module, path, sizeof path);
    ASSERT_GT(length, 0u);
    EXPECT_EQ(std::string(path).substr(std::string(path).rfind('/')), "/libqsbasetestmod.so");
    EXPECT_EQ(length, std::strlen(path));
    char tiny[4];
    EXPECT_EQ(GetModuleFileNameA(module, tiny, sizeof tiny), sizeof tiny);  // truncated, terminated
    EXPECT_EQ(tiny[3], '\0');
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));

    EXPECT_EQ(QsModuleFromAddress(reinterpret_cast<const void *>(answer)), module);
    EXPECT_TRUE(FreeLibrary(module));
}

TEST_F(ModuleLoad, MissingAndBrokenModulesFail)
{
    setenv("QS_MODULE_PATH", scratch_.c_str(), 1);
    SetLastError(0);
    EXPECT_EQ(LoadLibraryA("NoSuchModule.dll"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));

    FILE *junk = std::fopen((scratch_ + "/libbroken.so").c_str(), "w");
    ASSERT_NE(junk, nullptr);
    std::fputs("not an ELF file", junk);
    std::fclose(junk);
    EXPECT_EQ(LoadLibraryA("BROKEN.DLL"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
}

TEST(Module, ErrorModeIsKept)
{
    UINT before = SetErrorMode(SEM_NOOPENFILEERRORBOX);
    EXPECT_EQ(SetErrorMode(before), SEM_NOOPENFILEERRORBOX);
}

}  // namespace
