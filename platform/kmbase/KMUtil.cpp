#include "platform/kmbase/KMUtil.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <cstdlib>
#include <mutex>
#include <random>
#include <string>
#include <vector>

namespace {

std::string ToDecimal(unsigned __int128 value)
{
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(value % 10)));
        value /= 10;
    } while (value != 0);
    return digits;
}

} // namespace

bool KMUtil::GenerateUID(KMString& uid)
{
    unsigned __int128 value = 0;
    try {
        std::random_device device;
        for (int i = 0; i < 4; ++i) {
            value = (value << 32) | device();
        }
    } catch (const std::exception&) {
        return false;
    }
    // Mark the number as a random (version 4) UUID, as the 2.25 root asks for.
    const unsigned __int128 one = 1;
    value &= ~(static_cast<unsigned __int128>(0xF) << 76);
    value |= static_cast<unsigned __int128>(0x4) << 76;
    value &= ~(static_cast<unsigned __int128>(0x3) << 62);
    value |= one << 63;
    uid = "2.25." + ToDecimal(value);
    return true;
}

bool KMUtil::FileExist(const char* path)
{
    struct stat info {};
    return path != nullptr && stat(path, &info) == 0 && S_ISREG(info.st_mode);
}

KMString KMUtil::GetModulePath()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&KMUtil::GetModulePath), &info) == 0 ||
        info.dli_fname == nullptr) {
        return KMString();
    }
    // The loader may know the module by a relative name; the folder must not depend on the
    // current directory.
    char* resolved = realpath(info.dli_fname, nullptr);
    if (resolved == nullptr) {
        return KMString();
    }
    std::string path = resolved;
    free(resolved);
    const size_t slash = path.rfind('/');
    path = slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
    return KMString(path);
}

namespace {

std::mutex g_skinMutex;
std::string g_strHostSkinFolder;

std::string WithSlash(std::string folder)
{
    if (!folder.empty() && folder.back() != '/') {
        folder += '/';
    }
    return folder;
}

bool HoldsSkins(const std::string& folder)
{
    return !folder.empty() && KMUtil::FileExist((folder + "srctrl/sr_frame_wnd.xml").c_str());
}

} // namespace

bool KMUtil::FindSkinPath(KMString& path, std::string& reason)
{
    std::vector<std::string> candidates;
    {
        const std::lock_guard<std::mutex> lock(g_skinMutex);
        candidates.push_back(g_strHostSkinFolder);
    }
    const char* env = std::getenv("SRCTRL_SKIN_DIR");
    candidates.push_back(WithSlash(env != nullptr ? env : ""));
    const std::string module = GetModulePath().str();
    candidates.push_back(module.empty() ? std::string() : module + "skin/");
    candidates.push_back(module.empty() ? std::string() : module + SRCTRL_INSTALLED_SKIN_DIR);
    std::string tried;
    for (const std::string& folder : candidates) {
        if (HoldsSkins(folder)) {
            path = folder;
            return true;
        }
        if (!folder.empty()) {
            tried += (tried.empty() ? "" : ", ") + folder;
        }
    }
    reason = "skin folder not found: no srctrl/sr_frame_wnd.xml in " + tried;
    return false;
}

KMString KMUtil::GetSkinPath()
{
    KMString path;
    std::string reason;
    return FindSkinPath(path, reason) ? path : KMString();
}

bool KMUtil::SetSkinFolder(const char* folder, std::string& reason)
{
    const std::string named = WithSlash(folder != nullptr ? folder : "");
    if (!named.empty() && !HoldsSkins(named)) {
        reason = "skin folder not found: no srctrl/sr_frame_wnd.xml in " + named;
        return false;
    }
    const std::lock_guard<std::mutex> lock(g_skinMutex);
    g_strHostSkinFolder = named;
    return true;
}
