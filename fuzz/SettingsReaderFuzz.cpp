// The settings file as another program may have left it: any bytes. Properties: no line holds a line break;
// the text written back reads as the same lines; a value is found without line breaks; storing the transfer
// path gives back exactly the path without the characters a line cannot hold, also after a trip through
// the bytes, leaves other values alone and adds at most a blank line, a heading and the key.

#include "FuzzSupport.h"

#include "util/SettingsProfile.h"

namespace {

const std::string Paths = "Paths";
const std::string TransferPath = "Transfer Path";

bool HasLineBreak(const std::string& text) {
    return text.find_first_of("\r\n") != std::string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Fuzz::Input input(data, size);
    const std::string value = input.Text();
    const auto rest = input.Rest();
    const std::string contents(rest.begin(), rest.end());

    NetUtil::ProfileText profile = NetUtil::ParseProfile(contents);
    for (const std::string& line : profile.lines)
        Fuzz::Require(!HasLineBreak(line), "a line holds no line break");
    Fuzz::Require(NetUtil::ParseProfile(NetUtil::RenderProfile(profile)).lines == profile.lines,
                  "the written text reads as the same lines");

    std::string stored;
    if (NetUtil::FindProfileValue(profile, Paths, TransferPath, stored))
        Fuzz::Require(!HasLineBreak(stored), "a value holds no line break");
    std::string otherBefore;
    const bool hadOther = NetUtil::FindProfileValue(profile, "Other", TransferPath, otherBefore);
    std::string sameSectionBefore;
    const bool hadSameSection = NetUtil::FindProfileValue(profile, Paths, "Other", sameSectionBefore);
    const std::size_t linesBefore = profile.lines.size();

    Fuzz::Require(NetUtil::SetProfileValue(profile, Paths, TransferPath, value),
                  "the transfer path is stored");
    const std::string expected = NetUtil::OnOneLine(value);
    std::string found;
    Fuzz::Require(NetUtil::FindProfileValue(profile, Paths, TransferPath, found) && found == expected,
                  "the stored path reads back");
    const NetUtil::ProfileText reread = NetUtil::ParseProfile(NetUtil::RenderProfile(profile));
    Fuzz::Require(NetUtil::FindProfileValue(reread, Paths, TransferPath, found) && found == expected,
                  "the stored path reads back from the file's bytes");
    Fuzz::Require(profile.lines.size() <= linesBefore + 3,
                  "at most a blank line, a heading and the key added");
    std::string after;
    Fuzz::Require(NetUtil::FindProfileValue(reread, "Other", TransferPath, after) == hadOther &&
                      (!hadOther || after == otherBefore),
                  "another section's value stays");
    Fuzz::Require(NetUtil::FindProfileValue(reread, Paths, "Other", after) == hadSameSection &&
                      (!hadSameSection || after == sameSectionBefore),
                  "another key's value stays");
    return 0;
}
