#include "windows/status_line.h"

#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QSizePolicy>

namespace {

QString firstLine(const QString &text)
{
    return text.section(u'\n', 0, 0);
}

} // namespace

StatusLine::StatusLine(QWidget *parent)
    : QLabel(parent)
    , DetailsButton(new QPushButton(QStringLiteral("Detalles…"), parent))
{
    setWordWrap(false);
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    setFixedHeight(sizeHint().height());
    DetailsButton->setObjectName(QStringLiteral("DetailsButton"));
    DetailsButton->setAutoDefault(false);
    // The button keeps its room when hidden: the line never changes height nor the row width.
    QSizePolicy kept = DetailsButton->sizePolicy();
    kept.setRetainSizeWhenHidden(true);
    DetailsButton->setSizePolicy(kept);
    DetailsButton->hide();
    connect(DetailsButton, &QPushButton::clicked, this, &StatusLine::showDetails);
}

void StatusLine::say(const QString &text)
{
    setText(text);
    setToolTip(text);
    updateDetails();
    update();
}

void StatusLine::showDetails()
{
    auto *box = new QMessageBox(QMessageBox::Information, window()->windowTitle(), text(),
                                QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("DetailsBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse);
    box->open();
}

QSize StatusLine::sizeHint() const
{
    const int margins = contentsMargins().top() + contentsMargins().bottom();
    return {fontMetrics().averageCharWidth() * 20, fontMetrics().height() + 4 + margins};
}

QSize StatusLine::minimumSizeHint() const
{
    return {0, sizeHint().height()};
}

void StatusLine::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    drawFrame(&painter);
    const QRect area = contentsRect().adjusted(2, 0, -2, 0);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
                     fontMetrics().elidedText(firstLine(text()), Qt::ElideRight, area.width()));
}

void StatusLine::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    updateDetails();
}

void StatusLine::updateDetails()
{
    const QString &all = text();
    const bool cut = all.contains(u'\n')
        || fontMetrics().horizontalAdvance(all) > contentsRect().width() - 4;
    DetailsButton->setVisible(cut);
}
