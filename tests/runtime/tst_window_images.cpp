// Covers the choice of how windows' pictures reach an X server: over its socket unless the user
// chose otherwise, with 0 asking for shared memory back.
#include "runtime/window_images.h"

#include <QTest>

#include <optional>

class TestWindowImages : public QObject
{
    Q_OBJECT

private slots:
    void theUsersChoiceStandsAndZeroBringsSharedMemoryBack_data()
    {
        QTest::addColumn<std::optional<QByteArray>>("given");
        QTest::addColumn<std::optional<QByteArray>>("expected");
        QTest::newRow("not set: the socket") << std::optional<QByteArray>()
                                             << std::optional<QByteArray>("1");
        QTest::newRow("set: kept") << std::optional<QByteArray>("yes")
                                   << std::optional<QByteArray>("yes");
        QTest::newRow("0: shared memory") << std::optional<QByteArray>("0")
                                          << std::optional<QByteArray>();
    }

    void theUsersChoiceStandsAndZeroBringsSharedMemoryBack()
    {
        QFETCH(std::optional<QByteArray>, given);
        QFETCH(std::optional<QByteArray>, expected);
        const char *const name = "QT_XCB_NO_MITSHM";
        if (given)
            qputenv(name, *given);
        else
            qunsetenv(name);
        sendWindowImagesOverTheSocket();
        QCOMPARE(qEnvironmentVariableIsSet(name), expected.has_value());
        if (expected)
            QCOMPARE(qgetenv(name), *expected);
        qunsetenv(name);
    }
};

QTEST_GUILESS_MAIN(TestWindowImages)
#include "tst_window_images.moc"
