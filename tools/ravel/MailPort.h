// Mail of one board, open for the length of a command: sends that wait for
// the chip to finish them, and arrived mail taken by polling the mail
// status, so that Ctrl-C ends every wait.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace ravel {

struct ArrivedMail {
    int source = 0;
    std::vector<std::uint8_t> data;  // the received units, 8 bytes each
};

enum class SendOutcome { Delivered, Refused, TimedOut, Stopped, Failed };

class MailPort {
public:
    explicit MailPort(int board) : board_(board) {}
    ~MailPort();
    MailPort(const MailPort&) = delete;
    MailPort& operator=(const MailPort&) = delete;

    // Prints the failing call's return code and answers false.
    bool open();
    // The same without a word: the return code.
    std::int32_t tryOpen();
    // Sends `bytes` (2..256, even) and waits until the chip has finished
    // the send. Refused: the chip's mail error bits, explained in `why`.
    SendOutcome send(int station, std::span<const std::uint8_t> bytes, std::chrono::milliseconds limit,
                     std::string& why);
    // A mail that has arrived, if one has; `failed` set when a call failed.
    std::optional<ArrivedMail> take(bool& failed);

private:
    bool readReceiveControls(std::uint16_t (&controls)[2]) const;

    int board_;
    bool open_ = false;
};

}  // namespace ravel
