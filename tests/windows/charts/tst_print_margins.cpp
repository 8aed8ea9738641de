// Covers the arithmetic of printing a chart: rounding, proportional margins, the margin-box
// rule, the paper and margin rectangles, the print rectangle, the detail size, the hit test and
// the drag limits. The dialog and the page that use it are covered in tst_print_preview.
#include "windows/charts/print_margins.h"

#include <QTest>

using namespace PrintMarginMath;

Q_DECLARE_METATYPE(PrintMargins)
Q_DECLARE_METATYPE(MarginPart)

class TestPrintMargins : public QObject
{
    Q_OBJECT

private slots:
    void roundingTakesHalvesToEvenOrAwayFromZero()
    {
        QCOMPARE(roundHalfEven(2.5), 2);
        QCOMPARE(roundHalfEven(3.5), 4);
        QCOMPARE(roundHalfEven(-2.5), -2);
        QCOMPARE(mulDivRound(5, 1, 2), 3);
        QCOMPARE(mulDivRound(-5, 1, 2), -3);
        QCOMPARE(mulDivRound(7, 1, -2), -4);
        // The product is exact beyond the range of int.
        QCOMPARE(mulDivRound(2'000'000'000, 3, 4), 1'500'000'000);
        QCOMPARE(mulDivRound(1, 2, 0), 0);
    }

    void proportionalMargins_data()
    {
        QTest::addColumn<QSize>("chart");
        QTest::addColumn<QSize>("page");
        QTest::addColumn<PrintMargins>("expected");
        // A4 landscape, 842 × 595 points: R(100 − 30 × 842 ÷ 595) = R(57.55) = 58, halved 29.
        QTest::newRow("wide chart, A4 landscape")
            << QSize(600, 300) << QSize(842, 595) << PrintMargins {15, 29, 15, 29};
        // A square chart on A4 portrait: R(100 − 60 × 842 ÷ 595) = R(15.09) = 15, halved 7.
        QTest::newRow("square chart, A4 portrait")
            << QSize(300, 300) << QSize(595, 842) << PrintMargins {7, 15, 7, 15};
        // A strip of paper: the chart's shape would need a negative margin.
        QTest::newRow("very wide paper")
            << QSize(400, 300) << QSize(3000, 500) << PrintMargins {15, 0, 15, 0};
        QTest::newRow("very long paper")
            << QSize(300, 400) << QSize(500, 3000) << PrintMargins {0, 15, 0, 15};
        QTest::newRow("chart not laid out") << QSize(0, 0) << QSize(842, 595) << PrintMargins {};
    }

    void proportionalMargins()
    {
        QFETCH(QSize, chart);
        QFETCH(QSize, page);
        QFETCH(PrintMargins, expected);
        QCOMPARE(PrintMarginMath::proportionalMargins(chart, page, 300, 300), expected);
    }

    void opposingMarginsMustLeaveRoom()
    {
        QVERIFY(marginFits(59, 40));
        QVERIFY(!marginFits(60, 40));
        QVERIFY(!marginFits(100, 0));
    }

    void thePaperTakesThePagesShapeInsideTheClientArea()
    {
        // Wider client than the paper: a tenth above, height less a fifth, centred across;
        // 240 × 842 ÷ 595 = 339.6 → 340 wide.
        QCOMPARE(paperBox(QSize(600, 300), QSize(842, 595)), (PixelBox {130, 30, 470, 270}));
        // Narrower client: a tenth at the left, width less a fifth, centred down; the dialog's
        // page on A4 landscape: 351 × 595 ÷ 842 = 248.03 → 248 high.
        QCOMPARE(paperBox(QSize(439, 345), QSize(842, 595)), (PixelBox {44, 48, 395, 296}));
        // A page of no height fills the client's width.
        QCOMPARE(paperBox(QSize(200, 100), QSize(0, 0)).width(), 200 - 40);
    }

    void theMarginsRoundTripThroughTheMarginRectangle()
    {
        const PixelBox paper {10, 20, 410, 220};
        const PrintMargins margins {15, 10, 25, 5};
        const PixelBox margin = marginBox(paper, margins);
        QCOMPARE(margin, (PixelBox {70, 40, 310, 210}));
        QCOMPARE(marginsOf(paper, margin), margins);
        // A pixel off rounds to the nearest whole percent: 62 of 400 is 15.5, away from zero 16.
        QCOMPARE(marginsOf(paper, PixelBox {72, 40, 310, 210}).left, 16);
    }

    void thePrintRectangleAndTheDetailSize()
    {
        // 15 % of 1001 is 150.15 → 150; 15 % of 50 is 7.5 → 8 and 13 % is 6.5 → 6 (half to
        // even).
        QCOMPARE(printBox(QSize(1001, 50), PrintMargins {15, 15, 15, 13}),
                 (PixelBox {150, 8, 851, 44}));
        QCOMPARE(detailLayoutSize(QSize(706, 246), 0), QSize(706, 246));
        QCOMPARE(detailLayoutSize(QSize(706, 246), -100), QSize(1412, 492));
        // 349 × −5 ÷ 100 = −17.45 → −17; 250 × −5 ÷ 100 = −12.5 → −13 (away from zero).
        QCOMPARE(detailLayoutSize(QSize(349, 250), -5), QSize(366, 263));
    }

    void hitTest_data()
    {
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<bool>("canMove");
        QTest::addColumn<MarginPart>("part");
        QTest::newRow("left edge, 4 px off") << QPoint(96, 150) << true << MarginPart::Left;
        QTest::newRow("left edge line, below the rectangle")
            << QPoint(100, 290) << true << MarginPart::Left;
        QTest::newRow("5 px off the left edge") << QPoint(95, 150) << true << MarginPart::None;
        QTest::newRow("top edge") << QPoint(200, 103) << true << MarginPart::Top;
        QTest::newRow("right edge") << QPoint(304, 150) << true << MarginPart::Right;
        QTest::newRow("bottom edge") << QPoint(200, 198) << true << MarginPart::Bottom;
        QTest::newRow("inside") << QPoint(200, 150) << true << MarginPart::Inside;
        QTest::newRow("inside, no moving") << QPoint(200, 150) << false << MarginPart::None;
        QTest::newRow("top-left") << QPoint(101, 99) << true << MarginPart::TopLeft;
        QTest::newRow("top-right") << QPoint(300, 100) << true << MarginPart::TopRight;
        QTest::newRow("bottom-left") << QPoint(100, 200) << true << MarginPart::BottomLeft;
        QTest::newRow("bottom-right") << QPoint(302, 203) << true << MarginPart::BottomRight;
        QTest::newRow("off the paper") << QPoint(100, 300) << true << MarginPart::None;
    }

    void hitTest()
    {
        QFETCH(QPoint, at);
        QFETCH(bool, canMove);
        QFETCH(MarginPart, part);
        const PixelBox paper {50, 50, 350, 300};
        const PixelBox margin {100, 100, 300, 200};
        QCOMPARE(PrintMarginMath::hitTest(paper, margin, at, canMove), part);
    }

    void edgesAndCornersStayBetweenThePaperAndTheOppositeEdge()
    {
        const PixelBox paper {50, 50, 350, 300};
        const PixelBox margin {100, 100, 300, 200};
        const auto drag = [&](MarginPart part, QPoint at) {
            return dragMargin(paper, margin, {part, {}, margin}, at);
        };
        QCOMPARE(drag(MarginPart::Left, {50, 0}).left, 50);
        QCOMPARE(drag(MarginPart::Left, {299, 0}).left, 299);
        QCOMPARE(drag(MarginPart::Left, {300, 0}), margin);
        QCOMPARE(drag(MarginPart::Right, {350, 0}).right, 350);
        QCOMPARE(drag(MarginPart::Right, {100, 0}), margin);
        QCOMPARE(drag(MarginPart::Bottom, {0, 101}).bottom, 101);
        QCOMPARE(drag(MarginPart::Top, {0, 49}), margin);
        QCOMPARE(drag(MarginPart::BottomRight, {320, 250}), (PixelBox {100, 100, 320, 250}));
        // A corner moves only when both its edges may.
        QCOMPARE(drag(MarginPart::TopLeft, {80, 250}), margin);
    }

    void theWholeRectangleMovesKeepingItsSizeInsideThePaper()
    {
        const PixelBox paper {50, 50, 350, 300};
        const PixelBox margin {100, 100, 300, 200};
        const DragStart start {MarginPart::Inside, {200, 150}, margin};
        QCOMPARE(dragMargin(paper, margin, start, {230, 170}), (PixelBox {130, 120, 330, 220}));
        // Pushed against the top-left: it stops at the paper and keeps its size.
        QCOMPARE(dragMargin(paper, margin, start, {100, 60}), (PixelBox {50, 50, 250, 150}));
        // Its right edge would reach the paper's right border: it stays where it was.
        QCOMPARE(dragMargin(paper, margin, start, {250, 150}), margin);
    }
};

QTEST_APPLESS_MAIN(TestPrintMargins)
#include "tst_print_margins.moc"
