// The remote-access service of Windows, loaded at run time so that a machine
// without it simply has no dial-up connection.  Free of Qt on purpose: it is
// also cross-built on its own.
#include "dialup/dialuplink.h"

#include <windows.h>

#include <ras.h>
#include <string>
#include <vector>

namespace
{
#ifdef _WIN64
// 64-bit Windows knows only the layouts of its own headers (the handle is
// pointer-sized there).
using RasEntry = RASCONNA;
using RasStatus = RASCONNSTATUSA;
#else
// The first ANSI layouts, which every 32-bit Windows accepts.
struct RasEntry {
    DWORD dwSize;
    HRASCONN hrasconn;
    CHAR szEntryName[RAS_MaxEntryName + 1];
    CHAR szDeviceType[RAS_MaxDeviceType + 1];
    CHAR szDeviceName[RAS_MaxDeviceName + 1];
};
struct RasStatus {
    DWORD dwSize;
    DWORD rasconnstate;
    DWORD dwError;
    CHAR szDeviceType[RAS_MaxDeviceType + 1];
    CHAR szDeviceName[RAS_MaxDeviceName + 1];
};
static_assert(sizeof(RasEntry) == 412, "RASCONNA of 32-bit Windows");
static_assert(sizeof(RasStatus) == 160, "RASCONNSTATUSA of 32-bit Windows");
#endif

constexpr int EntryCount = 256;
constexpr DWORD Connected = 0x2000; // RASCS_Connected

using EnumConnections = DWORD(WINAPI*)(RasEntry*, DWORD*, DWORD*);
using GetConnectStatus = DWORD(WINAPI*)(HRASCONN, RasStatus*);
using AutodialHangup = BOOL(WINAPI*)(DWORD);

// Only from the system directory: a library of the same name beside the
// program (on its CD-ROM, say) is never picked up.
class SystemLibrary
{
public:
    explicit SystemLibrary(const char* name)
    {
        char dir[MAX_PATH];
        const UINT length = GetSystemDirectoryA(dir, MAX_PATH);
        if (length == 0 || length >= MAX_PATH)
            return;
        const std::string path = std::string(dir, length) + "\\" + name;
        m_module = LoadLibraryA(path.c_str());
    }
    ~SystemLibrary()
    {
        if (m_module)
            FreeLibrary(m_module);
    }
    SystemLibrary(const SystemLibrary&) = delete;
    SystemLibrary& operator=(const SystemLibrary&) = delete;

    template <typename F> F function(const char* name) const
    {
        if (!m_module)
            return nullptr;
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(m_module, name)));
    }

private:
    HMODULE m_module = nullptr;
};

class RasDialupLink : public DialupLink
{
public:
    bool connexionactive() override
    {
        const SystemLibrary ras("rasapi32.dll");
        const auto enumConnections = ras.function<EnumConnections>("RasEnumConnectionsA");
        const auto getConnectStatus = ras.function<GetConnectStatus>("RasGetConnectStatusA");
        if (!enumConnections || !getConnectStatus)
            return false;

        std::vector<RasEntry> entries(EntryCount); // zeroed
        entries[0].dwSize = sizeof(RasEntry);
        DWORD size = DWORD(sizeof(RasEntry) * EntryCount);
        DWORD count = 0;
        if (enumConnections(entries.data(), &size, &count) != 0)
            return false;

        // Only the first entry counts; with none, its handle is 0, the call
        // fails and the state stays 0.
        RasStatus status{};
        status.dwSize = sizeof(RasStatus);
        getConnectStatus(entries[0].hrasconn, &status);
        return DWORD(status.rasconnstate) == Connected;
    }

    void hangUp() override
    {
        const SystemLibrary wininet("wininet.dll");
        if (const auto hangup = wininet.function<AutodialHangup>("InternetAutodialHangup"))
            hangup(0);
    }
};
} // namespace

std::unique_ptr<DialupLink> makePlatformDialupLink()
{
    return std::make_unique<RasDialupLink>();
}
