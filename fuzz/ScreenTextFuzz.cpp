// A screen's text as the Server Screen page shows it: five replies of 800 bytes (five rows of 80 two-byte
// cells each), decoded row by row from code page 437 and joined into 25 lines. Properties: 25 lines of
// exactly 80 characters; no character that a text field breaks a line at or cannot show (line breaks, zero,
// lone surrogates); every cell byte maps back to itself when typed (zero shows as a blank).

#include "FuzzSupport.h"

#include "console/CodePage437.h"
#include "console/ConsoleRequests.h"

#include <QStringList>

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Fuzz::Input input(data, size);
    QStringList lines;
    for (std::size_t block = 0; block < NCP_Ext::ScreenRows / NCP_Ext::RowsPerRead; ++block) {
        NCP_Ext::ScreenRowsBuffer rows{};
        const auto reply = input.Take(rows.size());
        std::copy(reply.begin(), reply.end(), rows.begin());
        for (std::size_t row = 0; row < NCP_Ext::RowsPerRead; ++row) {
            const std::uint8_t* cells = rows.data() + row * NCP_Ext::BytesPerRow;
            lines << CodePage437::DecodeRow(cells);
            for (std::size_t column = 0; column < NCP_Ext::ScreenColumns; ++column) {
                const std::uint8_t byte = cells[column * NCP_Ext::BytesPerCell];
                const auto typed = CodePage437::FromUnicode(CodePage437::ToUnicode(byte));
                Fuzz::Require(typed.has_value() && *typed == (byte == 0 ? 0x20 : byte),
                              "a cell's character types back to its byte");
            }
        }
    }
    const QString text = lines.join(QLatin1Char('\n'));
    Fuzz::Require(lines.size() == static_cast<qsizetype>(NCP_Ext::ScreenRows), "25 lines");
    for (const QString& line : lines) {
        Fuzz::Require(line.size() == static_cast<qsizetype>(NCP_Ext::ScreenColumns), "80 characters a line");
        for (const QChar character : line) {
            const char16_t code = character.unicode();
            Fuzz::Require(code != u'\n' && code != u'\r' && code != u'\v' && code != u'\f' && code != 0x85 &&
                              code != 0x2028 && code != 0x2029 && code != 0,
                          "no line break or zero inside a line");
            Fuzz::Require(!character.isSurrogate(), "no lone surrogate");
        }
    }
    Fuzz::Require(text.count(QLatin1Char('\n')) == static_cast<qsizetype>(NCP_Ext::ScreenRows - 1),
                  "the lines break only between rows");
    return 0;
}
