#include "windows/about_window.h"

#include "runtime/centre_on_desktop.h"
#include "runtime/error_report.h"
#include "runtime/window_fonts.h"
#include "windows/maker.h"
#include "windows/program_icon.h"

#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace {

/// The web address in capitals with a space between its characters.
QString spacedCapitals(const QString &text)
{
    QString spaced;
    for (const QChar c : text.toUpper()) {
        if (!spaced.isEmpty())
            spaced += QLatin1Char(' ');
        spaced += c;
    }
    return spaced;
}

/// A label at its given place, grown as far as its text needs in the face it gets here.
QLabel *makeLabel(QWidget *parent, const char *name, const QString &text, const QRect &geometry)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(QRect(geometry.topLeft(), geometry.size().expandedTo(label->sizeHint())));
    return label;
}

void setTextColour(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

} // namespace

TForm2::TForm2(ProgramWindows &windows, QWidget *parent)
    : Form(parent)
    , m_windows(windows)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("ACERCA DE ") + Maker::name.toUpper());
    setFixedSize(301, 233);
    setFont(WindowFonts::msSansSerif());

    // The places below suit an inner area a frame's width smaller than this window: the
    // panel and the button keep them relative to each other and stand centred as a block.
    const QPoint origin(6, 12);
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(QRect(origin + QPoint(4, 2), QSize(281, 161)));
    // A lowered outer and a raised inner bevel: a groove round the panel.
    Panel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Panel1->setLineWidth(1);
    Panel1->setMidLineWidth(0);

    ProgramIcon = makeLabel(Panel1, "ProgramIcon", {}, {8, 8, 65, 57});
    ProgramIcon->setPixmap(programPicture(ProgramIcon->size()));

    ProductName =
        makeLabel(Panel1, "ProductName", QStringLiteral("Soft de comunicación con loggers de la "),
                  {83, 16, 190, 13});
    Label4 = makeLabel(Panel1, "Label4", QStringLiteral("línea vorbentrix."), {83, 28, 83, 13});
    Version = makeLabel(Panel1, "Version", QStringLiteral("Version 3.2"), {83, 44, 53, 13});
    Label1 = makeLabel(Panel1, "Label1", QStringLiteral("Desarrollado por "), {112, 64, 80, 13});

    // The spaced address is wider than the panel on some faces: it keeps its face and shrinks
    // just enough to stay whole inside the panel.
    const QRect addressBox(4, 84, 273, 18);
    Label2 = makeLabel(Panel1, "Label2", spacedCapitals(Maker::webAddress), addressBox);
    QFont addressFont = WindowFonts::font(QStringLiteral("Arial"), 12, true);
    addressFont.setItalic(true);
    addressFont.setUnderline(true);
    for (qreal size = 12; size > 6; size -= 0.5) {
        addressFont.setPointSizeF(size);
        if (QFontMetrics(addressFont).horizontalAdvance(Label2->text()) <= addressBox.width())
            break;
    }
    Label2->setFont(addressFont);
    Label2->setAlignment(Qt::AlignCenter);
    setTextColour(Label2, Qt::red);

    Comments = makeLabel(Panel1, "Comments", QString(), {8, 104, 3, 13});
    Comments->setWordWrap(true);
    Copyright =
        makeLabel(Panel1, "Copyright", QStringLiteral("Copyright © 2006-2012 ") + Maker::name,
                  {4, 112, 273, 13});
    Copyright->setAlignment(Qt::AlignCenter);

    Label3 = makeLabel(Panel1, "Label3", Maker::webAddress.toLower(), {4, 132, 273, 13});
    QFont linkFont = WindowFonts::font(QStringLiteral("Arial"), 8, true);
    linkFont.setItalic(true);
    Label3->setFont(linkFont);
    Label3->setAlignment(Qt::AlignCenter);
    setTextColour(Label3, QColor(0x80, 0x00, 0x80));

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(QRect(origin + QPoint(108, 168), QSize(75, 25)));
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this,
            [this] { ErrorReport::guard([this] { OKButtonClick(); }); });
}

void TForm2::showEvent(QShowEvent *event)
{
    centreOnDesktop(this);
    Form::showEvent(event);
}

void TForm2::OKButtonClick()
{
    accept();
}
