#include "windows/charts/chart_picture.h"

#include "data/text_export.h"
#include "runtime/in_out_error.h"
#include "windows/charts/chart_view.h"

#include <QBuffer>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>

#include <cerrno>

namespace ChartPicture {

namespace {

/// Screen pixels per inch of the layout the chart is drawn at in a PDF.
constexpr int layoutDpi = 96;

QByteArray pngBytes(ChartView &chart, int scale)
{
    QImage image(chart.size() * scale, QImage::Format_RGB32);
    image.fill(Qt::white);
    chart.renderChart(image, QRectF(QPointF(0, 0), QSizeF(image.size())), chart.size());
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        throw EInOutError::fromErrno(ENOMEM);
    return bytes;
}

QByteArray pdfBytes(ChartView &chart)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(layoutDpi);
        const QSizeF points = QSizeF(chart.size()) * 72.0 / layoutDpi;
        writer.setPageSize(QPageSize(points, QPageSize::Point, QString(), QPageSize::ExactMatch));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setTitle(chart.title());
        writer.setCreator(QStringLiteral("BRENTAVIUS4"));
        chart.renderChart(writer, QRectF(QPointF(0, 0), QSizeF(chart.size())), chart.size());
    }
    return bytes;
}

} // namespace

QString defaultFileName(const QString &title, const QString &startDate, Kind kind)
{
    static const QRegularExpression date(QStringLiteral("^(\\d\\d)/(\\d\\d)/(\\d{4})$"));
    static const QRegularExpression refused(QStringLiteral("[/\\\\:*?\"<>|]"));
    QString name = title.simplified();
    const QRegularExpressionMatch match = date.match(startDate);
    if (match.hasMatch())
        name += QStringLiteral(" %1-%2-%3").arg(match.captured(3), match.captured(2),
                                                match.captured(1));
    if (kind == Kind::Png2x)
        name += QStringLiteral(" x2");
    name.replace(refused, QStringLiteral("-"));
    return name + (kind == Kind::Pdf ? QStringLiteral(".pdf") : QStringLiteral(".png"));
}

void save(ChartView &chart, const QString &fileName, Kind kind)
{
    TextExport::writeFile(fileName, kind == Kind::Pdf ? pdfBytes(chart)
                                                      : pngBytes(chart, kind == Kind::Png2x ? 2 : 1));
}

} // namespace ChartPicture
