// Covers formatFloat: placeholders, rounding half away from zero, the sign of values that round
// to zero, grouping, literals around the number and values that are not finite.
#include "runtime/format_float.h"

#include <QTest>

#include <limits>

class TestFormatFloat : public QObject
{
    Q_OBJECT

private slots:
    void patterns_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");

        const auto row = [](const char *name, const char *pattern, double value, const char *text) {
            QTest::newRow(name) << QString::fromUtf8(pattern) << value << QString::fromUtf8(text);
        };
        row("one decimal", "#0.0", 23.5, "23,5");
        row("whole number gets its decimal", "#0.0", 5, "5,0");
        row("integer digits beyond placeholders", "#0.0", 123.45, "123,5");
        row("carry into a new digit", "#0.0", 99.96, "100,0");
        row("zero", "#0.0", 0, "0,0");
        row("negative", "#0.0", -23.45, "-23,5");
        row("negative half rounds away from zero", "#0.0", -0.05, "-0,1");
        row("negative rounding to zero has no sign", "#0.0", -0.04, "0,0");
        row("negative zero has no sign", "#0.0", -0.0, "0,0");
        row("tiny negative has no sign", "##00", -0.4, "00");
        row("two forced digits", "##00", 5, "05");
        row("four digits", "##00", 1234, "1234");
        row("forced digits of zero", "##00", 0, "00");
        row("integer rounding", "##00", 12.5, "13");
        row("negative forced digits", "##00", -3, "-03");
        row("battery level", "##0.0", 95.0, "95,0");
        row("humidity over a hundred", "##0.0", 104.3, "104,3");
        row("decimal written in binary below the half", "#0.00", 2.675, "2,68");
        row("another such decimal", "#0.00", 1.005, "1,01");
        row("single-precision value", "#0.00", double(0.1f), "0,10");
        row("scale start just above zero", "##0", 0.000001, "0");
        row("negative scale label", "##0", -10, "-10");
        row("PAR", "#00", 7, "07");
        row("no forced integer digit", "#.##", 0.5, ",5");
        row("optional decimals dropped", "#0.##", 2.0, "2");
        row("optional decimal kept", "#0.0#", 1.25, "1,25");
        row("optional decimal trimmed", "#0.0#", 1.2, "1,2");
        row("nothing to show still shows zero", "#", 0.2, "0");
        row("thousands grouping", "#,##0.0", 1234567.89, "1.234.567,9");
        row("grouping of a short number", "#,##0", 999, "999");
        row("literals around the number", "#0.0 %", 50, "50,0 %");
        row("very large value", "##00", 1e20, "100000000000000000000");
        row("empty pattern gives the general format", "", 123.625, "123,625");
        row("not a number", "#0.0", std::numeric_limits<double>::quiet_NaN(), "NAN");
        row("infinity", "#0.0", std::numeric_limits<double>::infinity(), "INF");
        row("negative infinity", "#0.0", -std::numeric_limits<double>::infinity(), "-INF");
    }

    void patterns()
    {
        QFETCH(QString, pattern);
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(formatFloat(pattern, value), expected);
    }
};

QTEST_APPLESS_MAIN(TestFormatFloat)
#include "tst_format_float.moc"
