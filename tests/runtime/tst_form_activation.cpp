// Covers when a window's activation handler runs: on showing, on switching back from another
// window, and not when a modal window or message box over it closes.
#include "runtime/form.h"

#include <QMessageBox>
#include <QTest>
#include <QTimer>

namespace {

class CountingForm : public Form
{
public:
    int activations = 0;
    std::function<void()> onActivate;

protected:
    void FormActivate() override
    {
        ++activations;
        if (onActivate)
            onActivate();
    }
};

/// Closes the next modal window that appears, once the event loop runs it.
void closeNextModal()
{
    QTimer::singleShot(0, [] {
        QTRY_VERIFY(QApplication::activeModalWidget()
                    && QApplication::activeModalWidget()->isActiveWindow());
        QApplication::activeModalWidget()->close();
    });
}

/// Gives the window the activation back, as a window manager does when a window over it closes
/// or the user returns to it (the offscreen platform has none).
bool reactivate(QWidget &window)
{
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

} // namespace

class TestFormActivation : public QObject
{
    Q_OBJECT

private slots:
    void showingActivatesOnce()
    {
        CountingForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTRY_COMPARE(form.activations, 1);
    }

    void closingAModalWindowOverItDoesNotActivateAgain()
    {
        CountingForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTRY_COMPARE(form.activations, 1);

        closeNextModal();
        QMessageBox::information(&form, QStringLiteral("t"), QStringLiteral("message"));
        QVERIFY(reactivate(form));

        CountingForm modal;
        closeNextModal();
        modal.showModal();
        QVERIFY(reactivate(form));
        QTest::qWait(50);
        QCOMPARE(form.activations, 1);
        QCOMPARE(modal.activations, 1);
    }

    void aModalDialogShownFromTheActivationHandlerDoesNotLoop()
    {
        // The main window shows its port setup dialog from its activation handler: closing the
        // dialog must not run the handler (and the dialog) again.
        CountingForm form;
        form.onActivate = [&] {
            closeNextModal();
            QMessageBox::information(&form, QStringLiteral("t"), QStringLiteral("setup"));
        };
        form.show();
        QTRY_COMPARE(form.activations, 1);
        QVERIFY(reactivate(form));
        QTest::qWait(50);
        QCOMPARE(form.activations, 1);
    }

    void switchingBackFromAnotherWindowActivatesAgain()
    {
        CountingForm form;
        CountingForm other;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTRY_COMPARE(form.activations, 2);

        // Closing a window that was not modal gives the activation back as a new one.
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        other.close();
        form.activateWindow();
        QTRY_COMPARE(form.activations, 3);
    }

    void returningFromAnotherProgramIsNotAnActivation()
    {
        CountingForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTRY_COMPARE(form.activations, 1);
        QApplication::setActiveWindow(nullptr); // the user goes to another program
        QTRY_VERIFY(!form.isActiveWindow());
        QVERIFY(reactivate(form));
        QTest::qWait(50);
        QCOMPARE(form.activations, 1);
    }

    void aModalWindowIsActivatedOncePerShowing()
    {
        CountingForm form;
        CountingForm modal;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        for (int showing = 1; showing <= 2; ++showing) {
            closeNextModal();
            modal.showModal();
            QVERIFY(reactivate(form));
            QCOMPARE(modal.activations, showing);
        }
        QCOMPARE(form.activations, 1);
    }

    void escapeDoesNotCloseAWindow()
    {
        CountingForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTest::keyClick(&form, Qt::Key_Escape);
        QVERIFY(form.isVisible());
    }
};

int runFormActivationTests(int argc, char **argv)
{
    TestFormActivation test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_form_activation.moc"
