#include "NcpTestBytes.h"

#include "ncp/PasswordCipher.h"

#include <QTest>

using namespace Ncp;
using Bytes = std::vector<std::uint8_t>;

Q_DECLARE_METATYPE(Bytes)

namespace {

Bytes ToBytes(std::span<const std::uint8_t> bytes) {
    return Bytes(bytes.begin(), bytes.end());
}

} // namespace

class PasswordCipherTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cipher_data() {
        QTest::addColumn<QString>("password");
        QTest::addColumn<Bytes>("hash");
        QTest::addColumn<Bytes>("key");
        QTest::addColumn<Bytes>("response"); // to key, when there is one
        const Bytes hello = FromHex("a3 c2 a1 66 47 6a 77 4d 52 ed ba 3d d1 97 4b 56");
        const Bytes horse = FromHex("74 57 7f 98 07 90 06 f3 53 9a 8e 94 eb de e9 19");
        QTest::addRow("T1") << "HELLO123" << hello << Bytes{} << Bytes{};
        QTest::addRow("T1 lower case") << "hello123" << hello << Bytes{} << Bytes{};
        QTest::addRow("T2") << "HORSE BATTERY STABLE NETWARE" << horse << Bytes{} << Bytes{};
        QTest::addRow("T3") << "HORSE BATTERY STABLE NETWARE" << horse << FromHex("3f b1 7e 62 fc 11 f8 6f")
                            << FromHex("97 78 d5 36 73 1d 29 74");
        // The empty password leaves the folded block all zero (the reading PasswordCipher.cpp explains).
        QTest::addRow("T4 empty password")
            << "" << FromHex("ae be e3 ab 11 2a 9c 62 f6 77 7b b1 25 6b d6 9d") << Bytes{} << Bytes{};
    }
    // Object ID 0x05000026 throughout.
    void cipher() {
        QFETCH(QString, password);
        QFETCH(Bytes, hash);
        QFETCH(Bytes, key);
        QFETCH(Bytes, response);
        const PasswordHash computed = HashPassword(0x05000026, password.toStdString());
        QCOMPARE(ToBytes(computed), hash);
        if (key.empty())
            return;
        LoginKey loginKey{};
        std::copy(key.begin(), key.end(), loginKey.begin());
        QCOMPARE(ToBytes(LoginResponseFor(loginKey, computed)), response);
    }

    void serverCheck_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<std::uint32_t>("typedForId");
        QTest::addColumn<bool>("accepted");
        QTest::addRow("same password") << "acme"
                                       << "acme" << 0x05000026u << true;
        QTest::addRow("other case") << "acme"
                                    << "ACME" << 0x05000026u << true;
        QTest::addRow("wrong password") << "acme"
                                        << "acne" << 0x05000026u << false;
        QTest::addRow("hashed for another object") << "acme"
                                                   << "acme" << 0x05000027u << false;
        QTest::addRow("empty against set") << "acme"
                                           << "" << 0x05000026u << false;
        QTest::addRow("both empty") << ""
                                    << "" << 0x05000026u << true;
    }
    // A server keeps only the hash and accepts the response a client computed from the typed password.
    void serverCheck() {
        QFETCH(QString, stored);
        QFETCH(QString, typed);
        QFETCH(std::uint32_t, typedForId);
        QFETCH(bool, accepted);
        const LoginKey key = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};
        const LoginResponse expected = LoginResponseFor(key, HashPassword(0x05000026, stored.toStdString()));
        const LoginResponse sent = LoginResponseFor(key, HashPassword(typedForId, typed.toStdString()));
        QCOMPARE(SameResponse(expected, sent), accepted);
        for (std::size_t i = 0; i < sent.size(); ++i) { // every byte counts
            LoginResponse other = sent;
            other[i] ^= 0x01;
            QVERIFY(!SameResponse(expected, other));
        }
    }
};

QTEST_GUILESS_MAIN(PasswordCipherTest)
#include "PasswordCipherTest.moc"
