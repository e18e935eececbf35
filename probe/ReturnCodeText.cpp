#include "ReturnCodeText.h"

namespace ravprobe {

QString ReturnCodeText(int code) {
    // Indexed by code + 1, from -1 to 26; 13 has no entry.
    static const char* const kTexts[] = {
        "MKY43_ER_OTHER\t\t\t",     "MKY43_ER_OK\t\t\t",        "MKY43_ER_ALREADYOPEN\t",
        "MKY43_ER_NOTOPEN\t\t",     "MKY43_ER_INVALIDPARAM\t",  "MKY43_ER_OPENDEVICE\t",
        "MKY43_ER_CREATETHREAD\t",  "MKY43_ER_CREATESEMAPH\t",  "MKY43_ER_CREATEMAP\t\t",
        "MKY43_ER_CREATEMAIL\t",    "MKY43_ER_CREATEEVENT\t",   "MKY43_ER_INICONFIG\t\t",
        "MKY43_ER_ALREADYSTART\t",  "MKY43_ER_NOTSTART\t\t",    "",
        "MKY43_ER_ALREADYCONNECT",  "MKY43_ER_CONNECT\t\t",     "MKY43_ER_UNCONNECT\t\t",
        "MKY43_ER_NOTGMACCSES  \t", "MKY43_ER_ALREADYMAILOPEN", "MKY43_ER_MAILNOTOPEN\t",
        "MKY43_ER_MAILSIZE  \t",    "MKY43_ER_MAILSENDING  \t", "MKY43_ER_MAILNOTRECEIVE",
        "MKY43_ER_MAILSENDRESULT",  "MKY43_ER_MAILRECEIVE  \t", "MKY43_ER_MAILCLOSE  \t",
        "MKY43_ER_DATASIZE      ",
    };
    constexpr int kFirst = -1;
    constexpr int kLast = 26;
    static_assert(sizeof(kTexts) / sizeof(kTexts[0]) == kLast - kFirst + 1);
    if (code < kFirst || code > kLast)
        return QString();
    return QString::fromLatin1(kTexts[code - kFirst]);
}

}  // namespace ravprobe
