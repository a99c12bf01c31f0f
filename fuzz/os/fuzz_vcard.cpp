// Feeds arbitrary bytes as the vCard of an address-book card and takes its
// mobile number. The number is the value of one line: it never holds a line
// break, and a card without a telephone entry has none. A crash, a hang or
// another answer is a finding.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/os/MailContacts.h"

namespace {

bool HoldsIgnoringCase(std::string_view Text, std::string_view Word) {
    for (std::size_t i = 0; i + Word.size() <= Text.size(); ++i) {
        std::size_t j = 0;
        while (j < Word.size() && (Text[i + j] | 0x20) == Word[j]) ++j;
        if (j == Word.size()) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view card(reinterpret_cast<const char*>(data), size);
    const std::string number = VCardMobileNumber(card);
    if (number.find('\n') != std::string::npos) std::abort();
    // A folded line continues after its break and a blank, so the words are
    // looked for without either.
    std::string unfolded(card);
    std::erase_if(unfolded, [](char c) { return c == '\r' || c == '\n' || c == ' ' || c == '\t' || c == '='; });
    if (!number.empty() && !(HoldsIgnoringCase(unfolded, "tel") && HoldsIgnoringCase(unfolded, "cell"))) std::abort();
    return 0;
}
