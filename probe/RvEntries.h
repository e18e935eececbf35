// The 48 library entry points the program binds, in binding order, with the
// argument lists the library exports them with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#define RAVPROBE_ENTRY_LIST(X)                                                                          \
  X(RV_boardname, char*(char*))                                                                         \
  X(RV_dllname, char*(char*))                                                                           \
  X(RV_version, char*(char*))                                                                           \
  X(RV_maxline, int32_t())                                                                              \
  X(RV_open, int32_t(int32_t))                                                                          \
  X(RV_close, int32_t(int32_t))                                                                         \
  X(RV_start, int32_t(int32_t, int32_t, int32_t, int32_t, int32_t))                                     \
  X(RV_start_lf, int32_t(int32_t, int32_t, int32_t, int32_t, int32_t))                                  \
  X(RV_start_gmm, int32_t(int32_t, int32_t, int32_t))                                                   \
  X(RV_stop, int32_t(int32_t, int32_t))                                                                 \
  X(RV_reset, int32_t(int32_t, int32_t, int32_t))                                                       \
  X(RV_GetCnectStat, int32_t(int32_t, int32_t, int32_t*, int32_t*))                                     \
  X(RV_config, int32_t(int32_t, int32_t, int32_t))                                                      \
  X(RV_Status, int32_t(int32_t, int32_t, void*))                                                        \
  X(RV_Name, int32_t(int32_t, int32_t, void*))                                                          \
  X(RV_Connect, int32_t(int32_t, int32_t, const void*))                                                 \
  X(RV_ConnectLF, int32_t(int32_t, int32_t, const void*))                                               \
  X(RV_ConnectGMM, int32_t(int32_t, int32_t))                                                           \
  X(RV_DisConnect, int32_t(int32_t, int32_t))                                                           \
  X(RV_Alloc, int32_t(int32_t, int32_t, int32_t, void**))                                               \
  X(RV_Free, int32_t(int32_t, int32_t))                                                                 \
  X(RV_Attach, int32_t(int32_t, int32_t, void**))                                                       \
  X(RV_Map, int32_t(int32_t, int32_t, const char*, void**))                                             \
  X(RV_UnMap, int32_t(int32_t, int32_t))                                                                \
  X(RV_MailOpen, int32_t(int32_t, int32_t))                                                             \
  X(RV_MailClose, int32_t(int32_t, int32_t))                                                            \
  X(RV_MailSend, int32_t(int32_t, int32_t, int32_t, const int16_t*, int32_t))                           \
  X(RV_MailReceive, int32_t(int32_t, int32_t, int16_t*, int32_t, int32_t*))                             \
  X(RV_MailStatus, int32_t(int32_t, int32_t, int16_t*))                                                 \
  X(RV_MailWaitObject, int32_t(int32_t, int32_t, int16_t*))                                             \
  X(RV_Ck, int32_t(int32_t, int32_t, uint16_t*))                                                        \
  X(RV_Put, int32_t(int32_t, int32_t, const void*))                                                     \
  X(RV_Get, int32_t(int32_t, int32_t, int32_t, void*))                                                  \
  X(RV_GetReg16, int32_t(int32_t, int32_t, int32_t, uint16_t*))                                         \
  X(RV_GetReg32, int32_t(int32_t, int32_t, int32_t, int32_t*))                                          \
  X(RV_GetReg64, int32_t(int32_t, int32_t, int32_t, int32_t*))                                          \
  X(RV_SetReg16, int32_t(int32_t, int32_t, int32_t, int32_t))                                           \
  X(RV_SetReg32, int32_t(int32_t, int32_t, int32_t, int32_t))                                           \
  X(RV_SetReg64, int32_t(int32_t, int32_t, int32_t, int32_t, int32_t))                                  \
  X(RV_GetMemByte, int32_t(int32_t, int32_t, void*, int32_t, int32_t, int32_t))                         \
  X(RV_GetMemShort, int32_t(int32_t, int32_t, int16_t*, int32_t, int32_t, int32_t))                     \
  X(RV_GetMemLong, int32_t(int32_t, int32_t, int32_t*, int32_t, int32_t, int32_t))                      \
  X(RV_GetMemDLong, int32_t(int32_t, int32_t, int32_t*, int32_t, int32_t, int32_t))                     \
  X(RV_SetMemByte, int32_t(int32_t, int32_t, void*, int32_t, int32_t, int32_t))                         \
  X(RV_SetMemShort, int32_t(int32_t, int32_t, const int16_t*, int32_t, int32_t, int32_t))               \
  X(RV_SetMemLong, int32_t(int32_t, int32_t, const int32_t*, int32_t, int32_t, int32_t))                \
  X(RV_SetMemDLong, int32_t(int32_t, int32_t, const int32_t*, int32_t, int32_t, int32_t))               \
  X(RV_HardReset, int32_t(int32_t, int32_t))

namespace ravprobe {

enum class Entry : std::size_t {
#define RAVPROBE_ENTRY_ID(name, signature) name,
  RAVPROBE_ENTRY_LIST(RAVPROBE_ENTRY_ID)
#undef RAVPROBE_ENTRY_ID
};

inline constexpr std::size_t kEntryCount = 0
#define RAVPROBE_ENTRY_ONE(name, signature) +1
    RAVPROBE_ENTRY_LIST(RAVPROBE_ENTRY_ONE)
#undef RAVPROBE_ENTRY_ONE
    ;
static_assert(kEntryCount == 48);

inline constexpr const char* kEntryNames[kEntryCount] = {
#define RAVPROBE_ENTRY_NAME(name, signature) #name,
    RAVPROBE_ENTRY_LIST(RAVPROBE_ENTRY_NAME)
#undef RAVPROBE_ENTRY_NAME
};

// The pointer type of each entry, looked up by its id.
template <Entry id>
struct EntryType;
#define RAVPROBE_ENTRY_TYPE(name, signature)        \
  template <>                                       \
  struct EntryType<Entry::name> {                   \
    using type = std::add_pointer_t<signature>;     \
  };
RAVPROBE_ENTRY_LIST(RAVPROBE_ENTRY_TYPE)
#undef RAVPROBE_ENTRY_TYPE

constexpr const char* entryName(Entry id) { return kEntryNames[static_cast<std::size_t>(id)]; }

}  // namespace ravprobe
