// Where a loaded library finds its skins: the host's folder, SRCTRL_SKIN_DIR, skin/ beside the
// library, then the installed share folder; and that Create refuses to start without them and
// says where it looked. The library is a copy, loaded from a folder laid out as an installed
// tree (PREFIX/LIBDIR/libsrctrl.so.N, PREFIX/share/srctrl/skin), so its own skin/ is not beside it.
#include <srctrl/IReportCtrl.h>

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace {

std::string Shell(const std::string& command)
{
    return std::system(command.c_str()) == 0 ? "" : "failed: " + command;
}

// The copy's entry points, looked up by name as a plug-in host would.
struct Library {
    void* handle = nullptr;
    decltype(&CreateReportCtrl) create = nullptr;
    decltype(&ReleaseReportCtrl) release = nullptr;
    decltype(&SrCtrlGetLastError) lastError = nullptr;
    decltype(&SrCtrlSetSkinFolder) setSkinFolder = nullptr;
    decltype(&SrCtrlGetVersion) version = nullptr;
    decltype(&srctrl::platform::CreateHostWindow) hostWindow = nullptr;
    decltype(&srctrl::DestroyWindow) destroyWindow = nullptr;
};

class SkinFolder : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        char pattern[] = "/tmp/srctrl-skin-folder-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        s_strPrefix = pattern;
        s_strLibDir = s_strPrefix + "/" SRCTRL_INSTALL_LIBDIR "/";
        ASSERT_EQ(Shell("mkdir -p '" + s_strLibDir + "' && cp '" SRCTRL_LIBRARY "' '" + s_strLibDir + "libsrctrl.so'"), "");
        Library& lib = s_library;
        lib.handle = dlopen((s_strLibDir + "libsrctrl.so").c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(lib.handle, nullptr) << dlerror();
        lib.create = reinterpret_cast<decltype(lib.create)>(dlsym(lib.handle, "_Z16CreateReportCtrlv"));
        lib.release = reinterpret_cast<decltype(lib.release)>(dlsym(lib.handle, "_Z17ReleaseReportCtrlP11IReportCtrl"));
        lib.lastError = reinterpret_cast<decltype(lib.lastError)>(dlsym(lib.handle, "SrCtrlGetLastError"));
        lib.setSkinFolder = reinterpret_cast<decltype(lib.setSkinFolder)>(dlsym(lib.handle, "SrCtrlSetSkinFolder"));
        lib.version = reinterpret_cast<decltype(lib.version)>(dlsym(lib.handle, "SrCtrlGetVersion"));
        lib.hostWindow = reinterpret_cast<decltype(lib.hostWindow)>(dlsym(lib.handle, "_ZN6srctrl8platform16CreateHostWindowEii"));
        lib.destroyWindow = reinterpret_cast<decltype(lib.destroyWindow)>(dlsym(lib.handle, "_ZN6srctrl13DestroyWindowEPNS_6HWND__E"));
        ASSERT_TRUE(lib.create && lib.release && lib.lastError && lib.setSkinFolder && lib.version && lib.hostWindow &&
                    lib.destroyWindow);
    }
    static void TearDownTestSuite()
    {
        // The library stays loaded: DCMTK's and the toolkit's static objects live until exit.
        Shell("rm -rf '" + s_strPrefix + "'");
    }
    void SetUp() override
    {
        unsetenv("SRCTRL_SKIN_DIR");
        ASSERT_TRUE(s_library.setSkinFolder(nullptr));
        ASSERT_EQ(Shell("rm -rf '" + s_strPrefix + "/share' '" + s_strLibDir + "skin'"), "");
    }

    // Creates a control in a host window and opens a report for the sample image; "" when both
    // work, otherwise the library's reason.
    static std::string CreateAndOpen()
    {
        IReportCtrl* ctrl = s_library.create();
        srctrl::HWND host = s_library.hostWindow(800, 600);
        std::string reason;
        if (ctrl->Create(host, 0, 0, 800, 600) == nullptr) {
            reason = s_library.lastError();
        } else if (ctrl->CreateReportFromImage(SRCTRL_TEST_DATA "/ct-image.dcm") == nullptr) {
            reason = s_library.lastError();
        }
        s_library.destroyWindow(ctrl->GetHWND());
        s_library.release(ctrl);
        s_library.destroyWindow(host);
        return reason;
    }

    static std::string s_strPrefix;
    static std::string s_strLibDir;
    static Library s_library;
};

std::string SkinFolder::s_strPrefix;
std::string SkinFolder::s_strLibDir;
Library SkinFolder::s_library;

const std::string kSkins = SRCTRL_SOURCE_DIR "/skin";

} // namespace

TEST_F(SkinFolder, CreateFailsAndNamesEveryFolderTriedWhenNoneHoldsTheSkins)
{
    setenv("SRCTRL_SKIN_DIR", (s_strPrefix + "/elsewhere").c_str(), 1);
    const std::string reason = CreateAndOpen();
    EXPECT_EQ(reason.rfind("skin folder not found: ", 0), 0u) << reason;
    EXPECT_NE(reason.find(s_strPrefix + "/elsewhere/"), std::string::npos) << reason;
    EXPECT_NE(reason.find(s_strLibDir + "skin/"), std::string::npos) << reason;
    EXPECT_NE(reason.find("share/srctrl/skin/"), std::string::npos) << reason;
}

TEST_F(SkinFolder, AHostFolderWithoutSkinsIsRefusedAndChangesNothing)
{
    EXPECT_FALSE(s_library.setSkinFolder(s_strPrefix.c_str()));
    EXPECT_EQ(std::string(s_library.lastError()), "skin folder not found: no srctrl/sr_frame_wnd.xml in " + s_strPrefix + "/");
    EXPECT_EQ(CreateAndOpen().rfind("skin folder not found: ", 0), 0u);
}

TEST_F(SkinFolder, EachPlaceIsFoundAndTheEarlierOneWins)
{
    ASSERT_TRUE(s_library.setSkinFolder(kSkins.c_str())) << s_library.lastError();
    setenv("SRCTRL_SKIN_DIR", (s_strPrefix + "/elsewhere").c_str(), 1);
    EXPECT_EQ(CreateAndOpen(), "") << "the host's folder comes first";
    ASSERT_TRUE(s_library.setSkinFolder(""));

    setenv("SRCTRL_SKIN_DIR", kSkins.c_str(), 1);
    EXPECT_EQ(CreateAndOpen(), "");
    unsetenv("SRCTRL_SKIN_DIR");

    ASSERT_EQ(Shell("cp -r '" + kSkins + "' '" + s_strLibDir + "skin'"), "");
    EXPECT_EQ(CreateAndOpen(), "") << "beside the library";
    ASSERT_EQ(Shell("rm -rf '" + s_strLibDir + "skin'"), "");

    const std::string installed = s_strLibDir + SRCTRL_INSTALLED_SKIN_DIR;
    ASSERT_EQ(Shell("mkdir -p '" + installed + "' && cp -r '" + kSkins + "/.' '" + installed + "'"), "");
    EXPECT_EQ(CreateAndOpen(), "") << "in the installed share folder";
}

TEST_F(SkinFolder, TheLibraryTellsItsVersion)
{
    EXPECT_STREQ(s_library.version(), SRCTRL_VERSION_STRING);
}
