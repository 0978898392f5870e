#include <gtest/gtest.h>

#include <dlfcn.h>

#include <vector>

#include "linkparts/LinkPartResources.h"
#include "platform/ResourceChain.h"
#include "plugin/CZebTmplCIF.h"

// The module as the host sees it: loaded with dlopen from the build's bin folder. This test
// program links the module's pieces statically but not its plug-in boundary, so the handshake,
// the factory and the load-time registration seen here are the shared library's.
namespace {

const std::string kModulePath = std::string(ZEB_BIN_DIR) + "/libzebcmlinkparts.so";

using Handshake = int (*)(void**, void*, int, int);

class LoadedModule {
public:
    LoadedModule() : handle_(dlopen(kModulePath.c_str(), RTLD_NOW | RTLD_LOCAL)) {}
    ~LoadedModule() { unload(); }
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;
    bool loaded() const { return handle_ != nullptr; }
    Handshake handshake() const { return reinterpret_cast<Handshake>(dlsym(handle_, "FSetFunctionAddress")); }
    void unload()
    {
        if (handle_)
            dlclose(handle_);
        handle_ = nullptr;
    }

private:
    void* handle_;
};

bool moduleIsMapped()
{
    void* handle = dlopen(kModulePath.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle)
        dlclose(handle);
    return handle != nullptr;
}

// A recognisable filler so that a stray write anywhere in the table shows.
std::vector<void*> filledTable(std::size_t entries = 512)
{
    std::vector<void*> table(entries);
    for (std::size_t i = 0; i < entries; ++i)
        table[i] = reinterpret_cast<void*>(0x1000 + i);
    return table;
}

TEST(CZebTmplCImplTest, HandshakeResultsInOrder)
{
    LoadedModule module;
    ASSERT_TRUE(module.loaded()) << dlerror();
    Handshake handshake = module.handshake();
    ASSERT_NE(handshake, nullptr);

    struct Case {
        const char* description;
        bool withTable;
        int version;
        int level;
        int expected;
    };
    const Case cases[] = {
        {"the version is tested first, even with a null table", false, 2, 83, kHandshakeBadVersion},
        {"version 0", true, 0, 83, kHandshakeBadVersion},
        {"null table is tested before the level", false, 1, 0, kHandshakeNullTable},
        {"level 82 is too old", true, 1, 82, kHandshakeOldTable},
        {"negative level", true, 1, -1, kHandshakeOldTable},
        {"level 83 is accepted", true, 1, 83, kHandshakeOk},
        {"any higher level is accepted", true, 1, 100000, kHandshakeOk},
    };
    for (const auto& c : cases) {
        std::vector<void*> table = filledTable();
        const std::vector<void*> before = table;
        const int result = handshake(c.withTable ? table.data() : nullptr, nullptr, c.version, c.level);
        EXPECT_EQ(result, c.expected) << c.description;
        std::vector<void*> expected = before;
        if (c.expected == kHandshakeOk) {
            ASSERT_NE(table[kFactoryEntry], before[kFactoryEntry]) << c.description;
            expected[kFactoryEntry] = table[kFactoryEntry];
        }
        EXPECT_EQ(table, expected) << c.description << ": only entry 508, and only on success, changes";
    }
}

TEST(CZebTmplCImplTest, FactoryMakesIndependentObjectsThatForwardText)
{
    LoadedModule module;
    ASSERT_TRUE(module.loaded()) << dlerror();
    std::vector<void*> table = filledTable(509); // the smallest table that holds entry 508
    ASSERT_EQ(module.handshake()(table.data(), nullptr, 1, 83), kHandshakeOk);
    auto factory = reinterpret_cast<CreateInterfaceFn>(table[kFactoryEntry]);
    std::unique_ptr<CZebTmplCIF> first(factory());
    std::unique_ptr<CZebTmplCIF> second(factory());
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first.get(), second.get());

    struct RecordingSink : CZebTextSink {
        std::vector<std::wstring> received;
        void receiveText(const wchar_t* text) override { received.push_back(text); }
    };
    struct Case {
        const char* description;
        bool withSink;
        std::wstring text;
        bool expected;
    };
    const Case cases[] = {
        {"one character", true, L"x", true},
        {"Japanese text", true, L"リンク部品", true},
        {"empty text", true, L"", false},
        {"null object", false, L"x", false},
    };
    for (const auto& c : cases) {
        RecordingSink sink;
        EXPECT_EQ(first->forwardText(c.withSink ? &sink : nullptr, c.text, nullptr), c.expected) << c.description;
        const std::vector<std::wstring> calls =
            c.expected ? std::vector<std::wstring>{c.text} : std::vector<std::wstring>{};
        EXPECT_EQ(sink.received, calls) << c.description;
    }
    // The update request with no categories has nothing to do and must not fail.
    second->updateLinkParts({}, nullptr);
}

TEST(CZebTmplCImplTest, ResourcesAreFoundWhileTheModuleIsLoaded)
{
    std::wstring text;
    ASSERT_FALSE(moduleIsMapped());
    ASSERT_FALSE(platform::ResourceChain::loadString(IDS_LINK_TO_CATEGORY, text));

    LoadedModule module;
    ASSERT_TRUE(module.loaded()) << dlerror();
    ASSERT_TRUE(platform::ResourceChain::loadString(IDS_LINK_TO_CATEGORY, text));
    EXPECT_EQ(text, L"「%s」へのリンク");
    ASSERT_TRUE(platform::ResourceChain::loadString(IDS_LINK_TO_CALENDAR_DIARY, text));
    EXPECT_EQ(text, L"カレンダー型「日記」へのリンク");
    const platform::DialogTemplate* dialog = platform::ResourceChain::findDialog(IDD_LINKPART_SELECT);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->caption, L"リンク部品の設定");
    EXPECT_EQ(dialog->controls.size(), 8u);

    module.unload();
    // The module is really gone (nothing pins it in memory), and so are its resources.
    EXPECT_FALSE(moduleIsMapped());
    EXPECT_FALSE(platform::ResourceChain::loadString(IDS_LINK_TO_CATEGORY, text));
    EXPECT_EQ(platform::ResourceChain::findDialog(IDD_LINKPART_SELECT), nullptr);
}

// The file a code address belongs to; "" when unknown.
std::string objectOf(void* address)
{
    Dl_info info{};
    return dladdr(address, &info) && info.dli_fname ? info.dli_fname : "";
}

bool endsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(CZebTmplCImplTest, ModuleSharesTheHostsPlatformAndExportsOnlyTheHandshake)
{
    LoadedModule module;
    ASSERT_TRUE(module.loaded()) << dlerror();
    // One platform in the process: the test's own calls and the module's both go to the host
    // services library, so a clock or resource chain set on one side is seen on the other.
    EXPECT_TRUE(
        endsWith(objectOf(reinterpret_cast<void*>(&platform::ResourceChain::registerTable)), "/libzebhostsvc.so"));
    EXPECT_TRUE(endsWith(objectOf(reinterpret_cast<void*>(module.handshake())), "/libzebcmlinkparts.so"));
    void* handle = dlopen(kModulePath.c_str(), RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(handle, nullptr);
    void* registerTable = dlsym(handle, "_ZN8platform13ResourceChain13registerTableEPKNS_13ResourceTableE");
    EXPECT_TRUE(endsWith(objectOf(registerTable), "/libzebhostsvc.so")) << objectOf(registerTable);
    EXPECT_EQ(dlsym(handle, "createInterface"), nullptr);
    EXPECT_EQ(dlsym(handle, "_Z15createInterfacev"), nullptr);
    dlclose(handle);
}

} // namespace
