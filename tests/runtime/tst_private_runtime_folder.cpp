// Covers the runtime folder the program makes for itself when the environment names none: Qt
// takes it without a word, no one else may enter it, and it is gone at exit; a folder the
// environment names is left alone.
#include "runtime/private_runtime_folder.h"

#include <QFile>
#include <QStandardPaths>
#include <QTest>

#include <cstdlib>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QStringList toolkitWarnings;

void keepWarning(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtWarningMsg)
        toolkitWarnings.append(message);
}

} // namespace

class TestPrivateRuntimeFolder : public QObject
{
    Q_OBJECT

private slots:
    void withoutOneNamedTheProgramHasItsOwnUntilExit()
    {
        qunsetenv("XDG_RUNTIME_DIR");
        QString path;
        {
            const PrivateRuntimeFolder folder;
            path = QFile::decodeName(folder.path());
            QVERIFY(path.startsWith(QStringLiteral("/tmp/")));
            QCOMPARE(qgetenv("XDG_RUNTIME_DIR"), folder.path());
            struct stat info
            {
            };
            QCOMPARE(::lstat(folder.path().constData(), &info), 0);
            QVERIFY(S_ISDIR(info.st_mode));
            QCOMPARE(info.st_mode & 07777, mode_t(0700));
            QCOMPARE(info.st_uid, ::getuid());

            toolkitWarnings.clear();
            const QtMessageHandler before = qInstallMessageHandler(keepWarning);
            const QString runtime =
                QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
            qInstallMessageHandler(before);
            QCOMPARE(runtime, path);
            QCOMPARE(toolkitWarnings, QStringList());
            QFile left(path + QStringLiteral("/left-behind"));
            QVERIFY(left.open(QIODevice::WriteOnly));
        }
        QVERIFY(!QFile::exists(path));
        QVERIFY(qgetenv("XDG_RUNTIME_DIR").isEmpty());
    }

    void oneNamedIsLeftAlone()
    {
        const QByteArray named = QByteArrayLiteral("/run/user/named-by-the-session");
        qputenv("XDG_RUNTIME_DIR", named);
        {
            const PrivateRuntimeFolder folder;
            QVERIFY(folder.path().isEmpty());
            QCOMPARE(qgetenv("XDG_RUNTIME_DIR"), named);
        }
        QCOMPARE(qgetenv("XDG_RUNTIME_DIR"), named);
        qunsetenv("XDG_RUNTIME_DIR");
    }
};

QTEST_GUILESS_MAIN(TestPrivateRuntimeFolder)
#include "tst_private_runtime_folder.moc"
