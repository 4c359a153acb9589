#include "netclient/ExtensionExchange.h"

#include <QTest>

using NetClient::ExtensionForm;

Q_DECLARE_METATYPE(ExtensionForm)

// Which form of function 37 a message goes in, by the connection's negotiated buffer: a request packet is
// 15 bytes before its data, a reply packet 10 bytes before its data.
class ExtensionFormTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void formFollowsTheNegotiatedBuffer_data() {
        QTest::addColumn<int>("bufferSize");
        QTest::addColumn<int>("requestSize");
        QTest::addColumn<int>("replyCapacity");
        QTest::addColumn<ExtensionForm>("form");
        QTest::newRow("console row read, 4096") << 4096 << 6 << 800 << ExtensionForm::Simple;
        QTest::newRow("console row read, 512") << 512 << 6 << 800 << ExtensionForm::Fragmented;
        QTest::newRow("reply fills 512") << 512 << 6 << 502 << ExtensionForm::Simple;
        QTest::newRow("reply one past 512") << 512 << 6 << 503 << ExtensionForm::Fragmented;
        QTest::newRow("request fills 512") << 512 << 497 << 0 << ExtensionForm::Simple;
        QTest::newRow("request one past 512") << 512 << 498 << 0 << ExtensionForm::Fragmented;
        QTest::newRow("reply fills 4096") << 4096 << 0 << 4086 << ExtensionForm::Simple;
        QTest::newRow("reply one past 4096") << 4096 << 0 << 4087 << ExtensionForm::Fragmented;
        QTest::newRow("large request, small reply") << 4096 << 3000 << 16 << ExtensionForm::Simple;
        QTest::newRow("request past 4096") << 4096 << 4082 << 16 << ExtensionForm::Fragmented;
        QTest::newRow("16384: reply of 16374") << 16384 << 6 << 16374 << ExtensionForm::Simple;
        QTest::newRow("largest reply word") << 16384 << 6 << 65535 << ExtensionForm::Fragmented;
    }
    void formFollowsTheNegotiatedBuffer() {
        QFETCH(int, bufferSize);
        QFETCH(int, requestSize);
        QFETCH(int, replyCapacity);
        QFETCH(ExtensionForm, form);
        QCOMPARE(NetClient::ChooseExtensionForm(static_cast<std::size_t>(bufferSize),
                                                static_cast<std::size_t>(requestSize),
                                                static_cast<std::size_t>(replyCapacity)),
                 form);
    }
};

QTEST_GUILESS_MAIN(ExtensionFormTest)
#include "ExtensionFormTest.moc"
