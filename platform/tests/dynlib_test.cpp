#include <dlfcn.h>
#include <gtest/gtest.h>

#include "dynlib.h"
#include "msgqueue.h"

namespace fprn::plat {
namespace {

TEST(DynLib, LoadsFromTheProgramFolderAndLooksNamesUpLocally) {
    std::string folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.front(), '/');

    DynLib lib;
    ASSERT_TRUE(lib.Load(folder + "libfprn_platform_testplugin.so")) << lib.Error();
    auto answer = reinterpret_cast<int (*)()>(lib.Symbol("fprn_testplugin_answer"));
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);
    EXPECT_EQ(lib.Symbol("no_such_name"), nullptr);
    EXPECT_FALSE(lib.Error().empty());
    // Loaded locally: the name is not visible to the rest of the process.
    EXPECT_EQ(dlsym(RTLD_DEFAULT, "fprn_testplugin_answer"), nullptr);

    // One copy of the platform: the library sees this thread's queue, not one of its own.
    auto queueFd = reinterpret_cast<int (*)()>(lib.Symbol("fprn_testplugin_queue_fd"));
    auto post =
        reinterpret_cast<bool (*)(const TargetRef*, unsigned)>(lib.Symbol("fprn_testplugin_post"));
    ASSERT_NE(queueFd, nullptr);
    ASSERT_NE(post, nullptr);
    EXPECT_EQ(queueFd(), QueueFd());
    std::string got;
    Target target([&](Message& m) { got = m.bytes; });
    TargetRef ref = target.Ref();
    EXPECT_TRUE(post(&ref, 5));
    EXPECT_EQ(DispatchPending(), 1u);
    EXPECT_EQ(got, "from the library");

    DynLib moved(std::move(lib));
    EXPECT_FALSE(lib.IsLoaded());
    EXPECT_TRUE(moved.IsLoaded());
    moved.Unload();
    EXPECT_EQ(moved.Symbol("fprn_testplugin_answer"), nullptr);
}

TEST(DynLib, MissingFileFailsWithTheLoadersText) {
    DynLib lib(ProgramFolder() + "libfprn_no_such_library.so");
    EXPECT_FALSE(lib.IsLoaded());
    EXPECT_NE(lib.Error().find("libfprn_no_such_library.so"), std::string::npos);
}

} // namespace
} // namespace fprn::plat
