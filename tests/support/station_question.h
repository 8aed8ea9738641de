#pragma once

// Answers the question that asks for a station ("StationDialog") as a user does at the keyboard,
// for the suites that drive the windows that ask it.
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <functional>

namespace StationQuestion {

/// Once the question is up, from whatever event loop runs then, hands it and its field of names
/// to `answer`; a question still open after it is cancelled, so that a test never hangs on it.
inline void whenAsked(std::function<void(QDialog *dialog, QComboBox *names)> answer)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog || dialog->objectName() != QLatin1String("StationDialog")
            || !dialog->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        answer(dialog, dialog->findChild<QComboBox *>(QStringLiteral("StationNames")));
        if (dialog->isVisible())
            dialog->reject();
    });
    timer->start();
}

/// Types `text` over what the field holds.
inline void type(QComboBox *names, const QString &text)
{
    names->lineEdit()->selectAll();
    QTest::keyClicks(names, text);
}

/// Enter where the user's key goes: to the list of names offered below the field while it is
/// shown, else to the field.
inline void pressEnter(QComboBox *names)
{
    QWidget *list = names->completer() ? names->completer()->popup() : nullptr;
    QTest::keyClick(list && list->isVisible() ? list : static_cast<QWidget *>(names),
                    Qt::Key_Return);
}

} // namespace StationQuestion
