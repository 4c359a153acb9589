#pragma once

// The client's locale upper-casing, done on the workstation as NetWare's client does: ASCII and Latin-1
// letters (a..z, à..þ) become their capitals; ÷, ß and ÿ have none and stay.
namespace NetClient {

// Upper-cases zero-terminated text in place and returns it (null stays null).
char* UpperCaseLatin1(char* text);

} // namespace NetClient
