#include "tools/ravel/ReturnCode.h"

#include "lib/Ravlib.h"

#include <cstdio>

namespace ravel {

namespace {

struct CodeText {
    std::int32_t code;
    std::string_view name;
    std::string_view meaning;
};

constexpr CodeText kCodes[] = {
    {MKY43_ER_OTHER, "MKY43_ER_OTHER", "a driver request failed, or the library could not do it"},
    {MKY43_ER_OK, "MKY43_ER_OK", "success"},
    {MKY43_ER_ALREADYOPEN, "MKY43_ER_ALREADYOPEN", "the board is open in this process already"},
    {MKY43_ER_NOTOPEN, "MKY43_ER_NOTOPEN", "the board is not open"},
    {MKY43_ER_INVALIDPARAM, "MKY43_ER_INVALIDPARAM", "an argument is out of range"},
    {MKY43_ER_OPENDEVICE, "MKY43_ER_OPENDEVICE", "no device for the board (is ravkernd running with it?)"},
    {MKY43_ER_CREATETHREAD, "MKY43_ER_CREATETHREAD", "the mail thread could not be made"},
    {MKY43_ER_CREATESEMAPH, "MKY43_ER_CREATESEMAPH", "a board semaphore could not be made"},
    {MKY43_ER_CREATEMAP, "MKY43_ER_CREATEMAP", "a shared mapping could not be made"},
    {MKY43_ER_CREATEMAIL, "MKY43_ER_CREATEMAIL", "mail could not be set up"},
    {MKY43_ER_CREATEEVENT, "MKY43_ER_CREATEEVENT", "the mail events could not be made"},
    {MKY43_ER_INICONFIG, "MKY43_ER_INICONFIG", "the configuration file is bad"},
    {MKY43_ER_ALREADYSTART, "MKY43_ER_ALREADYSTART", "communication runs already"},
    {MKY43_ER_NOTSTART, "MKY43_ER_NOTSTART", "communication is not started"},
    {MKY43_ER_ALREADYCONNECT, "MKY43_ER_ALREADYCONNECT", "connected already"},
    {MKY43_ER_CONNECT, "MKY43_ER_CONNECT", "the driver refused the connect request"},
    {MKY43_ER_UNCONNECT, "MKY43_ER_UNCONNECT", "the chip window is not mapped"},
    {MKY43_ER_NOTGMACCSES, "MKY43_ER_NOTGMACCSES", "no GM access"},
    {MKY43_ER_ALREADYMAILOPEN, "MKY43_ER_ALREADYMAILOPEN", "mail is open already, here or in another process"},
    {MKY43_ER_MAILNOTOPEN, "MKY43_ER_MAILNOTOPEN", "mail is not open"},
    {MKY43_ER_MAILSIZE, "MKY43_ER_MAILSIZE", "bad mail length"},
    {MKY43_ER_MAILSENDING, "MKY43_ER_MAILSENDING", "a send is still under way"},
    {MKY43_ER_MAILNOTRECEIVE, "MKY43_ER_MAILNOTRECEIVE", "no mail received"},
    {MKY43_ER_MAILSENDRESULT, "MKY43_ER_MAILSENDRESULT", "a send has finished"},
    {MKY43_ER_MAILRECEIVE, "MKY43_ER_MAILRECEIVE", "mail has arrived"},
    {MKY43_ER_MAILCLOSE, "MKY43_ER_MAILCLOSE", "mail was closed"},
    {MKY43_ER_DATASIZE, "MKY43_ER_DATASIZE", "bad data size"},
    {MKY43_ER_NOTSUPPORT, "MKY43_ER_NOTSUPPORT", "not supported"},
};

const CodeText* find(std::int32_t code) {
    for (const CodeText& entry : kCodes)
        if (entry.code == code)
            return &entry;
    return nullptr;
}

}  // namespace

std::string_view returnCodeName(std::int32_t code) {
    const CodeText* entry = find(code);
    return entry ? entry->name : std::string_view();
}

std::string_view returnCodeMeaning(std::int32_t code) {
    const CodeText* entry = find(code);
    return entry ? entry->meaning : std::string_view("unknown return code");
}

bool succeeded(std::int32_t code, std::string_view call) {
    if (code == MKY43_ER_OK)
        return true;
    std::string_view name = returnCodeName(code);
    std::string_view meaning = returnCodeMeaning(code);
    std::fprintf(stderr, "ravel: %.*s: %.*s (%d): %.*s\n", static_cast<int>(call.size()), call.data(),
                 static_cast<int>(name.size()), name.data(), code, static_cast<int>(meaning.size()), meaning.data());
    return false;
}

}  // namespace ravel
