#pragma once

// The worked example exchanges E1-E15 of the NCP-over-TCP layouts (connection 5, task 1, reply buffer
// 1024): each request frame and its reply frame. Replies for E1, E2, E4, E9 and E10 are the worked
// examples' own; the others are built here from the reply layouts (E3: a 128-byte server information
// record; E5: object ID, type and padded name; E7: the fixed 32 + 32 byte extension record; E8: LE16
// length and 4 data bytes; the rest carry no data). wiresharkName is how tshark names the call in its Info
// column.
struct ExampleExchange {
    const char* name;
    const char* request;
    const char* reply;
    const char* wiresharkName;
};

inline constexpr ExampleExchange ExampleExchanges[] = {
    {"E1 create connection", "44 6D 64 54 00 00 00 17 00 00 00 01 00 00 04 00 11 11 00 FF 01 FF 00",
     "74 4E 63 50 00 00 00 10 33 33 00 05 01 00 00 00", "Create Connection Service"},
    {"E2 97 big packet size", "44 6D 64 54 00 00 00 1A 00 00 00 01 00 00 04 00 22 22 01 05 01 00 61 04 00 00",
     "74 4E 63 50 00 00 00 15 33 33 01 05 01 00 00 00 04 00 00 00 00", "Get Big Max Packet Size"},
    {"E3 23/17 server information",
     "44 6D 64 54 00 00 00 1A 00 00 00 01 00 00 04 00 22 22 02 05 01 00 17 00 01 11",
     "74 4E 63 50 00 00 00 90 33 33 02 05 01 00 00 00 45 58 41 4D 50 4C 45 00*41 04 0B 00 FA 00 05 00 40 00 "
     "02 01 "
     "00 05 01 00 01 00 01 00 00 00 00 00 04 00 0B 00 00 04 00 00*50",
     "Get File Server Information"},
    {"E4 23/23 login key", "44 6D 64 54 00 00 00 1A 00 00 00 01 00 00 04 00 22 22 03 05 01 00 17 00 01 17",
     "74 4E 63 50 00 00 00 18 33 33 03 05 01 00 00 00 3F B1 7E 62 FC 11 F8 6F", "Get Login Key"},
    {"E5 23/53 object ID",
     "44 6D 64 54 00 00 00 27 00 00 00 01 00 00 04 00 22 22 04 05 01 00 17 00 0E 35 00 01 0A 53 55 50 45 52 "
     "56 49 "
     "53 4F 52",
     "74 4E 63 50 00 00 00 46 33 33 04 05 01 00 00 00 05 00 00 26 00 01 53 55 50 45 52 56 49 53 4F 52 00*38",
     "Get Bindery Object: SUPERVISOR"},
    {"E6 23/24 keyed login",
     "44 6D 64 54 00 00 00 2F 00 00 00 01 00 00 04 00 22 22 05 05 01 00 17 00 16 18 97 78 D5 36 73 1D 29 74 "
     "00 01 "
     "0A 53 55 50 45 52 56 49 53 4F 52",
     "74 4E 63 50 00 00 00 10 33 33 05 05 01 00 00 00", "Keyed Object Login"},
    {"E7 36/02 extension by name",
     "44 6D 64 54 00 00 00 22 00 00 00 01 00 00 04 00 22 22 06 05 01 00 24 00 09 02 07 45 58 41 4D 50 4C 45",
     "74 4E 63 50 00 00 00 58 33 33 06 05 01 00 00 00 45 23 01 00 01 00 00 07 45 58 41 4D 50 4C 45 00*25 "
     "00*32",
     "Get NCP Extension Information by Name"},
    {"E8 37 execute extension",
     "44 6D 64 54 00 00 00 23 00 00 00 01 00 00 04 00 22 22 07 05 01 00 25 00 0A 45 23 01 00 00 02 01 02 03 "
     "04",
     "74 4E 63 50 00 00 00 16 33 33 07 05 01 00 00 00 04 00 0A 0B 0C 0D", "Execute NCP Extension"},
    {"E9 131/01 load NLM",
     "44 6D 64 54 00 00 00 45 00 00 00 01 00 00 04 00 22 22 08 05 01 00 83 00 2C 01 00*20 53 59 53 3A 53 59 "
     "53 54 "
     "45 4D 5C 45 58 41 4D 50 4C 45 2E 4E 4C 4D 00",
     "74 4E 63 50 00 00 00 14 33 33 08 05 01 00 00 00 00 00 00 00", "RPC Load NLM"},
    {"E10 87/01 open or create",
     "44 6D 64 54 00 00 00 44 00 00 00 01 00 00 04 00 22 22 09 05 01 00 57 01 00 0B 06 80 00 00 00 00 20 00 "
     "00 00 "
     "03 00 00 00 00 00 00 FF 03 03 53 59 53 06 53 59 53 54 45 4D 0B 45 58 41 4D 50 4C 45 2E 4E 4C 4D",
     "74 4E 63 50 00 00 00 16 33 33 09 05 01 00 00 00 34 12 00 00 02 00", "Open or Create"},
    {"E11 73 write",
     "44 6D 64 54 00 00 00 28 00 00 00 01 00 00 04 00 22 22 0A 05 01 00 49 00 35 12 34 12 00 00 00 00 00 00 "
     "00 04 "
     "01 02 03 04",
     "74 4E 63 50 00 00 00 10 33 33 0A 05 01 00 00 00", "Write to a File"},
    {"E12 66 close",
     "44 6D 64 54 00 00 00 1E 00 00 00 01 00 00 04 00 22 22 0B 05 01 00 42 00 35 12 34 12 00 00",
     "74 4E 63 50 00 00 00 10 33 33 0B 05 01 00 00 00", "Close File"},
    {"E13 87/07 modify DOS information",
     "44 6D 64 54 00 00 00 64 00 00 00 01 00 00 04 00 22 22 0C 05 01 00 57 07 00 00 06 80 00 03 00*14 B1 58 "
     "AF 6D "
     "00*27 FF 03 03 53 59 53 06 53 59 53 54 45 4D 0B 45 58 41 4D 50 4C 45 2E 4E 4C 4D",
     "74 4E 63 50 00 00 00 10 33 33 0C 05 01 00 00 00", "Modify DOS Information"},
    {"E14 25 logout", "44 6D 64 54 00 00 00 17 00 00 00 01 00 00 04 00 22 22 0D 05 01 00 19",
     "74 4E 63 50 00 00 00 10 33 33 0D 05 01 00 00 00", "Logout"},
    {"E15 destroy connection", "44 6D 64 54 00 00 00 17 00 00 00 01 00 00 04 00 55 55 0E 05 01 00 00",
     "74 4E 63 50 00 00 00 10 33 33 0E 05 01 00 00 00", "Destroy Connection Service"},
};
