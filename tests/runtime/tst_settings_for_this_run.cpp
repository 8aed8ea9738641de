// Covers that the toolkit's own settings (the file dialog's history and last folder) stay out
// of the user's configuration: the program keeps nothing between runs.
#include "runtime/settings_for_this_run.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

namespace {

/// Every file under the folder, as paths relative to it.
QStringList filesUnder(const QString &folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(QDir(folder).relativeFilePath(it.next()));
    return files;
}

} // namespace

class TestSettingsForThisRun : public QObject
{
    Q_OBJECT

public:
    explicit TestSettingsForThisRun(QString home)
        : m_home(std::move(home))
    { }

private slots:
    void aSaveDialogLeavesNothingInTheUsersConfiguration()
    {
        keepToolkitSettingsForThisRun();
        const QString saved = QDir(m_home).filePath(QStringLiteral("datos.txt"));
        {
            // As the data window uses it: the toolkit's own dialog, the user's choice accepted.
            QFileDialog dialog;
            dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setDirectory(m_home);
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            auto *fileName = dialog.findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            QVERIFY(fileName);
            QTest::keyClicks(fileName, QStringLiteral("datos.txt"));
            QTest::keyClick(fileName, Qt::Key_Return);
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(dialog.selectedFiles(), QStringList {saved});
        } // the dialog writes its settings as it goes
        QCOMPARE(filesUnder(m_home), QStringList());
    }

private:
    QString m_home;
};

int main(int argc, char **argv)
{
    // A home and configuration folder of the test's own, set before anything reads them.
    QTemporaryDir home;
    if (!home.isValid())
        return 1;
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral(".config"))));
    QApplication app(argc, argv);
    TestSettingsForThisRun test(home.path());
    return QTest::qExec(&test, argc, argv);
}

#include "tst_settings_for_this_run.moc"
