// The 48 library entry points the program binds, in binding order, each
// typed from the library's own declaration so that the two cannot differ.
#pragma once

#include <cstddef>

#include "lib/Ravlib.h"

#define RAVPROBE_ENTRY_LIST(X)                                                                                         \
    X(RV_boardname)                                                                                                    \
    X(RV_dllname)                                                                                                      \
    X(RV_version)                                                                                                      \
    X(RV_maxline)                                                                                                      \
    X(RV_open)                                                                                                         \
    X(RV_close)                                                                                                        \
    X(RV_start)                                                                                                        \
    X(RV_start_lf)                                                                                                     \
    X(RV_start_gmm)                                                                                                    \
    X(RV_stop)                                                                                                         \
    X(RV_reset)                                                                                                        \
    X(RV_GetCnectStat)                                                                                                 \
    X(RV_config)                                                                                                       \
    X(RV_Status)                                                                                                       \
    X(RV_Name)                                                                                                         \
    X(RV_Connect)                                                                                                      \
    X(RV_ConnectLF)                                                                                                    \
    X(RV_ConnectGMM)                                                                                                   \
    X(RV_DisConnect)                                                                                                   \
    X(RV_Alloc)                                                                                                        \
    X(RV_Free)                                                                                                         \
    X(RV_Attach)                                                                                                       \
    X(RV_Map)                                                                                                          \
    X(RV_UnMap)                                                                                                        \
    X(RV_MailOpen)                                                                                                     \
    X(RV_MailClose)                                                                                                    \
    X(RV_MailSend)                                                                                                     \
    X(RV_MailReceive)                                                                                                  \
    X(RV_MailStatus)                                                                                                   \
    X(RV_MailWaitObject)                                                                                               \
    X(RV_Ck)                                                                                                           \
    X(RV_Put)                                                                                                          \
    X(RV_Get)                                                                                                          \
    X(RV_GetReg16)                                                                                                     \
    X(RV_GetReg32)                                                                                                     \
    X(RV_GetReg64)                                                                                                     \
    X(RV_SetReg16)                                                                                                     \
    X(RV_SetReg32)                                                                                                     \
    X(RV_SetReg64)                                                                                                     \
    X(RV_GetMemByte)                                                                                                   \
    X(RV_GetMemShort)                                                                                                  \
    X(RV_GetMemLong)                                                                                                   \
    X(RV_GetMemDLong)                                                                                                  \
    X(RV_SetMemByte)                                                                                                   \
    X(RV_SetMemShort)                                                                                                  \
    X(RV_SetMemLong)                                                                                                   \
    X(RV_SetMemDLong)                                                                                                  \
    X(RV_HardReset)

namespace ravprobe {

enum class Entry : std::size_t {
#define RAVPROBE_ENTRY_ID(name) name,
    RAVPROBE_ENTRY_LIST(RAVPROBE_ENTRY_ID)
#undef RAVPROBE_ENTRY_ID
};

inline constexpr std::size_t kEntryCount = 0
#define RAVPROBE_ENTRY_ONE(name) +1
    RAVPROBE_ENTRY_LIST(RAVPROBE_ENTRY_ONE)
#undef RAVPROBE_ENTRY_ONE
    ;
static_assert(kEntryCount == 48);

inline constexpr const char* kEntryNames[kEntryCount] = {
#define RAVPROBE_ENTRY_NAME(name) #name,
    RAVPROBE_ENTRY_LIST(RAVPROBE_ENTRY_NAME)
#undef RAVPROBE_ENTRY_NAME
};

// The pointer type of each entry, looked up by its id.
template <Entry id>
struct EntryType;
#define RAVPROBE_ENTRY_TYPE(name)                                                                                      \
    template <>                                                                                                        \
    struct EntryType<Entry::name> {                                                                                    \
        using type = decltype(&::name);                                                                                \
    };
RAVPROBE_ENTRY_LIST(RAVPROBE_ENTRY_TYPE)
#undef RAVPROBE_ENTRY_TYPE

constexpr const char* entryName(Entry id) {
    return kEntryNames[static_cast<std::size_t>(id)];
}

}  // namespace ravprobe
