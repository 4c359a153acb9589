#include "netclient/LocaleUpperCase.h"

namespace NetClient {

char* UpperCaseLatin1(char* text) {
    if (text == nullptr)
        return text;
    for (char* c = text; *c != '\0'; ++c) {
        const auto code = static_cast<unsigned char>(*c);
        const bool lowerAscii = code >= 'a' && code <= 'z';
        const bool lowerLatin1 = code >= 0xE0 && code <= 0xFE && code != 0xF7;
        if (lowerAscii || lowerLatin1)
            *c = static_cast<char>(code - 0x20);
    }
    return text;
}

} // namespace NetClient
