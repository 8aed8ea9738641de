// Covers that every instrument widget paints something at small and large sizes, enabled and
// disabled, and at a size too small to hold it, without a painter warning.
#include "widget_samples.h"

#include <QImage>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

namespace {

int colourCount(const QImage &image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            colours.insert(line[x]);
    }
    return int(colours.size());
}

} // namespace

class TestWidgetsRendering : public QObject
{
    Q_OBJECT

private slots:
    void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral(".*"))); }

    void everyWidgetPaints_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("enabled");
        const QList<WidgetSample> samples = widgetSamples();
        for (int i = 0; i < samples.size(); ++i) {
            const QByteArray name = samples.at(i).name.toUtf8();
            QTest::addRow("%s 100x100", name.constData()) << i << QSize(100, 100) << true;
            QTest::addRow("%s 400x400", name.constData()) << i << QSize(400, 400) << true;
            QTest::addRow("%s 400x60", name.constData()) << i << QSize(400, 60) << true;
            QTest::addRow("%s 100x100 disabled", name.constData()) << i << QSize(100, 100) << false;
        }
    }

    void everyWidgetPaints()
    {
        QFETCH(int, index);
        QFETCH(QSize, size);
        QFETCH(bool, enabled);
        const std::unique_ptr<QWidget> widget = widgetSamples().at(index).make();
        widget->setEnabled(enabled);
        widget->resize(size);
        const QImage image = widget->grab().toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(image.size(), size);
        QVERIFY2(colourCount(image) > 1, "the widget painted a single flat colour");
    }

    void everyWidgetSurvivesATinySize()
    {
        for (const WidgetSample &sample : widgetSamples()) {
            const std::unique_ptr<QWidget> widget = sample.make();
            widget->resize(3, 3);
            QVERIFY2(!widget->grab().isNull(), qPrintable(sample.name));
        }
    }

    void sizeHintsAreUsable()
    {
        for (const WidgetSample &sample : widgetSamples()) {
            const std::unique_ptr<QWidget> widget = sample.make();
            if (!widget->sizeHint().isValid())
                continue; // a background sizes itself by its children
            QVERIFY2(widget->minimumSizeHint().width() <= widget->sizeHint().width()
                         && widget->minimumSizeHint().height() <= widget->sizeHint().height(),
                     qPrintable(sample.name));
        }
    }
};

QTEST_MAIN(TestWidgetsRendering)
#include "tst_widgets_rendering.moc"
