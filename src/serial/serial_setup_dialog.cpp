#include "serial/serial_setup_dialog.h"

#include "runtime/window_fonts.h"
#include "serial/serial_port.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <array>
#include <memory>

namespace {

/// Client size and control geometry of the dialog, in pixels at 96 pixels per inch.
constexpr int clientWidth = 231;
constexpr int clientHeight = 216;
constexpr int comboLeft = 80;
constexpr int comboTop = 16;
constexpr int comboWidth = 129;
constexpr int comboHeight = 21;
constexpr int labelLeft = 8;
constexpr int labelTop = 24;
constexpr int rowStep = 24;
constexpr int rowCount = 6;
/// Room left between the group's frame line and the first list.
constexpr int gapBelowFrame = 2;

std::string readErrorText(const QString &componentName, const QString &propertyName,
                          const ESerialPort &inner)
{
    return QStringLiteral("Error reading %1%2%3: %4")
        .arg(componentName, QStringLiteral("."), propertyName, inner.message())
        .toStdString();
}

} // namespace

EReadError::EReadError(const QString &componentName, const QString &propertyName,
                       const ESerialPort &inner)
    : ESerialPort(inner.PortErrorCode(), inner.SystemErrorCode(),
                  readErrorText(componentName, propertyName, inner))
{ }

TSerialSetupFrm::TSerialSetupFrm(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("SerialSetupFrm"));
    setWindowTitle(QStringLiteral("Setup"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint);
    QFont smallFont = WindowFonts::msSansSerif();
    smallFont.setPixelSize(11);
    setFont(smallFont);
    setFixedSize(clientWidth, clientHeight);

    GroupBox1 = new QGroupBox(QStringLiteral(" Settings "), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(8, 8, 217, 169);
    // The group's caption stands above its frame line in this toolkit, not on it: the rows move
    // down below the line as far as the group has room for the last one.
    const QRect inside = GroupBox1->contentsRect();
    const int lastComboBottom = comboTop + (rowCount - 1) * rowStep + comboHeight;
    const int rowShift = std::clamp(inside.top() + gapBelowFrame - comboTop, 0,
                                    std::max(0, inside.bottom() + 1 - lastComboBottom));

    const std::array<QString, 6> captions = {
        QStringLiteral("Port"),      QStringLiteral("Baud rate"), QStringLiteral("Data bits"),
        QStringLiteral("Stop bits"), QStringLiteral("Parity"),    QStringLiteral("Flow control")};
    std::array<QLabel **, 6> labels = {&Label1, &Label2, &Label3, &Label4, &Label5, &Label6};
    std::array<TSerialComboBox **, 6> combos = {&Combo1, &Combo2, &Combo3,
                                                &Combo4, &Combo5, &Combo6};
    constexpr std::array<TSerialProperty, 6> kinds = {cpPort,     cpBaudRate, cpDataBits,
                                                      cpStopBits, cpParity,   cpFlowControl};
    for (int i = 0; i < rowCount; ++i) {
        QLabel *label = new QLabel(captions[std::size_t(i)], GroupBox1);
        label->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        label->move(labelLeft, labelTop + rowShift + i * rowStep);
        label->adjustSize();
        *labels[std::size_t(i)] = label;

        TSerialComboBox *combo = new TSerialComboBox(GroupBox1);
        const QString name = QStringLiteral("Combo%1").arg(i + 1);
        combo->setObjectName(name);
        combo->setGeometry(comboLeft, comboTop + rowShift + i * rowStep, comboWidth, comboHeight);
        try {
            combo->setSerialProperty(kinds[std::size_t(i)]);
        } catch (const ESerialPort &error) {
            throw EReadError(name, QStringLiteral("SerialProperty"), error);
        }
        *combos[std::size_t(i)] = combo;
    }
    // Tab order follows the rows, then the buttons.
    for (int i = 0; i + 1 < rowCount; ++i)
        setTabOrder(*combos[std::size_t(i)], *combos[std::size_t(i + 1)]);

    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(70, 184, 75, 25);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);

    Button2 = new QPushButton(QStringLiteral("Cancel"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(150, 184, 75, 25);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TSerialSetupFrm::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TCustomSerialPort::ShowPortSetup()
{
    const auto dialog = std::make_unique<TSerialSetupFrm>();
    const std::array<TSerialComboBox *, 6> combos = {dialog->Combo1, dialog->Combo2,
                                                     dialog->Combo3, dialog->Combo4,
                                                     dialog->Combo5, dialog->Combo6};
    for (TSerialComboBox *combo : combos)
        combo->setSerialPort(this);
    for (TSerialComboBox *combo : combos)
        combo->SelectCurrent();
    if (dialog->exec() != QDialog::Accepted)
        return;
    HoldSettings();
    try {
        for (TSerialComboBox *combo : combos)
            combo->ApplyPending();
    } catch (...) {
        // The hold ends even when applying failed; the first failure is the one reported.
        try {
            ReleaseSettings();
        } catch (...) { }
        throw;
    }
    ReleaseSettings();
}
